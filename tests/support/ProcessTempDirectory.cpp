#include "tests/support/ProcessTempDirectory.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/PrefixInstall.h"

namespace testsupport {

namespace {

// Wine's own conversions between Windows and Unix paths (kernel32 exports them under Wine
// only). Empty when they are missing or the path has no counterpart.
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

// One argument for sh, quoted so that spaces and other characters stay literal.
std::string ShellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::uint64_t TotalBytes(const std::wstring& directory)
{
    ULARGE_INTEGER available{};
    ULARGE_INTEGER total{};
    ULARGE_INTEGER free{};
    return GetDiskFreeSpaceExW(directory.c_str(), &available, &total, &free) ? total.QuadPart : 0;
}

}  // namespace

ProcessTempVariable::ProcessTempVariable(const std::wstring& value)
    : temp_(L"TEMP", value), tmp_(L"TMP", value)
{
}

ProcessTempVariable::~ProcessTempVariable() = default;

ProcessTempDirectory::ProcessTempDirectory(const std::wstring& name)
    : directory_(L"C:\\LexiferryTest\\" + name + L" " + std::to_wstring(GetCurrentProcessId()) +
                 L"-" + std::to_wstring(GetTickCount64())),
      variable_(directory_)
{
    EXPECT_TRUE(CreateDirectoryPath(directory_));
}

ProcessTempDirectory::~ProcessTempDirectory()
{
    RemoveDirectoryTree(directory_);
}

SmallDisk::SmallDisk(std::wstring directory, std::uint64_t sizeBytes)
    : directory_(std::move(directory))
{
    if (!CreateDirectoryPath(directory_)) {
        problem_ = "cannot create the directory to mount on";
        return;
    }
    unixDirectory_ = UnixPath(directory_);
    if (unixDirectory_.empty()) {
        problem_ = "no Unix path for the directory: not running under Wine?";
        return;
    }
    const int status = RunUnixCommand("mount -t tmpfs -o size=" + std::to_string(sizeBytes) +
                                      " tmpfs " + ShellQuoted(unixDirectory_));
    if (status < 0) return;
    if (status != 0) {
        problem_ = "mount -t tmpfs ended with status " + std::to_string(status) +
                   " (it needs root): " + problem_;
        return;
    }
    mounted_ = true;
    // The Windows side must see the small disk, not the one it sits on.
    const std::uint64_t total = TotalBytes(directory_);
    if (total == 0 || total > sizeBytes + 4096) {
        problem_ = "the directory does not show the mounted size: " + std::to_string(total) +
                   " bytes in all";
        return;
    }
    ready_ = true;
}

SmallDisk::~SmallDisk()
{
    if (mounted_) {
        // A lazy unmount as the last resort: a mount must never outlive the test.
        const std::string target = ShellQuoted(unixDirectory_);
        EXPECT_EQ(0, RunUnixCommand("umount " + target + " || umount -l " + target)) << problem_;
    }
    RemoveDirectoryTree(directory_);
}

int SmallDisk::RunUnixCommand(const std::string& command)
{
    // Under Wine, CreateProcessW on a Unix executable starts it natively but gives no process
    // handle to wait on: the shell leaves its status in a file, renamed into place whole.
    const std::wstring statusPath = directory_ + L".status";
    const std::wstring errorPath = directory_ + L".stderr";
    DeleteFileW(statusPath.c_str());
    DeleteFileW(errorPath.c_str());
    const std::string status = UnixPath(statusPath);
    const std::string errors = UnixPath(errorPath);
    const std::wstring shell = WindowsPath("/bin/sh");
    if (status.empty() || errors.empty() || shell.empty()) {
        problem_ = "no path conversion between Windows and Unix: not running under Wine?";
        return -1;
    }
    const std::string script = "PATH=/usr/sbin:/usr/bin:/sbin:/bin; (" + command + ") 2>" +
                               ShellQuoted(errors) + "; echo $? >" + ShellQuoted(status + ".part") +
                               "; mv " + ShellQuoted(status + ".part") + " " + ShellQuoted(status);
    std::wstring commandLine = L"sh -c \"";
    for (char c : script) commandLine += static_cast<wchar_t>(static_cast<unsigned char>(c));
    commandLine += L"\"";

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(shell.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        problem_ = "cannot start /bin/sh: error " + std::to_string(GetLastError());
        return -1;
    }
    if (process.hProcess != nullptr) CloseHandle(process.hProcess);
    if (process.hThread != nullptr) CloseHandle(process.hThread);

    for (int i = 0; i < 200 && !FileExists(statusPath); ++i) Sleep(50);
    const std::string result = ReadFileBytes(statusPath);
    problem_ = ReadFileBytes(errorPath);
    DeleteFileW(statusPath.c_str());
    DeleteFileW(errorPath.c_str());
    if (result.empty()) {
        problem_ = "the shell command did not finish within 10 s: " + command;
        return -1;
    }
    return std::atoi(result.c_str());
}

}  // namespace testsupport
