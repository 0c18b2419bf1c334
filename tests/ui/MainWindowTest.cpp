// What the main window looks like when it opens: its geometry and its pixels, read from the
// Win32 side of a real lexiferry.exe.
#include <gtest/gtest.h>

#include "res/Resource.h"
#include "res/StatusTexts.h"
#include "res/SurfaceColours.h"
#include "res/WindowTexts.h"
#include "tests/ui/ProgramWindow.h"

using namespace gui;

namespace {

const std::vector<std::pair<std::wstring, std::wstring>> FourImes = {
    {L"E0E00804", QQName},
    {L"E0E10804", SogouName},
    {L"E0E20804", MicrosoftName},
    {L"E0E30804", KestrixName},
};

void ExpectRect(const RECT& actual, int left, int top, int width, int height, const char* what)
{
    EXPECT_EQ(left, actual.left) << what;
    EXPECT_EQ(top, actual.top) << what;
    EXPECT_EQ(width, actual.right - actual.left) << what;
    EXPECT_EQ(height, actual.bottom - actual.top) << what;
}

}  // namespace

TEST(MainWindowGeometry, FollowsTheNumberOfDetectedImes)
{
    const int expectedHeight[] = {270, 300, 300, 330, 330};
    for (int count = 0; count <= 4; ++count) {
        SCOPED_TRACE(testing::Message() << count << " IMEs");
        LayoutInstall layouts({FourImes.begin(), FourImes.begin() + count});
        Program program;
        ASSERT_TRUE(program.Start());
        const HWND main = program.WaitForMainWindow();
        ASSERT_NE(nullptr, main);
        const MainWindowParts parts = FindParts(main);

        // The outer size, centred on the work area of its monitor.
        RECT outer{};
        ::GetWindowRect(main, &outer);
        EXPECT_EQ(500, outer.right - outer.left);
        EXPECT_EQ(expectedHeight[count], outer.bottom - outer.top);
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        ASSERT_TRUE(
            ::GetMonitorInfoW(::MonitorFromWindow(main, MONITOR_DEFAULTTONEAREST), &monitor));
        const RECT& area = monitor.rcWork;
        EXPECT_EQ((area.left + area.right) / 2 - 250, outer.left);
        EXPECT_EQ((area.top + area.bottom) / 2 - expectedHeight[count] / 2, outer.top);

        // The panel, with its rounded region.
        const int rows = count / 2 + count % 2;
        ASSERT_NE(nullptr, parts.panel);
        ExpectRect(RectInParent(parts.panel), 18, 64, 460, 30 * rows + 98, "panel");
        win::unique_hrgn region(::CreateRectRgn(0, 0, 0, 0));
        ASSERT_EQ(COMPLEXREGION, ::GetWindowRgn(parts.panel, region.get()));
        RECT box{};
        ::GetRgnBox(region.get(), &box);
        // A rounded region leaves out the last column and row of its rectangle.
        ExpectRect(box, 0, 0, 459, 30 * rows + 97, "panel region");
        EXPECT_FALSE(::PtInRegion(region.get(), 0, 0));
        EXPECT_FALSE(::PtInRegion(region.get(), 459, 30 * rows + 97));
        EXPECT_TRUE(::PtInRegion(region.get(), 230, 0));
        EXPECT_TRUE(::PtInRegion(region.get(), 0, 40));

        // The buttons, each exactly one frame, in the band 58 pixels above the bottom.
        const int w = parts.client.right;
        const int b = parts.client.bottom;
        ASSERT_NE(nullptr, parts.sync);
        ASSERT_NE(nullptr, parts.cancel);
        ExpectRect(RectInParent(parts.sync), 70, b - 58, 132, 40, "sync");
        ExpectRect(RectInParent(parts.cancel), w / 2 + 30, b - 58, 132, 40, "cancel");
        EXPECT_EQ(nullptr, parts.ok);

        // One box per IME, two to a row.
        ASSERT_EQ(static_cast<size_t>(count), parts.boxes.size());
        for (int i = 0; i < count; ++i) {
            ExpectRect(RectInParent(parts.boxes[i]), i % 2 == 0 ? 50 : 240, 50 + 38 * (i / 2), 150,
                       20, "box");
        }
    }
}

TEST(MainWindowLook, ShowsItsSurfacesArtworkBoxesAndChineseText)
{
    LayoutInstall layouts(FourImes);
    Program program;
    ASSERT_TRUE(program.Start());
    const HWND main = program.WaitForMainWindow();
    ASSERT_NE(nullptr, main);
    const MainWindowParts parts = FindParts(main);
    const ScreenCapture screen(main);
    ASSERT_TRUE(screen.Save(ArtefactPath(L"choosing.bmp")));

    // The light blue surface, also around the panel's rounded corner, and the white panel.
    EXPECT_EQ(MainWindowColour, screen.Pixel(4, 4));
    EXPECT_EQ(MainWindowColour, screen.Pixel(parts.client.right - 4, parts.client.bottom - 4));
    EXPECT_EQ(MainWindowColour, screen.Pixel(18, 64));
    EXPECT_EQ(PanelColour, screen.Pixel(18 + 230, 64 + 4));
    EXPECT_EQ(PanelColour, screen.Pixel(18 + 440, 64 + 140));

    win::unique_hbitmap title(
        ::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_TITLE)));
    EXPECT_TRUE(screen.Matches(20, 20, title.get(), RECT{0, 0, 160, 26}));

    EXPECT_EQ(0, ShownFrame(parts.sync, IDB_SYNC_STRIP));
    EXPECT_EQ(0, ShownFrame(parts.cancel, IDB_CANCEL_STRIP));

    // QQ and Microsoft are locked and start unchecked; Sogou and Kestrix start checked.
    ASSERT_EQ(4u, parts.boxes.size());
    EXPECT_EQ(IDB_BOX_UNCHECKED, ShownBox(parts.boxes[0]));
    EXPECT_EQ(IDB_BOX_CHECKED, ShownBox(parts.boxes[1]));
    EXPECT_EQ(IDB_BOX_UNCHECKED, ShownBox(parts.boxes[2]));
    EXPECT_EQ(IDB_BOX_CHECKED, ShownBox(parts.boxes[3]));

    // The header sentence exactly, in real Chinese glyphs rather than missing-glyph boxes.
    const std::wstring header = StatusTexts[0];
    EXPECT_TRUE(ShowsText(parts.panel, 30, 15, header, HeaderFont()));
    EXPECT_GE(DistinctGlyphImages(parts.panel, 30, 15, header, HeaderFont()), 25);
    // The labels beside the boxes.
    LOGFONTW labelFont{};
    labelFont.lfHeight = 18;
    labelFont.lfWidth = 7;
    labelFont.lfWeight = 500;
    labelFont.lfQuality = CLEARTYPE_QUALITY;
    EXPECT_GE(DistinctGlyphImages(parts.boxes[1], 29, 4, SogouName, labelFont), 6);
    EXPECT_GT(ScreenCapture(parts.boxes[1]).CountOtherThan(RECT{29, 4, 150, 20}, PanelColour), 40);

    // The file link: a Tab stop named by its window text, on the artwork's row, its text drawn
    // right-aligned to the panel's right edge in blue on the window's surface, which stays
    // everywhere around it.
    ASSERT_NE(nullptr, parts.link);
    EXPECT_EQ(ChooseFileText, WindowText(parts.link));
    EXPECT_TRUE(::IsWindowVisible(parts.link));
    EXPECT_NE(0, ::GetWindowLongW(parts.link, GWL_STYLE) & WS_TABSTOP);
    const RECT link = RectInParent(parts.link);
    ExpectRect(link, 200, 20, 278, 26, "link");
    const SIZE drawn = DrawnSize(ChooseFileText, LinkFont());
    const int textLeft = 278 - drawn.cx;
    EXPECT_TRUE(ShowsText(parts.link, textLeft, (26 - drawn.cy) / 2, ChooseFileText, LinkFont(),
                          LinkColour, MainWindowColour));
    EXPECT_GE(
        DistinctGlyphImages(parts.link, textLeft, (26 - drawn.cy) / 2, ChooseFileText, LinkFont()),
        6);
    EXPECT_EQ(0, screen.CountOtherThan(RECT{200, 20, 200 + textLeft, 46}, MainWindowColour));
    EXPECT_EQ(0, screen.CountOtherThan(RECT{180, 0, parts.client.right, 20}, MainWindowColour));
    EXPECT_EQ(0, screen.CountOtherThan(RECT{180, 46, parts.client.right, 64}, MainWindowColour));
    EXPECT_EQ(0, screen.CountOtherThan(RECT{478, 0, parts.client.right, 64}, MainWindowColour));
    EXPECT_EQ(0, screen.CountOtherThan(RECT{180, 20, 200, 46}, MainWindowColour));
}
