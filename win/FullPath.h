// The full path of a file, as the system would make it of a relative one, "..", or '/'.
#pragma once

#include <string>

// False, with full left as it was, when the system can't make one.
bool FullPathOf(const std::wstring& path, std::wstring& full);
