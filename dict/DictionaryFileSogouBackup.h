// The Sogou user dictionary from a backup (.bin) that the user made in Sogou's settings, of
// either layout that SogouBackupLayoutOf tells. Entries are read straight from the file's
// bytes as loaded, in the file's order. The file is the user's own and stays as it is.
#pragma once

#include <cstdint>

#include "dict/DictionaryFileBase.h"
#include "dict/SogouBackupLayout.h"

// Final: nothing may give it a temporary file, which the base would delete.
class DictionaryFileSogouBackup final : public DictionaryFileBase {
public:
    enum class Reading : std::int32_t {
        Read = 0,
        NotRead = 1,  // the read failed, or the file is too large to be held
        Refused = 2,  // not a backup of a known layout, or damaged: no entry at all
    };

    DictionaryFileSogouBackup();

    // Reads the whole of an open file from its start, and checks every entry of it before any
    // is handed out: a damaged or cut backup is never half read.
    Reading ReadBackup(HANDLE source);

    // A source only.
    bool Export(const wchar_t*) override { return false; }
    bool Import() override { return false; }
    bool WriteEntry(const DictionaryEntry&) override { return false; }
    // The next entry: the reading's syllables joined by single spaces, the word, and its
    // frequency as the weight. Every entry is handed out, whatever its flags.
    bool ReadEntry(DictionaryEntry& entry) override;

private:
    // An entry where it lies in the content, its word as stored.
    struct StoredEntry {
        const unsigned char* reading = nullptr;
        std::uint32_t readingBytes = 0;
        const unsigned char* word = nullptr;
        std::uint32_t wordBytes = 0;
        std::uint16_t frequency = 0;
        std::uint16_t wordKey = 0;  // what the store's words are XORed with, after the rotation
    };
    enum class Step : std::int32_t { Entry, End, Damaged };
    // An area of the content: a store, or SGPU's data in use.
    struct Area {
        std::uint32_t at = 0;
        std::uint32_t bytes = 0;
        // Whether bytes at offset lie within it.
        bool Holds(std::uint64_t offset, std::uint64_t count) const
        {
            return offset <= bytes && count <= bytes - offset;
        }
    };

    // Checks what the whole walk relies on and puts the walk at the first entry. False where
    // the file breaks a rule.
    bool StartWalk();
    bool StartSgpu();
    bool StartStore();
    Step Next(StoredEntry& stored);
    Step NextSgpu(StoredEntry& stored);
    Step NextStore(StoredEntry& stored);
    // The reading of length bytes at offset in area, which must be whole syllables of the table.
    bool TakeReading(const Area& area, std::uint64_t offset, StoredEntry& stored) const;
    // The u16 length at offset in area and that many bytes after it, a whole number of units.
    bool TakeUnits(const Area& area, std::uint64_t offset, const unsigned char*& units,
                   std::uint32_t& bytes) const;

    SogouBackupLayout layout = SogouBackupLayout::None;
    const unsigned char* bytes = nullptr;  // the content, which the base holds
    std::uint32_t byteCount = 0;

    // SGPU: the index of entryCount record offsets in data, walked in order.
    std::uint32_t indexAt = 0;
    std::uint32_t entryCount = 0;
    std::uint32_t nextIndex = 0;
    Area data;

    // The store: 500 buckets of key records, each key a reading and a chain of word records.
    Area keyStore;
    Area wordRecordStore;
    Area readingStore;
    Area wordStore;
    std::uint32_t bucketsAt = 0;
    std::uint32_t nextBucket = 0;
    std::uint32_t nextKeyAt = 0;
    std::uint32_t keysLeftInBucket = 0;
    std::int64_t nextWordRecord = -1;  // in the chain of the current key; -1 after its last
    StoredEntry currentKey;            // its reading
    // What the file has room for: more key records or word records than that can only be the
    // same ones again, a loop, and the walk ends there as damage instead of going on for ever.
    std::uint32_t keyRecordsLeft = 0;
    std::uint32_t wordRecordsLeft = 0;
    unsigned rotation = 0;  // of the words' units, right, within 16 bits
    std::uint32_t p2 = 0;
    std::uint32_t p3 = 0;
};
