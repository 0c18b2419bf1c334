// Points this process's TEMP and TMP (and so GetTempPathW) at a fresh directory of its own
// and removes it afterwards. Only this process is affected, so tests that make dictionary
// files can run beside each other without sharing "sogou.tmp" or "kestrix.tmp".
#pragma once

#include <cstdint>
#include <string>

#include "tests/support/EnvironmentOverride.h"

namespace testsupport {

// Sets this process's TEMP and TMP to any text (a directory that need not exist) for the
// length of a scope.
class ProcessTempVariable {
public:
    explicit ProcessTempVariable(const std::wstring& value);
    ~ProcessTempVariable();
    ProcessTempVariable(const ProcessTempVariable&) = delete;
    ProcessTempVariable& operator=(const ProcessTempVariable&) = delete;

private:
    EnvironmentOverride temp_;
    EnvironmentOverride tmp_;
};

class ProcessTempDirectory {
public:
    // A unique directory under C:\LexiferryTest; name is part of it (may hold spaces).
    explicit ProcessTempDirectory(const std::wstring& name = L"temp");
    ~ProcessTempDirectory();
    ProcessTempDirectory(const ProcessTempDirectory&) = delete;
    ProcessTempDirectory& operator=(const ProcessTempDirectory&) = delete;

    // With a trailing backslash, as GetTempPathW gives it.
    std::wstring Directory() const { return directory_ + L"\\"; }

private:
    std::wstring directory_;
    ProcessTempVariable variable_;
};

// A directory that is a disk of its own of about sizeBytes, which a test can fill up: a
// tmpfs mounted there from the Unix side (the tests run as root under Wine). Unmounted and
// removed again at the end of its scope, also when the test fails.
class SmallDisk {
public:
    // directory is a Windows path; it is created.
    SmallDisk(std::wstring directory, std::uint64_t sizeBytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    // False when the disk could not be had, or the Windows side does not see its size;
    // Problem() says why.
    bool Ready() const { return ready_; }
    const std::string& Problem() const { return problem_; }
    // With a trailing backslash, as GetTempPathW gives it.
    std::wstring Directory() const { return directory_ + L"\\"; }

private:
    // Runs a shell command on the Unix side and waits for it; its exit status, or -1 with
    // problem_ set.
    int RunUnixCommand(const std::string& command);

    std::wstring directory_;
    std::string unixDirectory_;
    bool mounted_ = false;
    bool ready_ = false;
    std::string problem_;
};

}  // namespace testsupport
