#include "dict/DictionaryFileSogouBackup.h"

#include <windows.h>

#include "dict/SogouSyllables.h"

namespace {

// SGPU: the header's fields.
constexpr std::uint32_t SgpuFileSize = 0x10;
constexpr std::uint32_t SgpuIndexOffset = 0x38;
constexpr std::uint32_t SgpuIndexCapacity = 0x3C;
constexpr std::uint32_t SgpuEntryCount = 0x40;
constexpr std::uint32_t SgpuDataOffset = 0x44;
constexpr std::uint32_t SgpuDataCapacity = 0x48;
constexpr std::uint32_t SgpuDataInUse = 0x4C;
constexpr std::uint32_t SgpuHeaderBytes = 0x50;
// A record: frequency, flags and five bytes of unknown use, then the reading's length.
constexpr std::uint32_t SgpuReadingLength = 9;

// The store: the one configuration there is, as its bytes from the first key description on.
// K = 1 and A = 1; the key's kind 2 and its eight type codes; the readings in data store 0;
// the attribute's seven fields, the words in data store 1.
constexpr std::uint32_t StoreKeyDescription = 0x14;
constexpr std::uint16_t StoreKeyHead[] = {2, 8, 10, 0, 6, 6, 7, 6, 6, 6};
constexpr std::uint32_t StoreReadingsStore = 0x2C;
constexpr std::uint32_t StoreFieldCount = 0x38;
constexpr std::uint32_t StoreWordsStore = 0x40;
constexpr std::uint32_t StoreBuckets = 500;
constexpr std::uint32_t StoreBucketBytes = 8;
constexpr std::uint32_t StoreKeyRecordBytes = 8;
constexpr std::uint32_t StoreWordRecordBytes = 22;
// The hash table lies right before index store 0.
constexpr std::uint32_t StoreBucketsBytes = StoreBuckets * StoreBucketBytes;

std::int32_t I32At(const unsigned char* bytes, std::uint64_t offset)
{
    return static_cast<std::int32_t>(SogouU32At(bytes, offset));
}

}  // namespace

DictionaryFileSogouBackup::DictionaryFileSogouBackup()
    : DictionaryFileBase(DictionaryFileMode::Read)
{
}

DictionaryFileSogouBackup::Reading DictionaryFileSogouBackup::ReadBackup(HANDLE source)
{
    if (!ReadContent(source)) return Reading::NotRead;
    bytes = ContentBytes();
    byteCount = ContentByteCount();
    layout = SogouBackupLayoutOf(bytes, byteCount, byteCount);
    // Every entry is checked before the first is handed out, then the walk starts again.
    bool whole = StartWalk();
    for (StoredEntry stored; whole;) {
        const Step step = Next(stored);
        if (step == Step::Entry) continue;
        whole = step == Step::End && StartWalk();
        break;
    }
    if (!whole) {
        DiscardContent();
        bytes = nullptr;
        byteCount = 0;
        layout = SogouBackupLayout::None;
        return Reading::Refused;
    }
    return Reading::Read;
}

bool DictionaryFileSogouBackup::ReadEntry(DictionaryEntry& entry)
{
    StoredEntry stored;
    if (layout == SogouBackupLayout::None || Next(stored) != Step::Entry) return false;
    // Assigned in place: the entry's strings keep their room from one entry to the next.
    entry.pinyin.clear();
    for (std::uint32_t at = 0; at < stored.readingBytes; at += 2) {
        if (at != 0) entry.pinyin += L' ';
        entry.pinyin += SogouSyllable(SogouU16At(stored.reading, at));
    }
    entry.word.resize(stored.wordBytes / 2);
    for (std::uint32_t unit = 0; unit < stored.wordBytes / 2; ++unit) {
        std::uint32_t value = SogouU16At(stored.word, 2 * unit);
        if (rotation != 0) value = (value >> rotation | value << (16 - rotation)) & 0xFFFF;
        entry.word[unit] = static_cast<wchar_t>(value ^ stored.wordKey);
    }
    entry.weight = stored.frequency;
    return true;
}

bool DictionaryFileSogouBackup::StartWalk()
{
    switch (layout) {
        case SogouBackupLayout::Sgpu:
            return StartSgpu();
        case SogouBackupLayout::Store:
            return StartStore();
        case SogouBackupLayout::None:
            break;
    }
    return false;
}

DictionaryFileSogouBackup::Step DictionaryFileSogouBackup::Next(StoredEntry& stored)
{
    return layout == SogouBackupLayout::Sgpu ? NextSgpu(stored) : NextStore(stored);
}

bool DictionaryFileSogouBackup::TakeUnits(const Area& area, std::uint64_t offset,
                                          const unsigned char*& units, std::uint32_t& count) const
{
    if (!area.Holds(offset, 2)) return false;
    const std::uint32_t length = SogouU16At(bytes, area.at + offset);
    if (length % 2 != 0 || !area.Holds(offset + 2, length)) return false;
    units = bytes + area.at + offset + 2;
    count = length;
    return true;
}

bool DictionaryFileSogouBackup::TakeReading(const Area& area, std::uint64_t offset,
                                            StoredEntry& stored) const
{
    if (!TakeUnits(area, offset, stored.reading, stored.readingBytes)) return false;
    for (std::uint32_t at = 0; at < stored.readingBytes; at += 2) {
        if (SogouU16At(stored.reading, at) >= SogouSyllableCount) return false;
    }
    return true;
}

bool DictionaryFileSogouBackup::StartSgpu()
{
    if (byteCount < SgpuHeaderBytes || SogouU32At(bytes, SgpuFileSize) != byteCount) return false;
    indexAt = SogouU32At(bytes, SgpuIndexOffset);
    const std::uint64_t indexBytes = SogouU32At(bytes, SgpuIndexCapacity);
    entryCount = SogouU32At(bytes, SgpuEntryCount);
    const std::uint64_t dataAt = SogouU32At(bytes, SgpuDataOffset);
    const std::uint64_t dataBytes = SogouU32At(bytes, SgpuDataCapacity);
    const std::uint32_t inUse = SogouU32At(bytes, SgpuDataInUse);
    // The index between the header and the data, room in it for every entry's offset, the data
    // up to the file's end, and what is in use within it.
    if (indexAt < SgpuHeaderBytes || indexAt + indexBytes != dataAt ||
        dataAt + dataBytes != byteCount || 4 * std::uint64_t{entryCount} > indexBytes ||
        inUse > dataBytes) {
        return false;
    }
    data.at = static_cast<std::uint32_t>(dataAt);
    data.bytes = inUse;
    nextIndex = 0;
    return true;
}

DictionaryFileSogouBackup::Step DictionaryFileSogouBackup::NextSgpu(StoredEntry& stored)
{
    if (nextIndex == entryCount) return Step::End;
    const std::uint64_t record = SogouU32At(bytes, indexAt + 4 * std::uint64_t{nextIndex++});
    if (!data.Holds(record, SgpuReadingLength) ||
        !TakeReading(data, record + SgpuReadingLength, stored)) {
        return Step::Damaged;
    }
    // Then the word's length + the reading's + 4, the word, and the reading again.
    const std::uint64_t after = record + SgpuReadingLength + 2 + stored.readingBytes;
    if (!data.Holds(after, 2) || !TakeUnits(data, after + 2, stored.word, stored.wordBytes)) {
        return Step::Damaged;
    }
    const std::uint64_t again = after + 4 + stored.wordBytes;
    if (SogouU16At(bytes, data.at + after) != stored.wordBytes + stored.readingBytes + 4 ||
        !data.Holds(again, 2 + std::uint64_t{stored.readingBytes}) ||
        SogouU16At(bytes, data.at + again) != stored.readingBytes) {
        return Step::Damaged;
    }
    stored.frequency = SogouU16At(bytes, data.at + record);
    stored.wordKey = 0;
    return Step::Entry;
}

bool DictionaryFileSogouBackup::StartStore()
{
    SogouStoreFrame frame;
    if (!SogouStoreFrameOf(bytes, byteCount, byteCount, frame)) return false;
    if (frame.keyDescriptions != 1 || frame.attributeDescriptions != 1) return false;
    for (std::uint32_t i = 0; i < sizeof(StoreKeyHead) / sizeof(StoreKeyHead[0]); ++i) {
        if (SogouU16At(bytes, StoreKeyDescription + 2 * i) != StoreKeyHead[i]) return false;
    }
    if (SogouU32At(bytes, StoreReadingsStore) != 0 || SogouU32At(bytes, StoreFieldCount) != 7 ||
        SogouU32At(bytes, StoreWordsStore) != 1 || frame.indexStores < 1 ||
        frame.attributeStores < 1 || frame.dataStores < 2) {
        return false;
    }
    // Every store within the payload, with no more in use than it holds.
    const std::uint64_t stores =
        std::uint64_t{frame.indexStores} + frame.attributeStores + frame.dataStores;
    for (std::uint64_t store = 0; store < stores; ++store) {
        const std::uint64_t header = frame.storeHeaders + 12 * store;
        const std::uint64_t offset = SogouU32At(bytes, header);
        const std::uint64_t capacity = SogouU32At(bytes, header + 4);
        if (offset + capacity > frame.payloadBytes || SogouU32At(bytes, header + 8) > capacity) {
            return false;
        }
    }
    const auto area = [&](std::uint64_t store) {
        const std::uint64_t header = frame.storeHeaders + 12 * store;
        Area found;
        found.at = frame.payloadBase + SogouU32At(bytes, header);
        found.bytes = SogouU32At(bytes, header + 4);
        return found;
    };
    keyStore = area(0);
    wordRecordStore = area(frame.indexStores);
    readingStore = area(std::uint64_t{frame.indexStores} + frame.attributeStores);
    wordStore = area(std::uint64_t{frame.indexStores} + frame.attributeStores + 1);
    if (keyStore.at < frame.payloadBase + StoreBucketsBytes) return false;
    bucketsAt = keyStore.at - StoreBucketsBytes;
    nextBucket = 0;
    keysLeftInBucket = 0;
    nextWordRecord = -1;
    keyRecordsLeft = keyStore.bytes / StoreKeyRecordBytes;
    wordRecordsLeft = wordRecordStore.bytes / StoreWordRecordBytes;
    p2 = SogouU32At(bytes, byteCount - 20);
    p3 = SogouU32At(bytes, byteCount - 16);
    rotation = p2 % 8;
    return true;
}

DictionaryFileSogouBackup::Step DictionaryFileSogouBackup::NextStore(StoredEntry& stored)
{
    // Each turn takes a word record, a key record or a bucket, all of them counted.
    for (;;) {
        if (nextWordRecord >= 0) {
            if (wordRecordsLeft == 0 ||
                !wordRecordStore.Holds(static_cast<std::uint64_t>(nextWordRecord),
                                       StoreWordRecordBytes)) {
                return Step::Damaged;
            }
            --wordRecordsLeft;
            const std::uint64_t record = wordRecordStore.at + nextWordRecord;
            stored = currentKey;
            if (!TakeUnits(wordStore, SogouU32At(bytes, record), stored.word, stored.wordBytes)) {
                return Step::Damaged;
            }
            stored.frequency = SogouU16At(bytes, record + 4);
            const std::uint32_t p1 = SogouU16At(bytes, record + 12);
            stored.wordKey = static_cast<std::uint16_t>(4 * (p1 + p2) + 4 * (p1 + p3));
            nextWordRecord = I32At(bytes, record + 18);
            return nextWordRecord < -1 ? Step::Damaged : Step::Entry;
        }
        if (keysLeftInBucket == 0) {
            if (nextBucket == StoreBuckets) return Step::End;
            const std::uint64_t bucket = bucketsAt + StoreBucketBytes * std::uint64_t{nextBucket++};
            const std::uint32_t offset = SogouU32At(bytes, bucket);
            const std::int32_t count = I32At(bytes, bucket + 4);
            if (count < 0 || static_cast<std::uint32_t>(count) > keyRecordsLeft ||
                !keyStore.Holds(offset, StoreKeyRecordBytes * std::uint64_t(count))) {
                return Step::Damaged;
            }
            keyRecordsLeft -= static_cast<std::uint32_t>(count);
            keysLeftInBucket = static_cast<std::uint32_t>(count);
            nextKeyAt = keyStore.at + offset;
            continue;
        }
        --keysLeftInBucket;
        const std::uint32_t key = nextKeyAt;
        nextKeyAt += StoreKeyRecordBytes;
        nextWordRecord = I32At(bytes, key + 4);
        if (nextWordRecord < -1 || !TakeReading(readingStore, SogouU32At(bytes, key), currentKey)) {
            return Step::Damaged;
        }
    }
}
