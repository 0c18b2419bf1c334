// Thousands of seeded exports, well-formed and spoilt, through the real Sogou reader and the
// real Kestrix writer in this process. Whatever an export holds, every import line is
// well-formed and comes from one export line, in export order; every line that the generator
// made to arrive does; and the writer's count is the import's. Thousands of seeded backups,
// spoilt, through the real backup reader: none crashes it, holds it, or has it read a byte
// past the file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <new>
#include <random>
#include <regex>

#include "dict/CreateDictionaryFile.h"
#include "tests/dict/FixtureFile.h"
#include "tests/hardening/RandomExport.h"
#include "tests/support/PrefixInstall.h"
#include "tests/support/ProcessTempDirectory.h"
#include "tests/support/SogouBackupWriter.h"

// While a backup is read, every array that is allocated without throwing (the file's content
// among them) ends right where a page that can't be read begins: a read past the content's
// end is an access violation, not a byte of the heap that goes unnoticed.
namespace {

constexpr std::size_t PageBytes = 4096;
bool guardArrays = false;
void* guarded[64] = {};  // the blocks handed out that way, to be given back the same way

void* GuardedBlock(std::size_t size)
{
    const std::size_t pages = (size + PageBytes - 1) / PageBytes + 1;
    auto* base = static_cast<unsigned char*>(
        VirtualAlloc(nullptr, pages * PageBytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old = 0;
    if (base == nullptr ||
        !VirtualProtect(base + (pages - 1) * PageBytes, PageBytes, PAGE_NOACCESS, &old)) {
        return nullptr;
    }
    return base + (pages - 1) * PageBytes - size;
}

bool ReleasedGuarded(void* block)
{
    for (void*& slot : guarded) {
        if (block != nullptr && slot == block) {
            MEMORY_BASIC_INFORMATION region{};
            VirtualQuery(block, &region, sizeof(region));
            VirtualFree(region.AllocationBase, 0, MEM_RELEASE);
            slot = nullptr;
            return true;
        }
    }
    return false;
}

}  // namespace

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    if (guardArrays) {
        for (void*& slot : guarded) {
            if (slot == nullptr) return slot = GuardedBlock(size == 0 ? 1 : size);
        }
    }
    return std::malloc(size == 0 ? 1 : size);
}
void operator delete[](void* block) noexcept
{
    if (!ReleasedGuarded(block)) std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept
{
    operator delete[](block);
}

namespace hardening {
namespace {

constexpr unsigned CaseCount = 4000;
constexpr std::mt19937::result_type Seed = 20240607;

std::wstring Decode(UINT codePage, const char* bytes, std::size_t size)
{
    if (size == 0) return {};
    const int units = MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(size), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(units > 0 ? units : 0), L'\0');
    MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(size), text.data(), units);
    return text;
}

// The export's text as the reader cuts it into lines, each between two CRs: UTF-8 after its
// mark, otherwise UTF-16LE after an optional mark, with every CR LF made one CR.
std::wstring ExportedLines(const std::string& bytes)
{
    std::wstring text;
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        text = Decode(CP_UTF8, &bytes[3], bytes.size() - 3);
    } else {
        for (std::size_t i = bytes.compare(0, 2, "\xFF\xFE") == 0 ? 2 : 0; i + 1 < bytes.size();
             i += 2) {
            text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                         static_cast<unsigned char>(bytes[i + 1]) << 8);
        }
    }
    for (std::size_t at = text.find(L"\r\n"); at != std::wstring::npos;
         at = text.find(L"\r\n", at + 1)) {
        text.erase(at + 1, 1);
    }
    return L"\r" + text + L"\r";
}

// Word TAB 1 TAB pinyin CR LF without any other control character; a word of two or more
// units without ASCII letters; a pinyin of two or more units.
const std::wregex ImportLine(
    L"([^\\x00-\\x1F\\x7F-\\x9FA-Za-z]{2,})\\t1\\t([^\\x00-\\x1F\\x7F-\\x9F]{2,})\\r\\n");

struct CaseOutcome {
    std::size_t read = 0;
    std::size_t accepted = 0;
    std::string written;
};

CaseOutcome Transfer(const std::string& bytes)
{
    CaseOutcome outcome;
    testsupport::FixtureSogouFile source(bytes);
    EXPECT_TRUE(source.Open());
    std::unique_ptr<DictionaryFileBase> destination =
        CreateDictionaryFile(IME_TYPE_KESTRIX, DictionaryFileMode::Write);
    EXPECT_NE(nullptr, destination);
    if (!destination) return outcome;
    DictionaryEntry entry;
    for (; source.ReadEntry(entry); ++outcome.read) {
        if (destination->WriteEntry(entry)) ++outcome.accepted;
    }
    EXPECT_TRUE(destination->Flush());
    outcome.written = testsupport::ReadFileBytes(destination->Path());
    return outcome;
}

class RandomisedExports : public testing::Test {};

TEST_F(RandomisedExports, EveryImportLineWellFormedFromOneExportLineAndNoneMissing)
{
    testsupport::ProcessTempDirectory temp(L"randomised");
    std::mt19937 random(Seed);
    std::size_t entries = 0;
    std::size_t written = 0;
    std::size_t mustArrive = 0;
    // Stops at the first case that fails: its number and the seed reproduce it.
    for (unsigned caseIndex = 0; caseIndex < CaseCount && !HasFailure(); ++caseIndex) {
        const RandomisedExport generated = RandomExport(random);
        SCOPED_TRACE(testing::Message() << "case " << caseIndex << " of seed " << Seed);
        const CaseOutcome outcome = Transfer(generated.bytes);
        const std::wstring exported = ExportedLines(generated.bytes);
        const std::wstring imported =
            Decode(CP_ACP, outcome.written.data(), outcome.written.size());

        std::size_t lines = 0;
        std::size_t arrived = 0;  // of the lines that must arrive
        std::size_t cursor = 0;  // in the export: the CR that ends the line of the last import line
        for (std::size_t start = 0; start < imported.size(); ++lines) {
            const std::size_t end = imported.find(L"\r\n", start);
            const std::size_t next = end == std::wstring::npos ? imported.size() : end + 2;
            const std::wstring line = imported.substr(start, next - start);
            start = next;
            std::wsmatch fields;
            ASSERT_TRUE(std::regex_match(line, fields, ImportLine))
                << "line " << lines << " malformed: " << testing::PrintToString(line);
            const std::wstring exportLine = L"\r" + SogouLine(fields[2], fields[1]) + L"\r";
            cursor = exported.find(exportLine, cursor);
            ASSERT_TRUE(cursor != std::wstring::npos)
                << "line " << lines << " comes from no export line after the one before it";
            cursor += exportLine.size() - 1;
            if (!generated.spoilt && arrived < generated.mustArrive.size() &&
                line == generated.mustArrive[arrived]) {
                ++arrived;
            }
        }
        EXPECT_EQ(outcome.accepted, lines) << "the writer's count differs from the import's";
        if (!generated.spoilt) {
            EXPECT_EQ(generated.mustArrive.size(), arrived)
                << "missing: " << testing::PrintToString(generated.mustArrive[arrived]);
            mustArrive += generated.mustArrive.size();
        }
        entries += outcome.read;
        written += lines;
    }
    // The generator must really reach both sides of the filter.
    EXPECT_GT(entries, CaseCount * 5);
    EXPECT_GT(mustArrive, entries / 8);
    EXPECT_GT(written, mustArrive);
    EXPECT_LT(written, entries * 4 / 5);
    RecordProperty("entries", static_cast<int>(entries));
    RecordProperty("written", static_cast<int>(written));
    RecordProperty("mustArrive", static_cast<int>(mustArrive));
}

// A backup of a few to some dozens of entries, of either layout, each spoilt a few times: its
// fields set to values at the edges of the file and past them, its bytes changed, its end cut.
std::string SpoiltBackup(std::mt19937& random, bool& spoilt)
{
    std::vector<testsupport::BackupEntry> entries(1 + random() % 40);
    for (testsupport::BackupEntry& entry : entries) {
        entry.syllables.resize(random() % 6);
        for (std::uint16_t& syllable : entry.syllables) {
            syllable = static_cast<std::uint16_t>(random() % 450);
        }
        entry.word.resize(random() % 5);
        for (wchar_t& unit : entry.word) unit = static_cast<wchar_t>(0x4E00 + random() % 0x5000);
        entry.frequency = static_cast<std::uint16_t>(random());
        entry.flags = static_cast<std::uint16_t>(random() % 6);
        // Several words under a reading.
        if (random() % 4 == 0) entry.syllables = entries.front().syllables;
    }
    std::string bytes =
        random() % 2 == 0 ? testsupport::SgpuBackup(entries)
                          : testsupport::StoreBackup(entries, static_cast<std::uint32_t>(random()),
                                                     static_cast<std::uint32_t>(random()));
    spoilt = random() % 10 != 0;
    const std::size_t spoils = spoilt ? 1 + random() % 4 : 0;
    for (std::size_t i = 0; i < spoils && !bytes.empty(); ++i) {
        const std::uint32_t size = static_cast<std::uint32_t>(bytes.size());
        const std::uint32_t values[] = {0,
                                        1,
                                        2,
                                        size / 2,
                                        size - 1,
                                        size,
                                        size + 1,
                                        0x7FFFFFFF,
                                        0xFFFFFFFF,
                                        0xFFFFFFFE,
                                        4000,
                                        22,
                                        static_cast<std::uint32_t>(random())};
        // The headers are where most fields are, so they are spoilt the most.
        const std::size_t at =
            random() % 2 == 0 ? random() % std::min<std::size_t>(size, 160) : random() % size;
        switch (random() % 5) {
            case 0:
                bytes.resize(random() % size);
                break;
            case 1:
                bytes[at] = static_cast<char>(random());
                break;
            case 2: {
                // A length: even, and long.
                const std::uint32_t value = random() % 2 == 0 ? 0xFFFE : random() & 0xFFFE;
                bytes[at & ~std::size_t{1}] = static_cast<char>(value);
                if ((at | 1) < bytes.size()) bytes[at | 1] = static_cast<char>(value >> 8);
                break;
            }
            default: {
                const std::uint32_t value = values[random() % (sizeof(values) / sizeof(values[0]))];
                for (std::size_t b = 0; b < 4 && at + b < bytes.size(); ++b) {
                    bytes[at + b] = static_cast<char>(value >> (8 * b));
                }
            }
        }
    }
    return bytes;
}

TEST_F(RandomisedExports, SpoiltBackupsNeverCrashHangOrReadPastTheFile)
{
    testsupport::ProcessTempDirectory temp(L"randomised");
    const std::wstring path = temp.Directory() + L"backup.bin";
    std::mt19937 random(Seed);
    std::size_t refused = 0;
    std::size_t read = 0;
    for (unsigned caseIndex = 0; caseIndex < 3000 && !HasFailure(); ++caseIndex) {
        SCOPED_TRACE(testing::Message() << "case " << caseIndex << " of seed " << Seed);
        bool spoilt = false;
        const std::string bytes = SpoiltBackup(random, spoilt);
        ASSERT_TRUE(testsupport::WriteFileBytes(path, bytes));
        bool refusedBackup = false;
        guardArrays = true;
        std::unique_ptr<DictionaryFileBase> file = OpenSogouUserFile(path.c_str(), refusedBackup);
        std::size_t entries = 0;
        for (DictionaryEntry entry; file && file->ReadEntry(entry);) {
            // Every entry takes bytes of its own in the file: more would be some read again.
            ASSERT_LE(++entries, bytes.size());
        }
        file.reset();
        guardArrays = false;
        EXPECT_TRUE(spoilt || (!refusedBackup && entries != 0));
        refused += refusedBackup ? 1 : 0;
        read += entries != 0 ? 1 : 0;
    }
    // Both sides must be reached: spoilt files refused, and others read.
    EXPECT_GT(refused, 1000u);
    EXPECT_GT(read, 300u);
    RecordProperty("refused", static_cast<int>(refused));
    RecordProperty("read", static_cast<int>(read));
}

}  // namespace
}  // namespace hardening
