// The quiet mode's log on a file that many PCs append to at once: real lexiferry.exe
// processes, each ending at once with code 1 while this test holds the single-instance mutex,
// append their lines while this process appends its own through the same code.
#include "app/RunLog.h"

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

// Runs the quiet mode with the log; the exit code, or 1234 when it did not end in time.
DWORD RunQuietWithLog(const std::wstring& log, DWORD timeoutMs = 20000)
{
    gui::Program program;
    if (!program.Start(gui::BuildPath(L"lexiferry.exe"), L"/quiet \"/log:" + log + L"\"")) {
        return 1234;
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
    // This process appends numbered lines without a pause for as long as the programs run:
    // a writer that placed its line at an end it had read first would overwrite or split
    // lines here.
    std::atomic<bool> stop = false;
    int ownLines = 0;
    std::thread own([&] {
        const RunLog shared(log);
        while (!stop) {
            const std::string line = "own line " + std::to_string(ownLines) + "\r\n";
            if (!shared.AppendBytes(line)) break;
            ++ownLines;
        }
    });
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
    own.join();

    for (const auto& codesOfStream : codes) {
        for (DWORD code : codesOfStream) EXPECT_EQ(1u, code);
    }
    const std::string content = testsupport::ReadFileBytes(log);
    ASSERT_EQ("\r\n", content.substr(content.size() - 2));
    int programLines = 0;
    int nextOwn = 0;
    for (const std::string& line : hardening::LogLines(content)) {
        if (line == "own line " + std::to_string(nextOwn)) {
            ++nextOwn;
        } else if (IsAnotherCopyLine(line)) {
            ++programLines;
        } else {
            ADD_FAILURE() << "a torn or foreign line: " << testing::PrintToString(line);
        }
    }
    EXPECT_EQ(ownLines, nextOwn) << "own lines lost or out of order";
    EXPECT_GT(ownLines, 100) << "this process hardly wrote while the programs ran";
    EXPECT_EQ(2 * runsPerStream, programLines) << "program lines lost";
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

TEST_F(SharedLog, ALogThatAnotherProgramHoldsGetsItsLineOnceItIsFree)
{
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
