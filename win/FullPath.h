// The full path of a file, as the system would make it of a relative one, "..", or '/', and
// the form of a path that the system takes whatever its length.
#pragma once

#include <cstddef>
#include <string>

// The longest path Windows takes, in the \\?\ form; a longer one names no file.
inline constexpr std::size_t LongestPath = 32767;

// False, with full left as it was, when the system can't make one.
bool FullPathOf(const std::wstring& path, std::wstring& full);
// The full path, or path as it is where the system can't make one.
std::wstring FullPathOrAsGiven(const std::wstring& path);

// The path to hand to the file functions: the path itself where its full path is short
// enough for them, else that full path in the \\?\ form (\\?\UNC\ for a share). A path
// already in that form, or a device's, is taken as it is. False, with systemPath left as it
// was, for an empty path, a path longer than any Windows takes, or one the system can't make
// full.
bool SystemPathOf(const std::wstring& path, std::wstring& systemPath);
