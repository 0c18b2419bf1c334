#include "win/FullPath.h"

#include <windows.h>

#include <utility>

bool FullPathOf(const std::wstring& path, std::wstring& full)
{
    // With the terminator when the buffer is too small, without it when the path fit.
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return false;
    std::wstring made(needed, L'\0');
    const DWORD written = GetFullPathNameW(path.c_str(), needed, made.data(), nullptr);
    if (written == 0 || written >= needed) return false;
    made.resize(written);
    full = std::move(made);
    return true;
}
