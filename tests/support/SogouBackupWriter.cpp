#include "tests/support/SogouBackupWriter.h"

#include <cstddef>

namespace testsupport {

namespace {

void PutU16(std::string& bytes, std::uint32_t value)
{
    bytes.push_back(static_cast<char>(value & 0xFF));
    bytes.push_back(static_cast<char>(value >> 8 & 0xFF));
}

void PutU32(std::string& bytes, std::uint32_t value)
{
    PutU16(bytes, value & 0xFFFF);
    PutU16(bytes, value >> 16);
}

void SetU32(std::string& bytes, std::size_t at, std::uint32_t value)
{
    std::string field;
    PutU32(field, value);
    bytes.replace(at, 4, field);
}

std::uint32_t Size(const std::string& bytes)
{
    return static_cast<std::uint32_t>(bytes.size());
}

// The length in bytes, then the units.
void PutUnits(std::string& bytes, const std::vector<std::uint16_t>& units)
{
    PutU16(bytes, static_cast<std::uint32_t>(2 * units.size()));
    for (std::uint16_t unit : units) PutU16(bytes, unit);
}

std::vector<std::uint16_t> UnitsOf(const std::wstring& word)
{
    return std::vector<std::uint16_t>(word.begin(), word.end());
}

}  // namespace

std::string SgpuBackup(const std::vector<BackupEntry>& entries)
{
    std::string data;
    std::vector<std::uint32_t> index;
    for (const BackupEntry& entry : entries) {
        index.push_back(Size(data));
        PutU16(data, entry.frequency);
        PutU16(data, entry.flags);
        data += std::string("\x00\x00\xFE\x07\x02", 5);
        PutUnits(data, entry.syllables);
        PutU16(data,
               static_cast<std::uint32_t>(2 * entry.word.size() + 2 * entry.syllables.size() + 4));
        PutUnits(data, UnitsOf(entry.word));
        PutUnits(data, entry.syllables);
    }
    std::string bytes = "SGPU" + std::string(0x4C, '\0');
    const std::uint32_t indexAt = 0x50;
    const std::uint32_t indexCapacity = 4 * (static_cast<std::uint32_t>(index.size()) + 3);
    const std::uint32_t dataAt = indexAt + indexCapacity;
    const std::uint32_t dataCapacity = Size(data) + 64;  // room to spare, as Sogou leaves
    SetU32(bytes, 0x10, dataAt + dataCapacity);
    SetU32(bytes, 0x38, indexAt);
    SetU32(bytes, 0x3C, indexCapacity);
    SetU32(bytes, 0x40, static_cast<std::uint32_t>(index.size()));
    SetU32(bytes, 0x44, dataAt);
    SetU32(bytes, 0x48, dataCapacity);
    SetU32(bytes, 0x4C, Size(data));
    for (std::uint32_t offset : index) PutU32(bytes, offset);
    bytes.resize(dataAt, '\0');
    return bytes + data + std::string(dataCapacity - Size(data), '\0');
}

std::string StoreBackup(const std::vector<BackupEntry>& entries, std::uint32_t p2, std::uint32_t p3,
                        std::uint16_t firstP1, StoreParts* parts)
{
    // The keys: each reading once, with the entries of its chain.
    std::vector<std::vector<std::size_t>> chains;
    std::vector<const std::vector<std::uint16_t>*> readings;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::size_t key = 0;
        while (key < readings.size() && *readings[key] != entries[i].syllables) ++key;
        if (key == readings.size()) {
            readings.push_back(&entries[i].syllables);
            chains.emplace_back();
        }
        chains[key].push_back(i);
    }

    std::string keyRecords;
    std::string wordRecords;
    std::string readingData;
    std::string wordData;
    const unsigned rotation = p2 % 8;
    std::uint16_t p1 = firstP1;
    for (std::size_t key = 0; key < readings.size(); ++key) {
        PutU32(keyRecords, Size(readingData));
        PutU32(keyRecords, Size(wordRecords));
        PutUnits(readingData, *readings[key]);
        for (std::size_t link = 0; link < chains[key].size(); ++link) {
            const BackupEntry& entry = entries[chains[key][link]];
            const std::uint32_t mask = (4 * (p1 + p2) + 4 * (p1 + p3)) & 0xFFFF;
            std::vector<std::uint16_t> scrambled;
            for (wchar_t unit : entry.word) {
                const std::uint32_t value = (static_cast<std::uint32_t>(unit) ^ mask) & 0xFFFF;
                scrambled.push_back(static_cast<std::uint16_t>(
                    rotation == 0 ? value : (value << rotation | value >> (16 - rotation))));
            }
            PutU32(wordRecords, Size(wordData));
            PutUnits(wordData, scrambled);
            PutU16(wordRecords, entry.frequency);
            PutU16(wordRecords, entry.flags);
            PutU32(wordRecords, 0);
            PutU16(wordRecords, p1++);
            PutU32(wordRecords, 0);
            const bool last = link + 1 == chains[key].size();
            PutU32(wordRecords, last ? 0xFFFFFFFF : Size(wordRecords) + 4);
        }
    }
    std::string buckets;
    std::size_t key = 0;
    for (std::size_t bucket = 0; bucket < 500; ++bucket) {
        const std::size_t end = (bucket + 1) * readings.size() / 500;
        PutU32(buckets, static_cast<std::uint32_t>(8 * key));
        PutU32(buckets, static_cast<std::uint32_t>(end - key));
        key = end;
    }

    // The one configuration: K = 1, A = 1, X = 2; C = 72.
    std::string bytes;
    PutU32(bytes, 0);
    PutU32(bytes, 72);
    PutU32(bytes, 1);
    PutU32(bytes, 1);
    PutU32(bytes, 2);
    for (std::uint32_t value : {2, 8, 10, 0, 6, 6, 7, 6, 6, 6}) PutU16(bytes, value);
    for (std::uint32_t value : {0, 0, 0, 0, 7, 0, 1, 0, 0, 0}) PutU32(bytes, value);
    const std::string* stores[] = {&keyRecords, &wordRecords, &readingData, &wordData};
    std::uint32_t payload = 4000;
    std::string headers;
    for (const std::string* store : stores) {
        PutU32(headers, payload);
        PutU32(headers, Size(*store) + 16);  // room to spare
        PutU32(headers, Size(*store));
        payload += Size(*store) + 16;
    }
    for (std::uint32_t value : {1u, 1u, payload, 1u, 1u, 2u}) PutU32(bytes, value);
    bytes += headers;
    const std::uint32_t base = Size(bytes);
    if (parts != nullptr) {
        parts->buckets = base;
        std::uint32_t at = base + 4000;
        std::uint32_t* starts[] = {&parts->keyRecords, &parts->wordRecords, &parts->readings,
                                   &parts->words};
        for (std::size_t i = 0; i < 4; ++i) {
            *starts[i] = at;
            at += Size(*stores[i]) + 16;
        }
    }
    bytes += buckets;
    for (const std::string* store : stores) bytes += *store + std::string(16, '\0');
    std::string trailer(80, '\0');
    SetU32(trailer, 60, p2);
    SetU32(trailer, 64, p3);
    return bytes + trailer;
}

}  // namespace testsupport
