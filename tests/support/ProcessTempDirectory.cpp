#include "tests/support/ProcessTempDirectory.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/PrefixInstall.h"
#include "tests/support/UnixSide.h"

namespace testsupport {

namespace {

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
    if (status.empty() || errors.empty()) {
        problem_ = "no path conversion between Windows and Unix: not running under Wine?";
        return -1;
    }
    const std::string script = "PATH=/usr/sbin:/usr/bin:/sbin:/bin; (" + command + ") 2>" +
                               ShellQuoted(errors) + "; echo $? >" + ShellQuoted(status + ".part") +
                               "; mv " + ShellQuoted(status + ".part") + " " + ShellQuoted(status);
    if (!StartUnixShell(script, problem_)) return -1;

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
