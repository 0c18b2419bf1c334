// Reads the keyboard layouts registered for Simplified Chinese IMEs.
#pragma once

#include <string>
#include <vector>

// True for a layout key name of eight characters that begins with "E" and ends with
// "0804": an IME-based layout for Simplified Chinese.
bool IsChineseImeLayoutKey(const wchar_t* keyName);

// The "Layout Text" of every accepted layout key, in enumeration order, duplicates kept.
extern std::vector<std::wstring> LayoutTexts;

// Appends to LayoutTexts. False only when the keyboard layout key cannot be opened.
bool CollectLayoutTexts();
