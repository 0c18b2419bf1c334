#include "tests/ui/ProgramWindow.h"

#include <algorithm>
#include <set>

#include "res/Resource.h"

namespace gui {

MainWindowParts FindParts(HWND main)
{
    MainWindowParts parts;
    parts.main = main;
    ::GetClientRect(main, &parts.client);
    for (HWND child : Children(main)) {
        const SIZE size = WindowSize(child);
        if (ControlId(child) == ID_SYNC && size.cx == 460) parts.panel = child;
        if (ControlId(child) == ID_SYNC && size.cx != 460) parts.sync = child;
        if (ControlId(child) == ID_CHOOSE_FILE) parts.link = child;
        if (ControlId(child) == ID_CLOSE) {
            // The OK button is created last, after the cancel button.
            (parts.cancel == nullptr ? parts.cancel : parts.ok) = child;
        }
    }
    if (parts.ok != nullptr) {
        // Creation order decides, not z order: the OK button is the one centred.
        const RECT a = RectInParent(parts.cancel);
        const RECT b = RectInParent(parts.ok);
        if (a.left < b.left) std::swap(parts.cancel, parts.ok);
    }
    if (parts.panel != nullptr) parts.boxes = Children(parts.panel);
    std::sort(parts.boxes.begin(), parts.boxes.end(), [](HWND a, HWND b) {
        const RECT ra = RectInParent(a);
        const RECT rb = RectInParent(b);
        return ra.top != rb.top ? ra.top < rb.top : ra.left < rb.left;
    });
    return parts;
}

int ShownFrame(HWND button, int stripId)
{
    win::unique_hbitmap strip(
        ::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(stripId)));
    const ScreenCapture shown(button, RECT{0, 0, 132, 40});
    for (int frame = 0; frame < 3; ++frame) {
        if (shown.Matches(0, 0, strip.get(), RECT{frame * 132, 0, frame * 132 + 132, 40})) {
            return frame;
        }
    }
    return -1;
}

int ShownBox(HWND box)
{
    // The box window is 20 pixels high; the bitmap's lower rows are clipped.
    const ScreenCapture shown(box, RECT{0, 0, 24, 20});
    for (int id : {IDB_BOX_UNCHECKED, IDB_BOX_CHECKED, IDB_BOX_CHECKED_LOCKED}) {
        win::unique_hbitmap bitmap(
            ::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id)));
        if (shown.Matches(0, 0, bitmap.get(), RECT{0, 0, 24, 20})) return id;
    }
    return 0;
}

namespace {

// Draws text as the panel does, on white, and captures the pixels with their extent.
struct RenderedText {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;
    std::vector<int> advances;  // the right edge of each character
};

RenderedText Render(const std::wstring& text, const LOGFONTW& logFont, COLORREF ink = RGB(0, 0, 0),
                    COLORREF paper = RGB(255, 255, 255))
{
    RenderedText rendered;
    const HDC screen = ::GetDC(nullptr);
    win::unique_hdc memory(::CreateCompatibleDC(screen));
    win::unique_hfont font(::CreateFontIndirectW(&logFont));
    win::unique_hbitmap canvas(::CreateCompatibleBitmap(screen, 1000, 60));
    ::ReleaseDC(nullptr, screen);
    win::unique_select_object selectedCanvas(memory.get(), canvas.get());
    win::unique_select_object selectedFont(memory.get(), font.get());

    RECT area{0, 0, 1000, 60};
    win::unique_hbrush background(::CreateSolidBrush(paper));
    ::FillRect(memory.get(), &area, background.get());
    ::SetTextColor(memory.get(), ink);
    ::SetBkColor(memory.get(), paper);
    RECT measured = area;
    ::DrawTextW(memory.get(), text.c_str(), -1, &measured, DT_CALCRECT);
    ::DrawTextW(memory.get(), text.c_str(), -1, &measured, 0);
    rendered.width = measured.right;
    rendered.height = measured.bottom;
    for (int y = 0; y < rendered.height; ++y) {
        for (int x = 0; x < rendered.width; ++x) {
            rendered.pixels.push_back(::GetPixel(memory.get(), x, y));
        }
    }
    rendered.advances.resize(text.size());
    SIZE extent{};
    int fit = 0;
    ::GetTextExtentExPointW(memory.get(), text.c_str(), static_cast<int>(text.size()), 100000, &fit,
                            rendered.advances.data(), &extent);
    return rendered;
}

}  // namespace

bool ShowsText(HWND window, int x, int y, const std::wstring& text, const LOGFONTW& font,
               COLORREF ink, COLORREF paper)
{
    const RenderedText expected = Render(text, font, ink, paper);
    if (expected.width == 0) return false;
    const ScreenCapture shown(window, RECT{x, y, x + expected.width, y + expected.height});
    for (int row = 0; row < expected.height; ++row) {
        for (int column = 0; column < expected.width; ++column) {
            if (shown.Pixel(column, row) !=
                expected.pixels[static_cast<size_t>(row) * expected.width + column]) {
                return false;
            }
        }
    }
    return true;
}

SIZE DrawnSize(const std::wstring& text, const LOGFONTW& font)
{
    const RenderedText rendered = Render(text, font);
    return {rendered.width, rendered.height};
}

int DistinctGlyphImages(HWND window, int x, int y, const std::wstring& text, const LOGFONTW& font)
{
    const RenderedText layout = Render(text, font);
    const ScreenCapture shown(window, RECT{x, y, x + layout.width, y + layout.height});
    std::set<std::vector<COLORREF>> images;
    int left = 0;
    for (int right : layout.advances) {
        std::vector<COLORREF> image;
        for (int row = 0; row < layout.height; ++row) {
            for (int column = left; column < right; ++column) {
                image.push_back(shown.Pixel(column, row));
            }
        }
        images.insert(image);
        left = right;
    }
    return static_cast<int>(images.size());
}

LOGFONTW HeaderFont()
{
    LOGFONTW font{};
    font.lfQuality = CLEARTYPE_QUALITY;
    return font;
}

LOGFONTW SentenceFont()
{
    LOGFONTW font{};
    font.lfHeight = 18;
    font.lfWidth = 7;
    font.lfWeight = 600;
    font.lfQuality = CLEARTYPE_QUALITY;
    return font;
}

LOGFONTW LinkFont()
{
    LOGFONTW font{};
    font.lfUnderline = TRUE;
    font.lfQuality = CLEARTYPE_QUALITY;
    return font;
}

std::wstring WindowText(HWND window)
{
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

POINT CloseBoxPoint(HWND window)
{
    RECT outer{};
    ::GetWindowRect(window, &outer);
    // Ask the window itself which point of its caption is the close box.
    for (int y = outer.top + 2; y < outer.top + 40; y += 2) {
        for (int x = outer.right - 2; x > outer.right - 60; x -= 2) {
            const LRESULT hit = ::SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y));
            if (hit == HTCLOSE) {
                POINT point{x - 3, y + 3};
                if (::SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y)) !=
                    HTCLOSE) {
                    point = {x, y};
                }
                ::ScreenToClient(window, &point);
                return point;
            }
        }
    }
    return {-1000, -1000};
}

}  // namespace gui
