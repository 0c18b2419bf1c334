#include "tests/support/ProcessTempDirectory.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/PrefixInstall.h"

namespace testsupport {

namespace {

std::wstring Variable(const wchar_t* name)
{
    wchar_t value[1024] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, 1024);
    return length < 1024 ? std::wstring(value, length) : std::wstring();
}

void Restore(const wchar_t* name, const std::wstring& value)
{
    SetEnvironmentVariableW(name, value.empty() ? nullptr : value.c_str());
}

}  // namespace

ProcessTempVariable::ProcessTempVariable(const std::wstring& value)
    : savedTemp_(Variable(L"TEMP")), savedTmp_(Variable(L"TMP"))
{
    SetEnvironmentVariableW(L"TEMP", value.c_str());
    SetEnvironmentVariableW(L"TMP", value.c_str());
}

ProcessTempVariable::~ProcessTempVariable()
{
    Restore(L"TEMP", savedTemp_);
    Restore(L"TMP", savedTmp_);
}

ProcessTempDirectory::ProcessTempDirectory(const std::wstring& name)
    : directory_(L"C:\\LexiferryTest\\" + name + L" " + std::to_wstring(GetCurrentProcessId()) +
                 L"-" + std::to_wstring(GetTickCount64())),
      savedTemp_(Variable(L"TEMP")),
      savedTmp_(Variable(L"TMP"))
{
    EXPECT_TRUE(CreateDirectoryPath(directory_));
    SetEnvironmentVariableW(L"TEMP", directory_.c_str());
    SetEnvironmentVariableW(L"TMP", directory_.c_str());
}

ProcessTempDirectory::~ProcessTempDirectory()
{
    Restore(L"TEMP", savedTemp_);
    Restore(L"TMP", savedTmp_);
    RemoveDirectoryTree(directory_);
}

}  // namespace testsupport
