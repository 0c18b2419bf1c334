// The user's temporary directory, where the dictionary files live.
#pragma once

#include <cstddef>
#include <string>

inline constexpr std::size_t TempDirectoryCapacity = 256;

// The names of the two files a transfer makes there, writes and deletes.
inline constexpr wchar_t SogouTempFileName[] = L"sogou.tmp";
inline constexpr wchar_t KestrixTempFileName[] = L"kestrix.tmp";

// The directory as GetTempPathW gives it, with its trailing backslash. Process-wide and
// unlocked: only the transfer worker makes dictionary files, one at a time.
extern wchar_t TempDirectory[TempDirectoryCapacity];

// Asks for the directory again. When it doesn't fit in 255 units, TempDirectory is left
// empty and the result is false.
bool RefreshTempDirectory();

// Whether path names one of the two files above, compared as files (another spelling, a
// relative path or a short name is seen through), and where it names no file yet, by its
// folder and name: a file a transfer writes and deletes can't be its source, nor the log. False
// without a temporary directory, where no such file can be made. Reads the directory for itself,
// leaving TempDirectory to the transfer that may be using it.
bool IsTransferTemporaryFile(const std::wstring& path);
