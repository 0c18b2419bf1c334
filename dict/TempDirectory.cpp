#include "dict/TempDirectory.h"

#include <windows.h>

wchar_t TempDirectory[TempDirectoryCapacity] = {};

bool RefreshTempDirectory()
{
    constexpr DWORD capacity = TempDirectoryCapacity - 1;
    // GetTempPathW returns the length without the NUL when it fits, and the size needed,
    // NUL included, when it does not.
    const DWORD length = GetTempPathW(capacity, TempDirectory);
    if (length == 0 || length >= capacity) {
        TempDirectory[0] = L'\0';
        return false;
    }
    return true;
}
