// Thousands of seeded exports, well-formed and spoilt, through the real Sogou reader and the
// real Kestrix writer in this process. Whatever an export holds, every import line is
// well-formed and comes from one export line, in export order; every line that the generator
// made to arrive does; and the writer's count is the import's.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <regex>

#include "dict/CreateDictionaryFile.h"
#include "tests/dict/FixtureFile.h"
#include "tests/hardening/RandomExport.h"
#include "tests/support/PrefixInstall.h"
#include "tests/support/ProcessTempDirectory.h"

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

}  // namespace
}  // namespace hardening
