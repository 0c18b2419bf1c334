// Sogou backups (.bin) of both layouts, written as the description of the files lays them out,
// for the tests and the benchmark. Plain C++ and Win32: the benchmark links it without the
// test library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct BackupEntry {
    std::vector<std::uint16_t> syllables;  // numbers in Sogou's table: 0 "a" ... 449 "#"
    std::wstring word;
    std::uint16_t frequency = 1;
    std::uint16_t flags = 0;
};

// The SGPU layout: records in the order given, and the index in that order too.
std::string SgpuBackup(const std::vector<BackupEntry>& entries);

// Where the store layout's parts lie, for tests that spoil one of them. Offsets from the file's
// start.
struct StoreParts {
    std::uint32_t buckets = 0;      // 500 of (offset, count)
    std::uint32_t keyRecords = 0;   // index store 0
    std::uint32_t wordRecords = 0;  // attribute store 0
    std::uint32_t readings = 0;     // data store 0
    std::uint32_t words = 0;        // data store 1
};

// The store layout of the one known configuration: one key per reading, in the order the
// readings first come, each with the chain of its words in the order given; the keys spread
// over the 500 buckets in that order (some buckets empty, several keys in one where there are
// more than 500). Words are scrambled with p2 and p3; the word records' p1 count up from
// firstP1.
std::string StoreBackup(const std::vector<BackupEntry>& entries, std::uint32_t p2 = 9739,
                        std::uint32_t p3 = 8684, std::uint16_t firstP1 = 10251,
                        StoreParts* parts = nullptr);

}  // namespace testsupport
