#include "app/CommandLine.h"

#include <windows.h>

#include <new>

#include "win/DllSearch.h"
#include "win/FullPath.h"

namespace {

enum class Option { None, Quiet, From, Log };

wchar_t AsciiLower(wchar_t unit)
{
    return (unit >= L'A' && unit <= L'Z') ? static_cast<wchar_t>(unit - L'A' + L'a') : unit;
}

// Does text, after its first unit, begin with name (ASCII case ignored)?
bool NameFollows(const std::wstring& text, const wchar_t* name, std::size_t nameLength)
{
    if (text.size() < 1 + nameLength) return false;
    for (std::size_t i = 0; i < nameLength; ++i) {
        if (AsciiLower(text[1 + i]) != name[i]) return false;
    }
    return true;
}

// Which option an argument is: "/name" or "-name", any case, and for the options that take
// a value also "/name:value". The value of that form goes to inlineValue.
Option Classify(const std::wstring& argument, bool& hasInlineValue, std::wstring& inlineValue)
{
    hasInlineValue = false;
    if (argument.empty() || (argument[0] != L'/' && argument[0] != L'-')) return Option::None;
    struct Known {
        const wchar_t* name;
        std::size_t length;
        Option option;
        bool takesValue;
    };
    static constexpr Known known[] = {
        {L"quiet", 5, Option::Quiet, false},
        {L"from", 4, Option::From, true},
        {L"log", 3, Option::Log, true},
    };
    for (const Known& entry : known) {
        if (!NameFollows(argument, entry.name, entry.length)) continue;
        const std::size_t end = 1 + entry.length;
        if (argument.size() == end) return entry.option;
        if (entry.takesValue && argument[end] == L':') {
            hasInlineValue = true;
            inlineValue = argument.substr(end + 1);
            return entry.option;
        }
    }
    return Option::None;
}

bool IsOption(const std::wstring& argument)
{
    bool hasInlineValue = false;
    std::wstring ignored;
    return Classify(argument, hasInlineValue, ignored) != Option::None;
}

bool NamesExistingFile(const std::wstring& path)
{
    std::wstring systemPath;
    if (!SystemPathOf(path, systemPath)) return false;
    const DWORD attributes = ::GetFileAttributesW(systemPath.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsBlank(wchar_t unit)
{
    return unit == L' ' || unit == L'\t';
}

// Whether the command line holds /quiet or -quiet (any case) as a word after the program's
// name: words end at a blank outside quotes, and their quotes are not part of them. Only for
// a command line that CommandLineToArgvW cannot split; its rules for backslashes are left out.
bool HoldsQuietWord(const wchar_t* commandLine)
{
    const wchar_t* at = commandLine;
    // The program's name: up to the closing quote when it starts with one, else to a blank.
    if (*at == L'"') {
        ++at;
        while (*at != L'\0' && *at != L'"') ++at;
        if (*at == L'"') ++at;
    } else {
        while (*at != L'\0' && !IsBlank(*at)) ++at;
    }
    while (*at != L'\0') {
        while (IsBlank(*at)) ++at;
        std::wstring word;
        bool quoted = false;
        for (; *at != L'\0' && (quoted || !IsBlank(*at)); ++at) {
            if (*at == L'"') {
                quoted = !quoted;
            } else if (word.size() <= 6) {  // longer than "/quiet" is no match anyway
                word += AsciiLower(*at);
            }
        }
        if (word == L"/quiet" || word == L"-quiet") return true;
    }
    return false;
}

}  // namespace

CommandLine::CommandLine(const std::vector<std::wstring>& arguments)
{
    for (const std::wstring& argument : arguments) {
        bool hasInlineValue = false;
        std::wstring value;
        if (Classify(argument, hasInlineValue, value) == Option::Quiet) quiet_ = true;
    }
    // Without /quiet nothing else is read: a file dropped on the program, or anything else,
    // still opens the window, which takes the one file it was given.
    if (quiet_) {
        Parse(arguments);
    } else if (arguments.size() == 1 && !IsOption(arguments[0]) &&
               NamesExistingFile(arguments[0])) {
        openedFile_ = arguments[0];
    }
}

void CommandLine::Parse(const std::vector<std::wstring>& arguments)
{
    bool seenQuiet = false;
    bool seenFrom = false;
    bool seenLog = false;
    // The first problem is the one reported; the rest is still read for /log.
    const auto fail = [this](const std::wstring& argument) {
        if (usageError_) return;
        usageError_ = true;
        problem_ = argument;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        bool hasInlineValue = false;
        std::wstring value;
        const Option option = Classify(argument, hasInlineValue, value);
        if (option == Option::None) {
            fail(argument);
            continue;
        }
        if (option == Option::Quiet) {
            if (seenQuiet) fail(argument);
            seenQuiet = true;
            continue;
        }
        // "/from <file>": the next argument, unless it is an option itself, which means the
        // value was left out. A file named like "-list.txt" is still a value.
        if (!hasInlineValue && i + 1 < arguments.size() && !IsOption(arguments[i + 1])) {
            value = arguments[++i];
        }
        bool& seen = option == Option::From ? seenFrom : seenLog;
        if (value.empty() || seen) {
            fail(argument);
            continue;
        }
        seen = true;
        (option == Option::From ? fromPath_ : logPath_) = value;
    }
}

CommandLine CommandLine::Unsplit(const wchar_t* commandLine)
{
    // Not split, so nothing can be read reliably, not even /log. A deployment tool's run must
    // still end at once, without a window that waits for a click: a usage error. Everything
    // else opens the window, as it would with the arguments split. Nothing here allocates: a
    // word longer than "/quiet" is never kept whole.
    CommandLine unsplit{std::vector<std::wstring>()};
    unsplit.quiet_ = HoldsQuietWord(commandLine);
    unsplit.usageError_ = unsplit.quiet_;
    return unsplit;
}

CommandLine CommandLine::OfThisProcess()
{
    const HMODULE shell32 = dllsearch::LoadFromSystemDirectory(L"shell32.dll");
    LPWSTR*(WINAPI * toArgv)(LPCWSTR, int*) = nullptr;
    dllsearch::Bind(shell32, "CommandLineToArgvW", toArgv);
    int count = 0;
    LPWSTR* argv = toArgv == nullptr ? nullptr : toArgv(::GetCommandLineW(), &count);
    if (shell32 != nullptr) ::FreeLibrary(shell32);
    if (argv == nullptr) return Unsplit(::GetCommandLineW());
    try {
        // argv[0] is the program itself.
        std::vector<std::wstring> arguments;
        for (int i = 1; i < count; ++i) arguments.emplace_back(argv[i]);
        ::LocalFree(argv);
        argv = nullptr;
        return CommandLine(arguments);
    } catch (const std::bad_alloc&) {
        if (argv != nullptr) ::LocalFree(argv);
        CommandLine unread = Unsplit(::GetCommandLineW());
        unread.outOfMemory_ = true;
        return unread;
    }
}
