#include "ime/RegistryText.h"

#include <cwchar>

#include "win/UniqueHandles.h"

namespace {

constexpr DWORD ValueCapacity = 260;  // characters

}  // namespace

bool ReadRegistryText(HKEY parent, const wchar_t* subKey, const wchar_t* valueName,
                      std::wstring& text)
{
    win::unique_hkey key;
    if (RegOpenKeyExW(parent, subKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
        return false;
    }
    // The value may be of any type and may fill the buffer without a terminating NUL: the
    // text is cut at the data actually returned.
    wchar_t value[ValueCapacity] = {};
    DWORD size = sizeof(value);
    if (RegQueryValueExW(key.get(), valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(value),
                         &size) != ERROR_SUCCESS) {
        return false;
    }
    const size_t units = size / sizeof(wchar_t);
    text.assign(value, wcsnlen(value, units < ValueCapacity ? units : ValueCapacity));
    return true;
}
