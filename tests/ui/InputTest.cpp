// The window under real mouse input: check boxes, the image buttons and the refusal.
#include <gtest/gtest.h>

#include "res/Resource.h"
#include "tests/ui/ProgramWindow.h"

using namespace gui;

namespace {

constexpr wchar_t Caption[] = L"输入法同步工具";
constexpr wchar_t Refusal[] = L"抱歉，无法导入，目前只支持指定输入法词库同步";

class WindowInput : public ::testing::Test {
protected:
    void Open(std::vector<std::pair<std::wstring, std::wstring>> imes)
    {
        layouts = std::make_unique<LayoutInstall>(std::move(imes));
        ASSERT_TRUE(program.Start());
        const HWND main = program.WaitForMainWindow();
        ASSERT_NE(nullptr, main);
        parts = FindParts(main);
    }

    // Presses sync and expects the refusal; dismisses it with a real click on its button.
    void ExpectRefusal()
    {
        Click(parts.sync, 66, 20);
        const HWND box = WaitForOwnedWindow(parts.main, Caption);
        ASSERT_NE(nullptr, box) << "no message box";
        EXPECT_EQ(Refusal, StaticTexts(box));
        EXPECT_TRUE(ClickOk(box));
        // Nothing else changed: both buttons usable, the boxes still there.
        EXPECT_TRUE(::IsWindowEnabled(parts.sync));
        EXPECT_TRUE(::IsWindowEnabled(parts.cancel));
        EXPECT_TRUE(::IsWindowVisible(parts.sync));
        for (HWND b : parts.boxes) EXPECT_TRUE(::IsWindowVisible(b));
    }

    std::unique_ptr<LayoutInstall> layouts;
    Program program;
    MainWindowParts parts;
};

}  // namespace

TEST_F(WindowInput, AClickFlipsABoxAndADoubleClickFlipsItOnce)
{
    Open({{L"E0E00804", QQName}, {L"E0E10804", SogouName}});
    ASSERT_EQ(2u, parts.boxes.size());
    const HWND sogou = parts.boxes[1];
    EXPECT_EQ(IDB_BOX_CHECKED, ShownBox(sogou));
    Click(sogou, 10, 10);
    EXPECT_EQ(IDB_BOX_UNCHECKED, ShownBox(sogou));
    Settle(700);  // no double click with the next press
    DoubleClick(sogou, 10, 10);
    EXPECT_EQ(IDB_BOX_CHECKED, ShownBox(sogou));
    Settle(700);
    // A press on the label counts as well: the whole window is the box.
    Click(sogou, 100, 10);
    EXPECT_EQ(IDB_BOX_UNCHECKED, ShownBox(sogou));
}

TEST_F(WindowInput, ALockedBoxFlipsItsLookButNeverCounts)
{
    Open({{L"E0E00804", QQName}, {L"E0E10804", SogouName}});
    const HWND qq = parts.boxes[0];
    EXPECT_EQ(IDB_BOX_UNCHECKED, ShownBox(qq));
    Click(qq, 10, 10);
    EXPECT_EQ(IDB_BOX_CHECKED_LOCKED, ShownBox(qq));
    // Sogou checked and QQ checked-but-locked: one selected IME, so the sync is refused.
    ExpectRefusal();
    Settle(700);
    Click(qq, 10, 10);
    EXPECT_EQ(IDB_BOX_UNCHECKED, ShownBox(qq));
}

TEST_F(WindowInput, SyncWithFewerThanTwoSelectedShowsTheMessageBoxEveryTime)
{
    Open({{L"E0E10804", SogouName}, {L"E0E30804", KestrixName}});
    // Uncheck Kestrix: one left.
    Click(parts.boxes[1], 10, 10);
    ExpectRefusal();
    ExpectRefusal();
}

TEST_F(WindowInput, SyncWithNoImeAtAllIsRefused)
{
    Open({});
    EXPECT_TRUE(parts.boxes.empty());
    ExpectRefusal();
}

TEST_F(WindowInput, ButtonFramesFollowPressFocusAndCapture)
{
    Open({{L"E0E10804", SogouName}});
    const HWND sync = parts.sync;
    EXPECT_EQ(0, ShownFrame(sync, IDB_SYNC_STRIP));
    MouseDown(sync, 66, 20);
    EXPECT_EQ(2, ShownFrame(sync, IDB_SYNC_STRIP)) << "pressed";
    MouseMove(sync, 66, 80);
    EXPECT_EQ(1, ShownFrame(sync, IDB_SYNC_STRIP)) << "dragged off: focused";
    MouseMove(sync, 60, 15);
    EXPECT_EQ(2, ShownFrame(sync, IDB_SYNC_STRIP)) << "dragged back";
    MouseMove(sync, 66, 80);
    MouseUp();
    // Released outside: no command, so no message box, and the button keeps the focus.
    EXPECT_EQ(nullptr, WaitForOwnedWindow(parts.main, Caption, 500));
    EXPECT_EQ(1, ShownFrame(sync, IDB_SYNC_STRIP));
    // Another button's press moves the focus: the sync button is idle again.
    MouseDown(parts.cancel, 66, 20);
    EXPECT_EQ(2, ShownFrame(parts.cancel, IDB_CANCEL_STRIP));
    EXPECT_EQ(0, ShownFrame(sync, IDB_SYNC_STRIP));
    MouseMove(parts.cancel, 66, 80);
    MouseUp();
    EXPECT_TRUE(program.Running()) << "a release outside the cancel button closed the window";
    EXPECT_EQ(1, ShownFrame(parts.cancel, IDB_CANCEL_STRIP));
}
