// Points this process's TEMP and TMP (and so GetTempPathW) at a fresh directory of its own
// and removes it afterwards. Only this process is affected, so tests that make dictionary
// files can run beside each other without sharing "sogou.tmp" or "kestrix.tmp".
#pragma once

#include <string>

namespace testsupport {

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
    std::wstring savedTemp_;
    std::wstring savedTmp_;
};

// Sets this process's TEMP and TMP to any text (a directory that need not exist) for the
// length of a scope.
class ProcessTempVariable {
public:
    explicit ProcessTempVariable(const std::wstring& value);
    ~ProcessTempVariable();
    ProcessTempVariable(const ProcessTempVariable&) = delete;
    ProcessTempVariable& operator=(const ProcessTempVariable&) = delete;

private:
    std::wstring savedTemp_;
    std::wstring savedTmp_;
};

}  // namespace testsupport
