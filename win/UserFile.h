// Opening a file of the user's own to read it, and nothing else.
#pragma once

#include <cstddef>
#include <cstdint>

#include "win/UniqueHandles.h"

namespace win {

// The file at path (a path of any length Windows takes), open for reading only. Never created,
// and shared with every other reader, writer or deleter: the user's program may hold the file,
// and must be able to go on with it. Empty when it can't be opened, and for what is not a file
// on a disk: a console, a pipe or a port opens as well, and a read from it may wait forever.
unique_hfile OpenUserFileToRead(const wchar_t* path);

// The first bytes of a file just opened, as many as capacity takes (all of a shorter file's),
// and the file's size: enough to tell what a file is without reading it whole. False when
// either can't be had.
bool ReadFileHead(HANDLE file, unsigned char* head, std::size_t capacity, std::size_t& headBytes,
                  std::uint64_t& fileBytes);

}  // namespace win
