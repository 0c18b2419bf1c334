// Reads names and texts from the registry, bounded whatever is stored: IME discovery's display
// texts and the export tool's location.
#pragma once

#include <windows.h>

#include <string>

// Units of a registry text or key name, terminator included: key names have at most 255.
inline constexpr DWORD RegistryTextCapacity = 260;

// The value of key, or of its sub-key subKey when one is named, up to its first NUL: at most
// 259 units with a terminator, or 260 without one. Data of any type is taken as text; type,
// when asked for, says what it was. False, and text unchanged, when the sub-key cannot be
// opened or the value is missing, unreadable or longer than that.
bool ReadRegistryText(HKEY key, const wchar_t* subKey, const wchar_t* valueName, std::wstring& text,
                      DWORD* type = nullptr);

// Calls visit with the name of each sub-key of key, in enumeration order. A name that does
// not fit is skipped; the end of the list, or any other error, ends the walk.
template <typename Visit>
void ForEachSubKeyName(HKEY key, Visit visit)
{
    for (DWORD index = 0;; ++index) {
        wchar_t name[RegistryTextCapacity] = {};
        DWORD length = RegistryTextCapacity;
        const LSTATUS status =
            RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) return;
        visit(
            std::wstring(name, length < RegistryTextCapacity ? length : RegistryTextCapacity - 1));
    }
}
