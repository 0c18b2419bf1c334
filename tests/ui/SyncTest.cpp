// The sync button end to end, through the stand-in export tool and the stand-in Kestrix IME
// installed in the prefix, watched on the screen.
#include <gtest/gtest.h>

#include "res/Resource.h"
#include "res/StatusTexts.h"
#include "res/WindowTexts.h"
#include "tests/support/PrefixInstall.h"
#include "tests/support/SogouBackupWriter.h"
#include "tests/ui/ProgramWindow.h"

using namespace gui;

namespace {

class Sync : public ::testing::Test {
protected:
    // The stand-ins register Kestrix first, then Sogou: both checked, both count.
    void Open(size_t boxes = 2, const std::wstring& arguments = {})
    {
        ASSERT_TRUE(program.Start(BuildPath(L"lexiferry.exe"), arguments));
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
        EXPECT_FALSE(::IsWindowVisible(parts.link)) << "no file can be chosen any more";
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

    // Clicks the file link's text, waits for the open-file dialog, types the path and Enter.
    void ChooseInTheDialog(const std::wstring& path)
    {
        const SIZE drawn = DrawnSize(ChooseFileText, LinkFont());
        Click(parts.link, 278 - drawn.cx / 2, 13);
        const HWND dialog = WaitForOwnedWindow(parts.main, ChooseFileTitle);
        ASSERT_NE(nullptr, dialog) << "no open-file dialog";
        // The file type box (cmb1) offers the two filters, in this order.
        const HWND types = ::GetDlgItem(dialog, 0x470);
        ASSERT_NE(nullptr, types);
        std::vector<std::wstring> filters;
        const LRESULT count = ::SendMessageW(types, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            wchar_t text[128] = {};
            if (::SendMessageW(types, CB_GETLBTEXTLEN, i, 0) < 128) {
                ::SendMessageW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            }
            filters.emplace_back(text);
        }
        EXPECT_EQ((std::vector<std::wstring>{ChooseFileFilterName, AllFilesFilterName}), filters);
        TypeText(path);
        PressKey(VK_RETURN);
        for (int i = 0; i < 40 && ::IsWindow(dialog); ++i) Settle(50);
        EXPECT_FALSE(::IsWindow(dialog));
    }

    // A file dropped on the window that it refuses with its box; nothing changes.
    void ExpectRefusedDrop(const std::wstring& path)
    {
        SCOPED_TRACE(testing::Message() << "dropped " << testsupport::Utf8Bytes(path));
        ASSERT_TRUE(DropFile(parts.main, path));
        const HWND box = WaitForOwnedWindow(parts.main, SyncRefusalCaption);
        ASSERT_NE(nullptr, box) << "no refusal";
        EXPECT_EQ(NotADictionaryText, StaticTexts(box));
        EXPECT_TRUE(ClickOk(box));
        EXPECT_EQ(ChooseFileText, WindowText(parts.link));
    }

    // The user's own files, in a folder of their own, removed again.
    struct UserFiles {
        UserFiles()
        {
            testsupport::RemoveDirectoryTree(folder);
            testsupport::CreateDirectoryPath(folder);
        }
        ~UserFiles() { testsupport::RemoveDirectoryTree(folder); }
        std::wstring Write(const std::wstring& name, const std::string& bytes) const
        {
            EXPECT_TRUE(testsupport::WriteFileBytes(folder + name, bytes));
            return folder + name;
        }
        const std::wstring folder = L"C:\\Lexiferry UI Files\\";
    };

    testsupport::TempDirectoryOverride temp{L"C:\\Lexiferry UI Temp"};
    UserFiles files;
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

// A new PC: Kestrix alone, and the user's text export chosen in the open-file dialog. Sogou's
// tool stays installed, unseen by the window, to show that it never runs.
TEST_F(Sync, AFileChosenInTheDialogIsImportedWithKestrixAloneAndNoExport)
{
    sogou.RemoveLayout();
    const std::string bytes = testsupport::Utf16Export({L"'ni'hao 你好", L"'ci'ku 词库"});
    const std::wstring file = files.Write(L"userdict.txt", bytes);
    Open(1);
    ASSERT_NE(nullptr, parts.link);
    ChooseInTheDialog(file);
    EXPECT_EQ(std::wstring(ChosenFilePrefix) + L"userdict.txt", WindowText(parts.link));
    EXPECT_TRUE(::IsWindowVisible(parts.link));
    ASSERT_TRUE(ScreenCapture(parts.main).Save(ArtefactPath(L"file-chosen.bmp")));

    Click(parts.sync, 66, 20);
    ExpectFinished(true);
    EXPECT_EQ(testsupport::AnsiBytes(L"你好\t1\tni hao\r\n词库\t1\tci ku\r\n"),
              kestrix.ReceivedBytes());
    EXPECT_TRUE(sogou.ReceivedCommandLine().empty()) << "the export tool ran";
    EXPECT_FALSE(::IsWindowEnabled(parts.link)) << "a second file could be chosen";
    EXPECT_EQ(bytes, testsupport::ReadFileBytes(file)) << "the user's file changed";
    ExpectClosesWithZero(parts.ok);
}

// Sogou installed and both boxes there: the file the program was started with is taken, a
// file dropped later replaces it, and the sync reads that file even with Sogou's box cleared.
TEST_F(Sync, AFileGivenAsTheArgumentOrDroppedIsTakenInPlaceOfTheExport)
{
    sogou.SetExportLines({L"'sou'gou 搜狗"});
    const std::wstring given =
        files.Write(L"我的词库.txt", testsupport::AnsiBytes(L"'wo'de 我的\r\n"));
    // Sogou's backup, the file a new PC is most often given.
    const std::wstring dropped = files.Write(L"搜狗词库备份_2024_07_26.bin",
                                             testsupport::SgpuBackup({{{48, 157}, L"词库", 5, 0}}));
    // Two files are none: the window opens as ever.
    Open(2, L"\"" + given + L"\" \"" + dropped + L"\"");
    EXPECT_EQ(ChooseFileText, WindowText(parts.link));
    ExpectClosesWithZero(parts.cancel);

    Open(2, L"\"" + given + L"\"");
    EXPECT_EQ(std::wstring(ChosenFilePrefix) + L"我的词库.txt", WindowText(parts.link));
    ASSERT_TRUE(DropFile(parts.main, dropped));
    EXPECT_EQ(std::wstring(ChosenFilePrefix) + L"搜狗词库备份_2024_07_26.bin",
              WindowText(parts.link));

    Click(parts.boxes[1], 10, 10);
    EXPECT_EQ(IDB_BOX_UNCHECKED, ShownBox(parts.boxes[1]));
    Click(parts.sync, 66, 20);
    ExpectFinished(true);
    EXPECT_EQ(testsupport::AnsiBytes(L"词库\t1\tci ku\r\n"), kestrix.ReceivedBytes());
    EXPECT_TRUE(sogou.ReceivedCommandLine().empty()) << "the export tool ran";
    ExpectClosesWithZero(parts.ok);
}

// What is no dictionary, and a transfer's own temporary file, are refused at once; Tab and
// Enter reach the dialog too, and cancelling it changes nothing.
TEST_F(Sync, TheWindowRefusesAFileThatIsNoDictionaryAndATemporaryFile)
{
    sogou.RemoveLayout();
    const std::wstring notes =
        files.Write(L"notes.txt", testsupport::Utf8Bytes(L"Meeting notes\r\nBring 笔记本\r\n"));
    const std::wstring temporary = temp.Directory() + L"sogou.tmp";
    ASSERT_TRUE(
        testsupport::WriteFileBytes(temporary, testsupport::Utf16Export({L"'ni'hao 你好"})));
    Open(1);
    ExpectRefusedDrop(notes);
    ExpectRefusedDrop(temporary);

    PressKey(VK_TAB);
    EXPECT_EQ(parts.link, FocusOfThread(parts.main));
    PressKey(VK_RETURN);
    const HWND dialog = WaitForOwnedWindow(parts.main, ChooseFileTitle);
    ASSERT_NE(nullptr, dialog) << "Enter on the link opened no dialog";
    PressKey(VK_ESCAPE);
    for (int i = 0; i < 40 && ::IsWindow(dialog); ++i) Settle(50);
    EXPECT_FALSE(::IsWindow(dialog));
    EXPECT_EQ(ChooseFileText, WindowText(parts.link));

    // Without a file, Kestrix alone is refused as ever.
    Click(parts.sync, 66, 20);
    const HWND box = WaitForOwnedWindow(parts.main, SyncRefusalCaption);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(SyncRefusalText, StaticTexts(box));
    EXPECT_TRUE(ClickOk(box));
    EXPECT_TRUE(kestrix.ReceivedBytes().empty());
    ::DeleteFileW(temporary.c_str());
}
