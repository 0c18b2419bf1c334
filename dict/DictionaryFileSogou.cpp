#include "dict/DictionaryFileSogou.h"

#include <windows.h>

#include <cwchar>
#include <utility>

#include "ime/RegistryText.h"
#include "win/ProcessTree.h"
#include "win/UniqueHandles.h"

namespace {

constexpr wchar_t SogouKey[] = L"SOFTWARE\\sogouinput";
// Ended processes are gone at once; a wait that takes longer is given up, not kept for ever.
constexpr DWORD TerminatedToolWaitMs = 10000;
constexpr wchar_t ReplacementCharacter = 0xFFFD;

// A string value that fits RegistryTextCapacity units with its terminator; of another type, it
// is no path. A REG_EXPAND_SZ value (an installer's way to store
// "%ProgramFiles(x86)%\SogouInput") is expanded, and what it expands to must fit the same
// capacity: used as it is stored, it would be a relative path that Windows searches for,
// beside Lexiferry first.
bool ReadStringValue(HKEY key, const wchar_t* name, std::wstring& value)
{
    std::wstring stored;
    DWORD type = REG_NONE;
    if (!ReadRegistryText(key, nullptr, name, stored, &type) ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || stored.size() >= RegistryTextCapacity) {
        return false;
    }
    if (type == REG_SZ) {
        value = std::move(stored);
        return true;
    }
    wchar_t expanded[RegistryTextCapacity] = {};
    // The count includes the terminator; a count above the capacity is the size it needs.
    const DWORD expandedUnits =
        ExpandEnvironmentStringsW(stored.c_str(), expanded, RegistryTextCapacity);
    if (expandedUnits == 0 || expandedUnits > RegistryTextCapacity) return false;
    value.assign(expanded, wcsnlen(expanded, RegistryTextCapacity));
    return true;
}

bool IsSeparator(wchar_t unit)
{
    return unit == L'\\' || unit == L'/';
}

// "X:\..." or "\\server\share...": a path that names one place whatever the current
// directory and wherever the program lies. Anything else, the empty string included, would
// be searched for ("\12.3\sgtool.exe" names the root of the current drive, where any local
// user may create folders). Windows reads '/' as '\' in every place of these forms, so
// "C:/Program Files (x86)/SogouInput" and "//server/share" are absolute as well.
bool IsAbsoluteDirectory(const std::wstring& directory)
{
    if (directory.size() >= 3 && directory[1] == L':' && IsSeparator(directory[2])) {
        const wchar_t drive = directory[0];
        return (drive >= L'A' && drive <= L'Z') || (drive >= L'a' && drive <= L'z');
    }
    if (directory.size() < 5 || !IsSeparator(directory[0]) || !IsSeparator(directory[1])) {
        return false;
    }
    const std::size_t shareStart = directory.find_first_of(L"\\/", 2);
    return shareStart != std::wstring::npos && shareStart > 2 &&
           shareStart + 1 < directory.size() && !IsSeparator(directory[shareStart + 1]);
}

// Sogou's installer is a 32-bit program: on 64-bit Windows its key lands in the registry's
// 32-bit view (SOFTWARE\Wow6432Node), which a 64-bit program does not see by default. That
// view is asked first, in either width; only where the key is not there at all does an
// installation in the 64-bit view count. On 32-bit Windows both flags name the one registry.
bool OpenSogouKey(win::unique_hkey& key)
{
    const LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, SogouKey, 0,
                                         KEY_QUERY_VALUE | KEY_WOW64_32KEY, key.put());
    if (status != ERROR_FILE_NOT_FOUND) return status == ERROR_SUCCESS;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, SogouKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                         key.put()) == ERROR_SUCCESS;
}

// CreateProcessW splits an unquoted command line at the first space it can: a tool under
// "C:\Program Files (x86)" would start "C:\Program.exe" if one exists, and an export path
// under a user name with a space would reach the tool as two arguments.
void AppendArgument(std::wstring& commandLine, const std::wstring& argument)
{
    if (argument.find_first_of(L" \t") == std::wstring::npos) {
        commandLine += argument;
    } else {
        commandLine += L'"';
        commandLine += argument;
        commandLine += L'"';
    }
}

// An unhandled exception ends a process with its exception code as the exit code: a system
// status of error severity (0xC0000000-0xDFFFFFFF: 0xC0000005 an access violation, 0xC0000409
// a stack buffer overrun, 0xC00000FD a stack overflow, 0xC06D007E a failed delay load,
// 0xC0150002 a side-by-side failure at start), 0xE06D7363 an uncaught C++ exception,
// 0xE0434352 one of a managed runtime, or a system warning 0x8000xxxx (a breakpoint). Each says
// the process was ended by a fault, not by its own choice. Every other code is the tool's
// own, -1 (0xFFFFFFFF, a plain "return -1;") included: the 0xE0000000 range belongs to
// programs, and only the two runtimes' codes there are known to mean a crash.
bool EndedByException(DWORD exitCode)
{
    constexpr DWORD cppException = 0xE06D7363;
    constexpr DWORD managedException = 0xE0434352;
    constexpr DWORD systemWarning = 0x80000000;
    return (exitCode >= 0xC0000000 && exitCode <= 0xDFFFFFFF) || exitCode == cppException ||
           exitCode == managedException || (exitCode & 0xFFFF0000) == systemWarning;
}

}  // namespace

DictionaryFileSogou::DictionaryFileSogou(DictionaryFileMode fileMode, const ExportToolRun& run)
    : DictionaryFileSogou(fileMode, SogouTempFileName, run)
{
}

DictionaryFileSogou::DictionaryFileSogou(DictionaryFileMode fileMode, const wchar_t* temporaryName,
                                         const ExportToolRun& run)
    : DictionaryFileBase(fileMode), exportRun(run)
{
    if (temporaryName != nullptr) ComposePath(temporaryName);
}

bool ComposeExportCommandLine(const wchar_t* exportPath, std::wstring& toolPath,
                              std::wstring& commandLine)
{
    win::unique_hkey key;
    if (!OpenSogouKey(key)) return false;
    std::wstring directory;
    std::wstring version;
    if (!ReadStringValue(key.get(), nullptr, directory) ||
        !ReadStringValue(key.get(), L"version", version) || !IsAbsoluteDirectory(directory)) {
        return false;
    }
    toolPath = directory + L"\\" + version + L"\\sgtool.exe";
    commandLine.clear();
    AppendArgument(commandLine, toolPath);
    commandLine += L" --appid=userdict --export ";
    AppendArgument(commandLine, exportPath);
    return true;
}

bool DictionaryFileSogou::Export(const wchar_t* path)
{
    exportTimedOut = false;
    std::wstring toolPath;
    std::wstring commandLine;
    if (!ComposeExportCommandLine(path, toolPath, commandLine)) return false;

    // A file left by an abandoned earlier run must not pass for this export: only what the
    // tool writes now may be read.
    if (!DeleteFileW(path) && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) return false;

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    DWORD creationFlags = 0;
    if (exportRun.hidden) {
        // A command-line program started by a windowed one gets a console window of its own,
        // in front of whatever the user is doing; and a window of the tool's own would wait
        // for a click in a session where nobody may be there.
        creationFlags = CREATE_NO_WINDOW;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
    }
    // The tool by its full path: with no application name Windows would search for the
    // command line's first token (beside Lexiferry first, then in the current directory), and
    // would run whatever it found there under Sogou's name. It starts in its own folder, not
    // in ours: a program looks for the DLLs it loads by name in its current directory too,
    // and ours is the Downloads folder when Explorer starts Lexiferry from there. The tool is
    // given only full paths, so it needs no other.
    const std::wstring toolDirectory = toolPath.substr(0, toolPath.find_last_of(L'\\'));
    ProcessTree tool;
    if (!tool.Start(toolPath, commandLine, creationFlags, toolDirectory.c_str(), startup)) {
        return false;
    }
    const DWORD waited = WaitForSingleObject(tool.Process(), exportRun.timeLimitMs);
    if (waited == WAIT_TIMEOUT) {
        // Its export may stop anywhere: none of it is read. Ended with whatever it started (a
        // helper, an updater), and waited for, so that nothing holds the file when it is
        // deleted: a file left behind would fail every later run at once.
        tool.End(WAIT_TIMEOUT, TerminatedToolWaitMs);
        exportTimedOut = true;
        return false;
    }
    // What the tool started and left behind may still hold the export open, or write to it.
    tool.End(ERROR_SUCCESS, TerminatedToolWaitMs);
    if (waited != WAIT_OBJECT_0) return false;
    // A tool that crashed may have stopped in the middle of an entry: a cut word must not
    // reach the user's dictionary.
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(tool.Process(), &exitCode) || EndedByException(exitCode)) {
        return false;
    }
    // A code of its own says the tool stopped by its choice or was ended from outside
    // (abort() gives 3, taskkill /F gives 1), possibly in the middle of a write. What it wrote
    // is taken, all but a last line that no line end closes: that may be a cut word.
    DropUnterminatedLastLine(exitCode != 0);
    return true;
}

ParseLineResult DictionaryFileSogou::ParseLine(const std::wstring& line, std::wstring& pinyin,
                                               std::wstring& word, std::int32_t& weight)
{
    if (line.empty() || line[0] == L';') return ParseLineResult::Skipped;
    const std::size_t space = line.find(L' ');
    // U+FFFD stands where a decoder lost a character: that word is not the user's any more.
    if (space == std::wstring::npos || line.find(ReplacementCharacter) != std::wstring::npos) {
        return ParseLineResult::Malformed;
    }
    word.assign(line, space + 1);
    if (space == 0 || line[0] != L'\'') return ParseLineResult::Malformed;
    pinyin.assign(line, 1, space - 1);
    for (wchar_t& unit : pinyin) {
        if (unit == L'\'') unit = L' ';
    }
    weight = 1;
    return ParseLineResult::Parsed;
}
