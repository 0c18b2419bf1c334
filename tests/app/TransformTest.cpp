// One Sogou-to-Kestrix transfer through the installed stand-ins: the real export process and
// the real IME escape.
#include "app/Transform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "tests/app/TransferFixture.h"
#include "tests/hardening/FaultScene.h"
#include "tests/support/PrefixInstall.h"

// A small address space that a test sets: while a budget holds, this program's allocations
// through new fail once they would hold more than that many bytes beyond what was held at its
// start, as a 32-bit program's do once its 2 GiB are taken. The blocks keep their size in
// front of them, for delete to give it back.
namespace {

std::atomic<std::size_t> heldBytes{0};
std::atomic<std::size_t> heldLimit{SIZE_MAX};

struct alignas(std::max_align_t) BlockHeader {
    std::size_t size;
};

class AllocationBudget {
public:
    explicit AllocationBudget(std::size_t bytes) { heldLimit = heldBytes + bytes; }
    ~AllocationBudget() { heldLimit = SIZE_MAX; }
    AllocationBudget(const AllocationBudget&) = delete;
    AllocationBudget& operator=(const AllocationBudget&) = delete;
};

}  // namespace

void* operator new(std::size_t size)
{
    if (heldBytes.fetch_add(size) + size > heldLimit || size > SIZE_MAX - sizeof(BlockHeader)) {
        heldBytes -= size;
        throw std::bad_alloc();
    }
    auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
    if (header == nullptr) {
        heldBytes -= size;
        throw std::bad_alloc();
    }
    header->size = size;
    return header + 1;
}

void operator delete(void* block) noexcept
{
    if (block == nullptr) return;
    BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
    heldBytes -= header->size;
    std::free(header);
}

void* operator new[](std::size_t size)
{
    return operator new(size);
}
void operator delete[](void* block) noexcept
{
    operator delete(block);
}
void operator delete(void* block, std::size_t) noexcept
{
    operator delete(block);
}
void operator delete[](void* block, std::size_t) noexcept
{
    operator delete(block);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return operator new(size, std::nothrow);
}

void operator delete(void* block, const std::nothrow_t&) noexcept
{
    operator delete(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept
{
    operator delete(block);
}

// Names the outcome in a failure message.
void PrintTo(TransferOutcome outcome, std::ostream* out)
{
    static const char* const names[] = {"Transferred",   "NoEntry",   "ExportTimedOut",
                                        "FileNotReadable", "NoneTaken", "ImportFileFailed",
                                        "ImportRefused"};
    *out << names[static_cast<int>(outcome)];
}

namespace {

using testsupport::FileExists;

constexpr char FailureLine[] = "dictionary transform failed\n";

class TransformEndToEnd : public testing::Test {
protected:
    // Runs one job to its end and checks that destroying it removes both temporary files.
    TransferOutcome RunJob(std::unique_ptr<Transform> job = nullptr)
    {
        if (!job) job = std::make_unique<Transform>(IME_TYPE_SOGOU, IME_TYPE_KESTRIX);
        testing::internal::CaptureStdout();
        const TransferOutcome outcome = job->Run();
        printed = testing::internal::GetCapturedStdout();
        readCount = job->ReadCount();
        writtenCount = job->WrittenCount();
        if (outcome == TransferOutcome::Transferred) job->GetResultText(resultText);
        job.reset();
        EXPECT_FALSE(FileExists(temp->Directory() + L"sogou.tmp"));
        EXPECT_FALSE(FileExists(temp->Directory() + L"kestrix.tmp"));
        return outcome;
    }

    std::unique_ptr<testsupport::TempDirectoryOverride> temp =
        std::make_unique<testsupport::TempDirectoryOverride>(L"C:\\LexiferryTest\\Temp");
    std::string printed;
    std::uint32_t readCount = 0;
    std::int32_t writtenCount = 0;
    std::wstring resultText;
};

TEST_F(TransformEndToEnd, RealisticExportArrivesInTheImeExactly)
{
    const testsupport::TransferFixture& fixture = testsupport::RealisticExport();
    testsupport::SogouToolInstall sogou;
    sogou.SetExportLines(fixture.exportLines);
    sogou.SetBehaviour({.delayMs = 200});
    testsupport::KestrixImeInstall kestrix;

    // A file left by an abandoned run is removed before the tool runs.
    ASSERT_TRUE(testsupport::WriteFileBytes(temp->Directory() + L"sogou.tmp", "stale"));
    ASSERT_EQ(TransferOutcome::Transferred, RunJob());
    EXPECT_FALSE(sogou.ExportExistedAtStart());
    EXPECT_EQ(sogou.ToolDirectory() + L"sgtool.exe --appid=userdict --export " + temp->Directory() +
                  L"sogou.tmp",
              sogou.ReceivedCommandLine());

    EXPECT_EQ(static_cast<std::uint32_t>(fixture.entryCount), readCount);
    EXPECT_EQ(fixture.acceptedCount, writtenCount);
    EXPECT_EQ(testsupport::AnsiBytes(fixture.expectedImport), kestrix.ReceivedBytes());
    EXPECT_EQ(std::vector<std::wstring>{temp->Directory() + L"kestrix.tmp"},
              kestrix.ReceivedPaths());
    const std::wstring expected = testsupport::ExpectedResultText(fixture.acceptedCount);
    EXPECT_EQ(expected, resultText);
    EXPECT_EQ(expected.size(), resultText.size());
    EXPECT_EQ("", printed);
}

TEST_F(TransformEndToEnd, InstallationAndTemporaryDirectoryWithSpaces)
{
    temp.reset();
    temp = std::make_unique<testsupport::TempDirectoryOverride>(L"C:\\LexiferryTest\\Li Lei\\Temp");
    testsupport::SogouToolInstall sogou(L"C:\\LexiferryTest\\Program Files (x86)\\SogouInput");
    sogou.SetExportLines({L"'ni'hao \x4F60\x597D"});
    testsupport::KestrixImeInstall kestrix;
    // An unquoted program path would start this one instead (Wine does that, too).
    ASSERT_TRUE(CopyFileW((testsupport::StandinDirectory() + L"sgtool.exe").c_str(),
                          L"C:\\LexiferryTest\\Program.exe", FALSE));

    const TransferOutcome outcome = RunJob();
    const bool decoyRan = FileExists(L"C:\\LexiferryTest\\sgtool.cmdline");
    DeleteFileW(L"C:\\LexiferryTest\\Program.exe");
    DeleteFileW(L"C:\\LexiferryTest\\sgtool.cmdline");
    DeleteFileW(L"C:\\LexiferryTest\\sgtool.log");
    ASSERT_EQ(TransferOutcome::Transferred, outcome);
    EXPECT_FALSE(decoyRan);
    EXPECT_EQ(L"\"" + sogou.ToolDirectory() + L"sgtool.exe\" --appid=userdict --export \"" +
                  temp->Directory() + L"sogou.tmp\"",
              sogou.ReceivedCommandLine());
    EXPECT_EQ(testsupport::AnsiBytes(L"\x4F60\x597D\t1\tni hao\r\n"), kestrix.ReceivedBytes());
    EXPECT_EQ(testsupport::ExpectedResultText(1), resultText);
}

TEST_F(TransformEndToEnd, ExportThatCannotRunFailsSilently)
{
    testsupport::KestrixImeInstall kestrix;
    EXPECT_EQ(TransferOutcome::NoEntry, RunJob());  // no Sogou installation key
    {
        testsupport::SogouToolInstall sogou;
        ASSERT_TRUE(DeleteFileW((sogou.ToolDirectory() + L"sgtool.exe").c_str()));
        EXPECT_EQ(TransferOutcome::NoEntry, RunJob());
    }
    {
        // A whole export, but the tool was ended by a fault: nothing it wrote is trusted.
        testsupport::SogouToolInstall sogou;
        sogou.SetExportLines({L"'ni'hao \x4F60\x597D"});
        for (unsigned status : {0xC06D007Eu, 0xC0150002u, 0xE0434352u, 0xC0000005u, 0xC0000409u,
                                0xE06D7363u, 0x80000003u}) {
            SCOPED_TRACE(testing::Message() << "exit status 0x" << std::hex << status);
            sogou.SetBehaviour({.exitCode = status});
            EXPECT_EQ(TransferOutcome::NoEntry, RunJob());
        }
    }
    EXPECT_EQ("", printed);
    EXPECT_EQ(0u, readCount);
    EXPECT_TRUE(kestrix.ReceivedPaths().empty());
}

TEST_F(TransformEndToEnd, ExportWithoutEntriesReportsOnStandardOutput)
{
    testsupport::SogouToolInstall sogou;
    testsupport::KestrixImeInstall kestrix;
    sogou.SetExportLines({L"'ni'hao \x4F60\x597D"});

    // Writes nothing: the stale file of an earlier run must not be read instead.
    sogou.SetBehaviour({.write = false, .exitCode = 3});
    ASSERT_TRUE(testsupport::WriteFileBytes(temp->Directory() + L"sogou.tmp",
                                            testsupport::Utf16Export({L"'jiu'de \x65E7\x7684"})));
    EXPECT_EQ(TransferOutcome::NoEntry, RunJob());
    EXPECT_EQ(FailureLine, printed);

    sogou.SetBehaviour({});
    const struct {
        std::string content;
        TransferOutcome outcome;
    } exports[] = {
        {std::string(), TransferOutcome::NoEntry},
        {std::string("\xFF\xFE"), TransferOutcome::NoEntry},
        {testsupport::Utf16Export({L";only comments"}), TransferOutcome::NoEntry},
        // Entries, none that Kestrix takes.
        {testsupport::Utf16Export({L"'de \x7684", L"'T'xu T\x6064", L"broken"}),
         TransferOutcome::NoneTaken},
    };
    for (const auto& [content, outcome] : exports) {
        SCOPED_TRACE("an export of " + std::to_string(content.size()) + " bytes");
        sogou.SetExport(content);
        EXPECT_EQ(outcome, RunJob());
        EXPECT_EQ(FailureLine, printed);
        EXPECT_EQ(0, writtenCount);
    }
    EXPECT_EQ(2u, readCount);  // the last export held two entries, both refused
    EXPECT_TRUE(kestrix.ReceivedPaths().empty());
}

TEST_F(TransformEndToEnd, OddExportsStillTransferWhatTheyHold)
{
    testsupport::SogouToolInstall sogou;
    testsupport::KestrixImeInstall kestrix;
    // UTF-8 with its mark, as some tools write.
    sogou.SetExport("\xEF\xBB\xBF'ni'hao \xE4\xBD\xA0\xE5\xA5\xBD\r\n");
    ASSERT_EQ(TransferOutcome::Transferred, RunJob());
    EXPECT_EQ(1, writtenCount);
    // No mark, and exit codes of the tool's own that nobody consults: -1 (0xFFFFFFFF) has both
    // top bits set, as a crash's status has, and is still no crash.
    sogou.SetExport(testsupport::Utf16Export({L"'zai'jian \x518D\x89C1"}).substr(2));
    for (unsigned status : {1u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(testing::Message() << "exit code 0x" << std::hex << status);
        sogou.SetBehaviour({.exitCode = status});
        ASSERT_EQ(TransferOutcome::Transferred, RunJob());
    }
    const std::wstring zaijian = L"\x518D\x89C1\t1\tzai jian\r\n";
    EXPECT_EQ(testsupport::AnsiBytes(L"\x4F60\x597D\t1\tni hao\r\n" + zaijian + zaijian),
              kestrix.ReceivedBytes());
}

TEST_F(TransformEndToEnd, ImportThatFailsIsReportedAsFailure)
{
    testsupport::SogouToolInstall sogou;
    sogou.SetExportLines({L"'ni'hao \x4F60\x597D", L"'zai'jian \x518D\x89C1"});
    // The file is whole either way: no IME took it.
    EXPECT_EQ(TransferOutcome::ImportRefused, RunJob());  // no Kestrix layout
    EXPECT_EQ(2, writtenCount);
    {
        testsupport::KestrixImeInstall kestrix;
        kestrix.SetRefuse(true);
        EXPECT_EQ(TransferOutcome::ImportRefused, RunJob());
        EXPECT_EQ(1u, kestrix.ReceivedPaths().size());
        EXPECT_EQ("", kestrix.ReceivedBytes());
    }
    {
        // The IME file name is compared without regard to ASCII case.
        testsupport::KestrixImeInstall kestrix(L"E0F00804", L"KESTRIXpinyin2.IME");
        EXPECT_EQ(TransferOutcome::Transferred, RunJob());
    }
    EXPECT_EQ("", printed);
}

// Windows' "use Unicode UTF-8 for worldwide language support" makes the ANSI code page UTF-8,
// which holds every character: only a lone surrogate, which is no character, keeps its entry
// out, and the entries refused for what they are stay refused. The real program runs in a
// process of its own, since a process's ANSI code page is fixed at its start.
TEST_F(TransformEndToEnd, UnderTheUtf8AnsiCodePageEveryCharacterArrivesInUtf8)
{
    struct Line {
        const wchar_t* text;
        const wchar_t* imported;  // null when the entry must be refused
    };
    const Line lines[] = {
        {L";\x641C\x72D7\x7528\x6237\x8BCD\x5E93 export", nullptr},
        {L"'ni'hao \x4F60\x597D", L"\x4F60\x597D\t1\tni hao"},
        {L"'han'guo \xD55C\xAD6D", L"\xD55C\xAD6D\t1\than guo"},  // Hangul: not in 936
        {L"'gao \x9AD8\xD800", nullptr},                          // a lone high surrogate
        {L"'zi'zi \xD840\xDC00\xD840\xDC00", L"\xD840\xDC00\xD840\xDC00\t1\tzi zi"},
        {L"'di'di \xDC00\x4F4E", nullptr},         // a lone low surrogate
        {L"'fan'le \x53CD\xDC00\xD800", nullptr},  // a pair the wrong way round
        {L"'de \x7684", nullptr},                  // one character
        {L"'T'xu T\x6064", nullptr},               // an ASCII letter
        {L"'zhi'biao \x5236\t\x8868", nullptr},    // a TAB would break the line
        {L"'a \x554A\x554A", nullptr},             // a one-unit reading
        {L"'ou'yuan \x20AC\x00E9\x0101\x0416", L"\x20AC\x00E9\x0101\x0416\t1\tou yuan"},
        {L"'zai'jian \x518D\x89C1", L"\x518D\x89C1\t1\tzai jian"},
    };
    std::vector<std::wstring> exportLines;
    std::wstring expected;
    for (const Line& line : lines) {
        exportLines.push_back(line.text);
        if (line.imported != nullptr) expected += std::wstring(line.imported) + L"\r\n";
    }
    temp.reset();
    hardening::FaultScene scene;
    scene.Sogou().SetExportLines(exportLines);
    // As Windows' option gives it: a locale without an ANSI code page of its own makes Wine
    // take 65001; LANG keeps the user locale Chinese, and FC_LANG keeps Chinese fonts.
    scene.UseUnixLocale("LC_CTYPE=hi_IN.UTF-8 LANG=zh_CN.UTF-8 FC_LANG=zh-cn");
    const hardening::RunResult result = scene.Run();
    EXPECT_STREQ(hardening::SeenName(hardening::Seen::Success), hardening::SeenName(result.seen));
    EXPECT_TRUE(result.exitedWithZero);
    EXPECT_TRUE(hardening::SameBytes(testsupport::Utf8Bytes(expected), result.imported));
    EXPECT_TRUE(result.leftInTemp.empty());
}

// The user's file read with little memory to spare: a file whose first line is most of it is
// held once (and decoded once), never as a line, a word and an import line besides; and where
// memory runs out all the same, the transfer ends with the side it ran out on, not in the
// runtime's box, and nothing read so far is imported.
TEST_F(TransformEndToEnd, MemoryThatRunsOutEndsTheTransferWithItsCause)
{
    testsupport::KestrixImeInstall kestrix;
    const std::wstring path = temp->Directory() + L"user dictionary.txt";
    const auto utf16 = [](const std::wstring& text) {
        return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    };
    const std::string utf16Mark = "\xFF\xFE";
    const std::string zhong16 = utf16(L"\x4E2D");
    const std::string zhong8 = "\xE4\xB8\xAD";
    constexpr std::size_t budget = 48u << 20;
    const struct {
        const char* name;
        std::string head;  // then unit, units times, then tail
        std::string unit;
        std::size_t units;
        std::string tail;
        std::size_t budget;   // bytes held at once
        bool besidesTheFile;  // or that many besides the file's
        TransferOutcome outcome;
        std::uint32_t readCount;
    } rows[] = {
        // The file takes seven eighths of the budget: it fits once, and it is more than twice
        // what could be copied three times. Its long line is one malformed line, never copied,
        // and the entry after it is read and imported: a copy of the line would have run out.
        {"UTF-16LE, a long line", utf16Mark + utf16(L"'a "), zhong16, budget / 8 * 7 / 2,
         utf16(L"\r\n'ni'hao \x4F60\x597D"), budget, false, TransferOutcome::Transferred, 1},
        // Held once and decoded once (two bytes of three), as a whole line could not be.
        {"UTF-8, a long line", "'a ", zhong8, budget / 2 / 3,
         "\r\n'ni'hao \xE4\xBD\xA0\xE5\xA5\xBD", budget, false, TransferOutcome::Transferred, 1},
        {"UTF-8 too large to be decoded", "'a ", zhong8, budget / 10 * 7 / 3, "", budget, false,
         TransferOutcome::NoEntry, 0},
        // No room for the first line, after the file and the import file were made.
        {"a line", utf16Mark + utf16(L"'chang "), zhong16, 2000, utf16(L"\r\n'ni'hao \x4F60\x597D"),
         3 << 10, true, TransferOutcome::NoEntry, 0},
        // Room for the import file's lines, not for their bytes.
        {"the import file's block", "'ni'hao ", zhong8, 2, "", 32 << 10, true,
         TransferOutcome::ImportFileFailed, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::size_t fileBytes = 0;
        {
            std::string bytes = row.head;
            bytes.reserve(bytes.size() + row.unit.size() * row.units + row.tail.size());
            for (std::size_t i = 0; i < row.units; ++i) bytes += row.unit;
            bytes += row.tail;
            ASSERT_TRUE(testsupport::WriteFileBytes(path, bytes));
            fileBytes = bytes.size();
        }
        auto job = std::make_unique<Transform>(path, IME_TYPE_KESTRIX);
        testing::internal::CaptureStdout();
        TransferOutcome outcome = TransferOutcome::Transferred;
        {
            const AllocationBudget held(row.besidesTheFile ? fileBytes + row.budget : row.budget);
            outcome = job->Run();
        }
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(row.outcome, outcome);
        EXPECT_EQ(row.readCount, job->ReadCount());
        EXPECT_EQ(outcome == TransferOutcome::Transferred ? 1 : 0, job->WrittenCount());
        job.reset();
        EXPECT_FALSE(FileExists(temp->Directory() + L"kestrix.tmp"));
    }
    // Only the two entries after a long line.
    EXPECT_EQ(2u, kestrix.ReceivedPaths().size());

    // Room for the whole import file, not for what the import itself holds (the list of the
    // keyboard layouts that it looks for Kestrix in): the least memory in which the file is
    // made whole runs out in the import, which is the import's failure, not the file's.
    ASSERT_TRUE(testsupport::WriteFileBytes(path, "'ni'hao \xE4\xBD\xA0\xE5\xA5\xBD"));
    const auto outcomeWith = [&](std::size_t bytes) {
        Transform job(path, IME_TYPE_KESTRIX);
        testing::internal::CaptureStdout();
        TransferOutcome outcome = TransferOutcome::Transferred;
        {
            const AllocationBudget held(bytes);
            outcome = job.Run();
        }
        testing::internal::GetCapturedStdout();
        return outcome;
    };
    std::size_t tooLittle = 32u << 10;  // the file's block does not fit
    std::size_t enough = 4u << 20;
    ASSERT_EQ(TransferOutcome::ImportFileFailed, outcomeWith(tooLittle));
    ASSERT_EQ(TransferOutcome::Transferred, outcomeWith(enough));
    while (enough - tooLittle > 1) {
        const std::size_t middle = tooLittle + (enough - tooLittle) / 2;
        (outcomeWith(middle) == TransferOutcome::ImportFileFailed ? tooLittle : enough) = middle;
    }
    EXPECT_EQ(TransferOutcome::ImportRefused, outcomeWith(enough))
        << "with " << enough << " bytes, the least in which the import file is made";
    DeleteFileW(path.c_str());
}

TEST_F(TransformEndToEnd, DestinationThatCannotBeMadeStillRemovesTheExport)
{
    testsupport::SogouToolInstall sogou;
    sogou.SetExportLines({L"'ni'hao \x4F60\x597D"});
    EXPECT_EQ(TransferOutcome::ImportFileFailed,
              RunJob(std::make_unique<Transform>(IME_TYPE_SOGOU, IME_TYPE_QQ)));
    EXPECT_FALSE(sogou.ReceivedCommandLine().empty());
    EXPECT_EQ("", printed);
}

}  // namespace
