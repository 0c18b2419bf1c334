// Whether a file the user points at is a Sogou dictionary that a transfer can read, told from
// its first bytes, so that the window can answer at once when a file is chosen or dropped.
#pragma once

#include <cstddef>
#include <string>

#include "dict/SogouBackupLayout.h"

// How many of a file's first bytes are read: enough for a backup's layout, and for the first
// lines of a text file after a heading of comments.
inline constexpr std::size_t SogouFileHeadBytes = 16384;
static_assert(SogouFileHeadBytes >= SogouBackupHeadBytes);

// True for a backup of a layout that can be read, and for text in one of the encodings of the
// user's text file that holds an entry line within its head. False for anything else, and for
// a path that names no readable file on a disk (missing, a folder, a device). The file is read
// only, shared with every other reader, writer and deleter, and closed at once.
bool RecognisedAsSogouDictionary(const std::wstring& path);
