// Which of Sogou's backup layouts (.bin) a file is, told from its first bytes and its size, so
// that a file can be recognised without reading it whole: by its content, never by its name.
#pragma once

#include <cstddef>
#include <cstdint>

enum class SogouBackupLayout : std::int32_t {
    None = 0,   // not a backup of a layout that can be read: text, or anything else
    Sgpu = 1,   // "SGPU", written by Sogou for Windows from about 2023
    Store = 2,  // the key-value store, written from about 2015 to 2022 and on the Mac
};

// How many of a file's first bytes are enough to tell its layout.
constexpr std::size_t SogouBackupHeadBytes = 4096;

// The layout that a file of fileBytes bytes claims, from its first headBytes bytes: all of the
// file's bytes where it is shorter than SogouBackupHeadBytes, else at least that many. A file
// that claims a layout may still be refused whole once it is read.
SogouBackupLayout SogouBackupLayoutOf(const unsigned char* head, std::size_t headBytes,
                                      std::uint64_t fileBytes);
