#include "tests/support/ScratchRegistry.h"

#include <gtest/gtest.h>

#include "win/UniqueHandles.h"

namespace testsupport {

ScratchRegistry::ScratchRegistry()
    : rootPath_(L"Software\\LexiferryTests\\" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                std::to_wstring(GetTickCount64()))
{
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, rootPath_.c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &root_, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_LOCAL_MACHINE, root_));
}

ScratchRegistry::~ScratchRegistry()
{
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegCloseKey(root_);
    RegDeleteTreeW(HKEY_CURRENT_USER, rootPath_.c_str());
}

HKEY ScratchRegistry::Open(const std::wstring& path) const
{
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root_, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr))
        << "cannot create scratch key";
    return key;
}

void ScratchRegistry::CreateKey(const std::wstring& path) const
{
    win::unique_hkey key(Open(path));
}

void ScratchRegistry::SetString(const std::wstring& path, const wchar_t* name,
                                const std::wstring& value) const
{
    SetRaw(path, name, REG_SZ, value.c_str(),
           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void ScratchRegistry::SetRaw(const std::wstring& path, const wchar_t* name, DWORD type,
                             const void* data, DWORD size) const
{
    win::unique_hkey key(Open(path));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key.get(), name, 0, type,
                                            static_cast<const BYTE*>(data), size));
}

}  // namespace testsupport
