#include "dict/DictionaryFileSogou.h"

#include <windows.h>

#include <cwchar>

#include "win/UniqueHandles.h"

namespace {

constexpr wchar_t SogouKey[] = L"SOFTWARE\\sogouinput";
constexpr DWORD ValueCapacity = 260;  // units

// Reads a string value of at most ValueCapacity units, terminator included. Registry data
// need not be terminated and may be of any type: neither may make us read past the buffer.
bool ReadStringValue(HKEY key, const wchar_t* name, std::wstring& value)
{
    wchar_t buffer[ValueCapacity] = {};
    DWORD type = REG_NONE;
    DWORD size = sizeof(buffer);
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    const std::size_t units = wcsnlen(buffer, size / sizeof(wchar_t));
    if (units >= ValueCapacity) return false;  // no room left for the terminator
    value.assign(buffer, units);
    return true;
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

// An unhandled exception ends a process with its exception code as the exit code. Every
// status of error severity (both top bits set) says the process was ended by a fault, not by
// its own choice: 0xC0000005 an access violation, 0xC06D007E a failed delay load, 0xC0150002
// a side-by-side failure at start, 0xE06D7363 an uncaught C++ exception, 0xE0434352 one of a
// managed runtime. So does a system warning 0x8000xxxx (a breakpoint). A tool that ends itself
// with a small code of its own gives none of these; a negative code (-1) reads as one.
bool EndedByException(DWORD exitCode)
{
    constexpr DWORD errorSeverity = 0xC0000000;
    constexpr DWORD systemWarning = 0x80000000;
    return (exitCode & errorSeverity) == errorSeverity || (exitCode & 0xFFFF0000) == systemWarning;
}

}  // namespace

DictionaryFileSogou::DictionaryFileSogou(DictionaryFileMode fileMode) : DictionaryFileBase(fileMode)
{
    ComposePath(L"sogou.tmp");
}

bool ComposeExportCommandLine(const wchar_t* exportPath, std::wstring& commandLine)
{
    win::unique_hkey key;
    if (!OpenSogouKey(key)) return false;
    std::wstring directory;
    std::wstring version;
    if (!ReadStringValue(key.get(), nullptr, directory) ||
        !ReadStringValue(key.get(), L"version", version)) {
        return false;
    }
    commandLine.clear();
    AppendArgument(commandLine, directory + L"\\" + version + L"\\sgtool.exe");
    commandLine += L" --appid=userdict --export ";
    AppendArgument(commandLine, exportPath);
    return true;
}

bool DictionaryFileSogou::Export(const wchar_t* path)
{
    std::wstring commandLine;
    if (!ComposeExportCommandLine(path, commandLine)) return false;

    // A file left by an abandoned earlier run must not pass for this export: only what the
    // tool writes now may be read.
    if (!DeleteFileW(path) && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) return false;

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    win::unique_handle processHandle(process.hProcess);
    win::unique_handle threadHandle(process.hThread);
    if (WaitForSingleObject(processHandle.get(), INFINITE) != WAIT_OBJECT_0) return false;
    // The tool's own exit code says nothing we rely on, but a tool that crashed may have
    // stopped in the middle of an entry: a cut word must not reach the user's dictionary.
    DWORD exitCode = 0;
    return GetExitCodeProcess(processHandle.get(), &exitCode) && !EndedByException(exitCode);
}

ParseLineResult DictionaryFileSogou::ParseLine(const std::wstring& line, std::wstring& pinyin,
                                               std::wstring& word, std::int32_t& weight)
{
    if (line.empty() || line[0] == L';') return ParseLineResult::Skipped;
    const std::size_t space = line.find(L' ');
    if (space == std::wstring::npos) return ParseLineResult::Malformed;
    word.assign(line, space + 1);
    if (space == 0 || line[0] != L'\'') return ParseLineResult::Malformed;
    pinyin.assign(line, 1, space - 1);
    for (wchar_t& unit : pinyin) {
        if (unit == L'\'') unit = L' ';
    }
    weight = 1;
    return ParseLineResult::Parsed;
}
