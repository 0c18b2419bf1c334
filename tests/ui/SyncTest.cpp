// The sync button end to end, through the stand-in export tool and the stand-in Kestrix IME
// installed in the prefix, watched on the screen.
#include <gtest/gtest.h>

#include "res/Resource.h"
#include "res/StatusTexts.h"
#include "tests/support/PrefixInstall.h"
#include "tests/ui/ProgramWindow.h"

using namespace gui;

namespace {

class Sync : public ::testing::Test {
protected:
    // The stand-ins register Kestrix first, then Sogou: both checked, both count.
    void Open(size_t boxes = 2)
    {
        ASSERT_TRUE(program.Start());
        const HWND main = program.WaitForMainWindow();
        ASSERT_NE(nullptr, main);
        parts = FindParts(main);
        ASSERT_EQ(boxes, parts.boxes.size());
    }

    // Waits until the outcome replaced the two buttons.
    bool WaitForOutcome(DWORD timeoutMs = 20000)
    {
        for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
            if (!::IsWindowVisible(parts.sync) && !::IsWindowVisible(parts.cancel)) {
                parts = FindParts(parts.main);
                if (parts.ok != nullptr && ::IsWindowVisible(parts.ok)) {
                    Settle(200);
                    return true;
                }
            }
            Settle(100);
        }
        return false;
    }

    void ExpectSyncing()
    {
        EXPECT_FALSE(::IsWindowEnabled(parts.sync));
        EXPECT_TRUE(::IsWindowEnabled(parts.cancel));
        EXPECT_EQ(0, ShownFrame(parts.sync, IDB_SYNC_STRIP)) << "disabled frame";
        for (HWND box : parts.boxes) EXPECT_FALSE(::IsWindowVisible(box));
        EXPECT_TRUE(ShowsText(parts.panel, 30, 30, StatusTexts[1], SentenceFont()));
    }

    // A sync whose export takes 30 s: the window stays in its syncing state meanwhile.
    void StartASlowSync()
    {
        sogou.SetExportLines({L"'ni'hao 你好"});
        sogou.SetBehaviour({.delayMs = 30000});
        Open();
        Click(parts.sync, 66, 20);
        ExpectSyncing();
    }

    void ExpectFinished(bool succeeded)
    {
        ASSERT_TRUE(WaitForOutcome());
        const int w = parts.client.right;
        const int b = parts.client.bottom;
        const RECT ok = RectInParent(parts.ok);
        EXPECT_EQ(w / 2 - 60, ok.left);
        EXPECT_EQ(b - 58, ok.top);
        EXPECT_EQ(132, ok.right - ok.left);
        EXPECT_EQ(40, ok.bottom - ok.top);
        EXPECT_EQ(0, ShownFrame(parts.ok, IDB_OK_STRIP));
        EXPECT_TRUE(ShowsText(parts.panel, 30, 30, StatusTexts[succeeded ? 2 : 3], SentenceFont()));
    }

    void ExpectClosesWithZero(HWND button)
    {
        const DWORD start = ::GetTickCount();
        Click(button, 66, 20);
        DWORD exitCode = 1234;
        ASSERT_TRUE(program.WaitForExit(5000, exitCode));
        EXPECT_EQ(0u, exitCode);
        EXPECT_LT(::GetTickCount() - start, 3000u) << "closing waited";
    }

    testsupport::TempDirectoryOverride temp{L"C:\\Lexiferry UI Temp"};
    testsupport::SogouToolInstall sogou;
    testsupport::KestrixImeInstall kestrix;
    Program program;
    MainWindowParts parts;
};

}  // namespace

TEST_F(Sync, ImportsTheSogouEntriesShowsSuccessAndOkCloses)
{
    sogou.SetExportLines({L"'ni'hao 你好", L"'shu'ru'fa 输入法", L"'ci'ku 词库"});
    sogou.SetBehaviour({true, 1500, 0, false});  // slow enough to see the syncing state
    Open();
    Click(parts.sync, 66, 20);
    ExpectSyncing();
    ASSERT_TRUE(ScreenCapture(parts.main).Save(ArtefactPath(L"syncing.bmp")));
    // A second click on the disabled button does nothing.
    Click(parts.sync, 66, 20);
    ExpectFinished(true);
    ASSERT_TRUE(ScreenCapture(parts.main).Save(ArtefactPath(L"finished.bmp")));
    EXPECT_EQ(
        testsupport::AnsiBytes(L"你好\t1\tni hao\r\n输入法\t1\tshu ru fa\r\n词库\t1\tci ku\r\n"),
        kestrix.ReceivedBytes());
    EXPECT_EQ(1u, kestrix.ReceivedPaths().size()) << "one transfer per run";
    ExpectClosesWithZero(parts.ok);
}

TEST_F(Sync, AFailedExportShowsTheFailureSentence)
{
    sogou.SetBehaviour({false, 0, 1, false});
    Open();
    Click(parts.sync, 66, 20);
    ExpectFinished(false);
    ASSERT_TRUE(ScreenCapture(parts.main).Save(ArtefactPath(L"failed.bmp")));
    EXPECT_TRUE(kestrix.ReceivedBytes().empty());
    ExpectClosesWithZero(parts.ok);
}

TEST_F(Sync, CancelEndsTheProgramAtOnceWhileTheExportIsStillRunning)
{
    StartASlowSync();
    Settle(500);
    EXPECT_FALSE(sogou.ReceivedCommandLine().empty()) << "the export had not started";
    ExpectClosesWithZero(parts.cancel);
    EXPECT_TRUE(kestrix.ReceivedBytes().empty());
}

TEST_F(Sync, TheCloseBoxEndsTheProgramAtOnceWhileTheExportIsStillRunning)
{
    StartASlowSync();
    const POINT close = CloseBoxPoint(parts.main);
    ASSERT_LT(close.y, 0) << "no close box found in the caption";
    const DWORD start = ::GetTickCount();
    Click(parts.main, close.x, close.y);
    DWORD exitCode = 1234;
    ASSERT_TRUE(program.WaitForExit(5000, exitCode));
    EXPECT_EQ(0u, exitCode);
    EXPECT_LT(::GetTickCount() - start, 3000u);
}

// Sogou and Microsoft Pinyin as Windows 10 and 11 register them: text services, no layouts.
TEST_F(Sync, ASogouThatIsOnlyATextServiceSyncsBesideALockedMicrosoftPinyin)
{
    sogou.RemoveLayout();
    testsupport::TextServiceInstall sogouService(L"{E7EA138E-69F8-11D7-A6EA-00065B844310}",
                                                 L"{E7EA138F-69F8-11D7-A6EA-00065B844311}",
                                                 L"Sogou Pinyin Input Method");
    testsupport::TextServiceInstall microsoft(L"{81D4E9C9-1D3B-41BC-9E6C-4B40BF79E35E}",
                                              L"{FA550B04-5AD7-411F-A5AC-CA038EC515D7}",
                                              L"\u5FAE\u8F6F\u62FC\u97F3");  // 微软拼音
    sogou.SetExportLines({L"'ni'hao 你好", L"'ci'ku 词库"});
    // Kestrix by its layout, then the services in their order: Microsoft, Sogou.
    Open(3);
    EXPECT_EQ(IDB_BOX_CHECKED, ShownBox(parts.boxes[0]));
    EXPECT_EQ(IDB_BOX_UNCHECKED, ShownBox(parts.boxes[1]));
    EXPECT_EQ(IDB_BOX_CHECKED, ShownBox(parts.boxes[2]));
    Click(parts.boxes[1], 10, 10);
    EXPECT_EQ(IDB_BOX_CHECKED_LOCKED, ShownBox(parts.boxes[1]));
    Click(parts.sync, 66, 20);
    ExpectFinished(true);
    EXPECT_EQ(testsupport::AnsiBytes(L"你好\t1\tni hao\r\n词库\t1\tci ku\r\n"),
              kestrix.ReceivedBytes());
    ExpectClosesWithZero(parts.ok);
}
