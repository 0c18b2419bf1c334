#include "tests/support/UnixSide.h"

#include <windows.h>

namespace testsupport {

std::string UnixPath(const std::wstring& windowsPath)
{
    using ToUnix = char*(CDECL*)(const wchar_t*);
    const auto convert = reinterpret_cast<ToUnix>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* converted = convert ? convert(windowsPath.c_str()) : nullptr;
    if (converted == nullptr) return {};
    std::string path = converted;
    HeapFree(GetProcessHeap(), 0, converted);
    return path;
}

std::wstring WindowsPath(const std::string& unixPath)
{
    using ToWindows = wchar_t*(CDECL*)(const char*);
    const auto convert = reinterpret_cast<ToWindows>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    wchar_t* converted = convert ? convert(unixPath.c_str()) : nullptr;
    if (converted == nullptr) return {};
    std::wstring path = converted;
    HeapFree(GetProcessHeap(), 0, converted);
    return path;
}

std::string ShellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool StartUnixShell(const std::string& script, std::string& problem)
{
    const std::wstring shell = WindowsPath("/bin/sh");
    if (shell.empty()) {
        problem = "no path conversion between Windows and Unix: not running under Wine?";
        return false;
    }
    std::wstring commandLine = L"sh -c \"";
    for (char c : script) commandLine += static_cast<wchar_t>(static_cast<unsigned char>(c));
    commandLine += L"\"";

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(shell.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        problem = "cannot start /bin/sh: error " + std::to_string(GetLastError());
        return false;
    }
    // For a Unix program Wine gives no process handle, and the thread "handle" it gives then
    // is not one opened for us: closing it closed whatever this process held under that value
    // (seen: the cached HKEY_CURRENT_USER key, and every later registry call here failed).
    if (process.hProcess != nullptr) {
        CloseHandle(process.hProcess);
        if (process.hThread != nullptr) CloseHandle(process.hThread);
    }
    return true;
}

}  // namespace testsupport
