// Reads a display text from the registry as IME discovery takes it: bounded, whatever its type.
#pragma once

#include <windows.h>

#include <string>

// The value of the sub-key subKey of parent, up to its first NUL: at most 259 units with a
// terminator, or 260 without one. False, and text unchanged, when the sub-key cannot be opened
// or the value is missing, unreadable or longer than that.
bool ReadRegistryText(HKEY parent, const wchar_t* subKey, const wchar_t* valueName,
                      std::wstring& text);
