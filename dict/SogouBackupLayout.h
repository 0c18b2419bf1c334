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

// Where the parts of a file of the store layout lie, as its first bytes say. A store's
// configuration describes its own length, and its payload's size adds up with it to the file's
// size; that is what makes a file one, whatever the configuration it holds.
struct SogouStoreFrame {
    std::uint32_t keyDescriptions = 0;  // K: the first starts right after the five u32 at 0
    std::uint32_t attributeDescriptions = 0;
    std::uint32_t indexStores = 0;
    std::uint32_t attributeStores = 0;
    std::uint32_t dataStores = 0;
    std::uint32_t storeHeaders = 0;  // offset of the first of the stores' three-u32 headers
    std::uint32_t payloadBase = 0;   // B: where store offsets count from, after the headers
    std::uint32_t payloadBytes = 0;  // S: B + S is the file's size less its 80-byte trailer
};

constexpr std::uint32_t SogouStoreTrailerBytes = 80;

// False where the first bytes are not those of a store (the rule above), or where its
// configuration and headers do not all lie within them.
bool SogouStoreFrameOf(const unsigned char* head, std::size_t headBytes, std::uint64_t fileBytes,
                       SogouStoreFrame& frame);

// The little-endian numbers of both layouts, at an offset the caller has checked.
inline std::uint16_t SogouU16At(const unsigned char* bytes, std::uint64_t offset)
{
    return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

inline std::uint32_t SogouU32At(const unsigned char* bytes, std::uint64_t offset)
{
    return static_cast<std::uint32_t>(bytes[offset]) |
           static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}
