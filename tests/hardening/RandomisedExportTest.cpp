// Thousands of seeded exports, well-formed and spoilt, through the real Sogou reader and the
// real Kestrix writer in this process. Whatever an export holds, the reader yields exactly
// the entries it holds, the writer writes exactly the entries it may take, each as one line
// of the import format, and refuses the others for a reason.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "dict/CreateDictionaryFile.h"
#include "tests/dict/FixtureFile.h"
#include "tests/hardening/RandomExport.h"
#include "tests/support/PrefixInstall.h"
#include "tests/support/ProcessTempDirectory.h"

namespace hardening {
namespace {

constexpr unsigned CaseCount = 4000;
constexpr std::mt19937::result_type Seed = 20240607;

std::wstring FromAnsi(const std::string& bytes)
{
    if (bytes.empty()) return {};
    const int units =
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(units > 0 ? units : 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                        units);
    return text;
}

// Word TAB 1 TAB reading CR LF, with no line end or column separator inside either field.
bool HasImportShape(const std::wstring& line)
{
    const std::size_t tab = line.find(L'\t');
    return line.size() >= 4 && line.compare(line.size() - 2, 2, L"\r\n") == 0 &&
           tab != std::wstring::npos && line.compare(tab, 3, L"\t1\t") == 0 &&
           line.find_first_of(L"\t\r\n", tab + 3) == line.size() - 2 &&
           line.find_first_of(L"\r\n") == line.size() - 2;
}

struct CaseOutcome {
    std::vector<DictionaryEntry> read;
    std::vector<bool> accepted;
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
    while (source.ReadEntry(entry)) {
        outcome.read.push_back(entry);
        outcome.accepted.push_back(destination->WriteEntry(entry));
    }
    EXPECT_TRUE(destination->Flush());
    outcome.written = testsupport::ReadFileBytes(destination->Path());
    return outcome;
}

class RandomisedExports : public testing::Test {};

TEST_F(RandomisedExports, EveryEntryReadAsHeldAndWrittenOrRefusedForAReason)
{
    testsupport::ProcessTempDirectory temp(L"randomised");
    std::mt19937 random(Seed);
    std::size_t entries = 0;
    std::size_t written = 0;
    // Stops at the first case that fails: its number and the seed reproduce it.
    for (unsigned caseIndex = 0; caseIndex < CaseCount && !HasFailure(); ++caseIndex) {
        const std::string bytes = RandomExport(random);
        SCOPED_TRACE(testing::Message() << "case " << caseIndex << " of seed " << Seed);
        const CaseOutcome outcome = Transfer(bytes);

        const std::vector<DictionaryEntry> held = EntriesIn(bytes);
        ASSERT_EQ(held.size(), outcome.read.size());
        std::wstring expected;
        for (std::size_t i = 0; i < held.size(); ++i) {
            const DictionaryEntry& entry = outcome.read[i];
            EXPECT_TRUE(entry.pinyin == held[i].pinyin && entry.word == held[i].word &&
                        entry.weight == 1)
                << "entry " << i << " read other than it is held";
            const char* reason = RefusalReason(held[i]);
            EXPECT_EQ(reason == nullptr, outcome.accepted[i])
                << "entry " << i << (reason ? " taken despite: " : " refused without reason")
                << (reason ? reason : "");
            if (outcome.accepted[i]) {
                expected += held[i].word + L"\t1\t" + held[i].pinyin + L"\r\n";
                ++written;
            }
        }
        entries += held.size();

        // The import file holds exactly the accepted entries, in order, one line each.
        const std::wstring text = FromAnsi(outcome.written);
        EXPECT_TRUE(text == expected) << "the import file differs from the accepted entries";
        std::size_t lines = 0;
        for (std::size_t start = 0; start < text.size(); ++lines) {
            const std::size_t end = text.find(L"\r\n", start);
            const std::size_t next = end == std::wstring::npos ? text.size() : end + 2;
            EXPECT_TRUE(HasImportShape(text.substr(start, next - start))) << "line " << lines;
            start = next;
        }
        EXPECT_EQ(static_cast<std::size_t>(
                      std::count(outcome.accepted.begin(), outcome.accepted.end(), true)),
                  lines);
    }
    // The generator must really reach both sides of the filter.
    EXPECT_GT(entries, CaseCount * 5);
    EXPECT_GT(written, entries / 5);
    EXPECT_LT(written, entries * 4 / 5);
    RecordProperty("entries", static_cast<int>(entries));
    RecordProperty("written", static_cast<int>(written));
}

}  // namespace
}  // namespace hardening
