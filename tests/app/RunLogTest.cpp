// The quiet mode's log on a file that many PCs append to at once: real lexiferry.exe
// processes, each ending at once with code 1 while this test holds the single-instance mutex,
// append their lines while this process appends its own through the same code.
#include "app/RunLog.h"

#include "app/CommandLine.h"
#include "app/QuietRun.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "tests/hardening/FaultScene.h"
#include "tests/support/PrefixInstall.h"
#include "tests/ui/GuiDriver.h"

namespace {

const std::wstring LogFolder = L"C:\\LexiferryTest\\Shared Logs";

// A line the program wrote for a run that ended with code 1: eight fields, the fifth "1".
bool IsAnotherCopyLine(const std::string& line)
{
    const std::vector<std::string> fields = hardening::LogFields(line);
    return fields.size() == 8 && fields[0].size() == 20 && fields[4] == "1" && fields[5] == "0" &&
           fields[6] == "0";
}

// The line that the writer in this process appends as its number-th.
std::string OwnLine(int writer, int number)
{
    return "own line " + std::to_string(writer) + " " + std::to_string(number);
}

// Runs the quiet mode with the log; the exit code, or 1234 when it did not start or end in
// time. Wine now and then refuses a start among many busy threads (ERROR_INTERNAL_ERROR)
// before the program has run at all, which tells nothing of the program: it is tried again.
DWORD RunQuietWithLog(const std::wstring& log, DWORD timeoutMs = 20000)
{
    gui::Program program;
    for (int attempt = 0;
         !program.Start(gui::BuildPath(L"lexiferry.exe"), L"/quiet \"/log:" + log + L"\"");
         ++attempt) {
        if (attempt == 3) return 1234;
        Sleep(100);
    }
    DWORD exitCode = 1234;
    return program.WaitForExit(timeoutMs, exitCode) ? exitCode : 1234;
}

class SharedLog : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testsupport::CreateDirectoryPath(LogFolder));
        DeleteFileW(log.c_str());
        ASSERT_TRUE(mutex);
    }
    void TearDown() override { testsupport::RemoveDirectoryTree(LogFolder); }

    const std::wstring log = LogFolder + L"\\lexiferry.log";
    // Every quiet run then ends at once, as a second copy, and still writes its line.
    win::unique_handle mutex{CreateMutexW(nullptr, TRUE, L"lexiferry_mutex")};
};

TEST_F(SharedLog, LinesAppendedByManyProcessesAtOnceAllArriveWhole)
{
    // Writers in this process append numbered lines without a pause for as long as the
    // programs run: a writer that placed its line at an end it had read first would overwrite
    // or split lines here. Enough of them that such a race happens many times over.
    constexpr int ownWriters = 4;
    std::atomic<bool> stop = false;
    std::vector<int> ownLines(ownWriters, 0);
    std::vector<std::thread> own;
    for (int writer = 0; writer < ownWriters; ++writer) {
        own.emplace_back([&stop, &ownLines, writer, this] {
            const RunLog shared(log);
            while (!stop) {
                if (!shared.AppendBytes(OwnLine(writer, ownLines[writer]) + "\r\n")) break;
                ++ownLines[writer];
            }
        });
    }
    constexpr int runsPerStream = 12;
    std::vector<DWORD> codes[2];
    std::thread streams[2];
    for (int stream = 0; stream < 2; ++stream) {
        streams[stream] = std::thread([&codes, stream, this] {
            for (int i = 0; i < runsPerStream; ++i) codes[stream].push_back(RunQuietWithLog(log));
        });
    }
    for (std::thread& stream : streams) stream.join();
    stop = true;
    for (std::thread& writer : own) writer.join();

    for (const auto& codesOfStream : codes) {
        for (DWORD code : codesOfStream) EXPECT_EQ(1u, code);
    }
    const std::string content = testsupport::ReadFileBytes(log);
    ASSERT_EQ("\r\n", content.substr(content.size() - 2));
    int programLines = 0;
    std::vector<int> nextOwn(ownWriters, 0);
    int torn = 0;
    for (const std::string& line : hardening::LogLines(content)) {
        bool ownLine = false;
        for (int writer = 0; writer < ownWriters && !ownLine; ++writer) {
            ownLine = line == OwnLine(writer, nextOwn[writer]);
            if (ownLine) ++nextOwn[writer];
        }
        if (ownLine) continue;
        if (IsAnotherCopyLine(line)) {
            ++programLines;
        } else if (++torn <= 5) {
            ADD_FAILURE() << "a torn, foreign or misplaced line: " << testing::PrintToString(line);
        }
    }
    EXPECT_EQ(0, torn) << "torn, foreign or misplaced lines";
    for (int writer = 0; writer < ownWriters; ++writer) {
        EXPECT_EQ(ownLines[writer], nextOwn[writer]) << "lines of writer " << writer << " lost";
        EXPECT_GT(ownLines[writer], 100) << "writer " << writer << " hardly wrote";
    }
    EXPECT_EQ(2 * runsPerStream, programLines) << "program lines lost";
}

// A command line that cannot be split into arguments: a deployment tool's run, with /quiet,
// ends at once as a usage error, with no log since none can be read; anything else gets the
// window, as it would split.
TEST(RunLogLine, NoneForACommandLineThatCannotBeSplit)
{
    const struct {
        const wchar_t* commandLine;
        bool quiet;
    } rows[] = {
        {L"\"C:\\Program Files\\Lexiferry\\lexiferry.exe\" /quiet \"/log:C:\\a b.log\"", true},
        {L"lexiferry.exe \"-QUIET\"", true},
        {L"lexiferry.exe /from:x.txt\t/Quiet", true},
        {L"lexiferry.exe", false},
        {L"\"C:\\x /quiet\\lexiferry.exe\" \"C:\\dropped file.txt\"", false},  // in the name
        {L"lexiferry.exe \"/quiet x\" /quieter quiet", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.commandLine)));
        const CommandLine unsplit = CommandLine::Unsplit(row.commandLine);
        EXPECT_EQ(row.quiet, unsplit.Quiet());
        EXPECT_TRUE(unsplit.LogPath().empty());
        EXPECT_EQ(row.quiet, unsplit.UsageError());
        if (row.quiet) {
            EXPECT_EQ(87, RunQuietly(unsplit, 0));
        }
    }
}

TEST(RunLogLine, StaysOneLineForEveryReader)
{
    // A path or an argument may hold anything: NEL (U+0085) ends a line for readers that know
    // Unicode, U+2028 and U+2029 for editors and viewers, and every C1 control is out of place.
    RunRecord record;
    record.exitCode = 4;
    record.sentence =
        L"the file C:\\a\x2028"
        L"b\x0085"
        L"c\x2029"
        L"d\x0080"
        L"e\x009F"
        L"f\t"
        L"g\r\nh\x00A0i.txt";
    const std::string line = RunLog::LineOf(record);
    ASSERT_EQ("\r\n", line.substr(line.size() - 2));
    const std::vector<std::string> lines = hardening::LogLines(line);
    ASSERT_EQ(1u, lines.size());
    const std::vector<std::string> fields = hardening::LogFields(lines[0]);
    ASSERT_EQ(8u, fields.size()) << line;
    // The no-break space is text, and stays.
    EXPECT_EQ("the file C:\\a b c d e f g  h\xC2\xA0i.txt", fields[7]);
}

TEST_F(SharedLog, ALogThatAnotherProgramHoldsGetsItsLineAtOnceIfSharedElseOnceItIsFree)
{
    {
        // Another PC's copy holds it open for appending, sharing it as the program does: the
        // line goes in at once, well within the time that the program waits for a holder.
        ASSERT_TRUE(testsupport::WriteFileBytes(log, "earlier line\r\n"));
        win::unique_hfile appender(CreateFileW(log.c_str(), FILE_APPEND_DATA,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                               OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(appender);
        EXPECT_EQ(1u, RunQuietWithLog(log));
        // The line is there while the other copy still holds the log: it went in beside it,
        // where a run that waited for the holder to let go would have given up without one.
        ASSERT_EQ(2u, hardening::LogLines(testsupport::ReadFileBytes(log)).size())
            << "no line while another copy holds the log";
        const std::string later = "later line\r\n";
        DWORD written = 0;
        EXPECT_TRUE(WriteFile(appender.get(), later.data(), static_cast<DWORD>(later.size()),
                              &written, nullptr));
        const std::vector<std::string> lines = hardening::LogLines(testsupport::ReadFileBytes(log));
        ASSERT_EQ(3u, lines.size());
        EXPECT_EQ("earlier line", lines[0]);
        EXPECT_TRUE(IsAnotherCopyLine(lines[1])) << lines[1];
        EXPECT_EQ("later line", lines[2]);
    }
    {
        // Held without sharing, as an editor may hold it, for a second.
        ASSERT_TRUE(testsupport::WriteFileBytes(log, "earlier line\r\n"));
        win::unique_hfile held(
            CreateFileW(log.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        std::thread release([&held] {
            Sleep(1000);
            held.reset();
        });
        EXPECT_EQ(1u, RunQuietWithLog(log));
        release.join();
    }
    std::vector<std::string> lines = hardening::LogLines(testsupport::ReadFileBytes(log));
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("earlier line", lines[0]);
    EXPECT_TRUE(IsAnotherCopyLine(lines[1])) << lines[1];

    // Held for longer than the program waits: the run still ends with its own code.
    win::unique_hfile held(
        CreateFileW(log.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(1u, RunQuietWithLog(log));
    EXPECT_LT(GetTickCount64() - start, 15000u);
    held.reset();
    EXPECT_EQ(2u, hardening::LogLines(testsupport::ReadFileBytes(log)).size());
}

}  // namespace
