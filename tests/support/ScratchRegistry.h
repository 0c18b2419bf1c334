// Points this process's HKEY_LOCAL_MACHINE at a scratch key under HKEY_CURRENT_USER, so a
// test can lay out registry fixtures without touching the prefix's real HKLM. The window
// system (the keyboard layout list, the IME manager) still reads the real HKLM.
#pragma once

#include <windows.h>

#include <string>

namespace testsupport {

class ScratchRegistry {
public:
    ScratchRegistry();
    ~ScratchRegistry();
    ScratchRegistry(const ScratchRegistry&) = delete;
    ScratchRegistry& operator=(const ScratchRegistry&) = delete;

    // Paths are relative to the overridden HKLM. Each call creates the key as needed.
    void CreateKey(const std::wstring& path) const;
    void SetString(const std::wstring& path, const wchar_t* name, const std::wstring& value) const;
    // Raw data of any type and size, for values without a terminator or of a foreign type.
    void SetRaw(const std::wstring& path, const wchar_t* name, DWORD type, const void* data,
                DWORD size) const;

private:
    HKEY Open(const std::wstring& path) const;

    std::wstring rootPath_;
    HKEY root_ = nullptr;
};

}  // namespace testsupport
