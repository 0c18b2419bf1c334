// A running lexiferry.exe and the parts of its main window, for the window tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/ui/GuiDriver.h"

namespace gui {

inline const std::wstring KestrixName = L"Kestrix拼音输入法";
inline const std::wstring SogouName = L"搜狗拼音输入法";
inline const std::wstring QQName = L"QQ拼音输入法";
inline const std::wstring MicrosoftName = L"微软拼音输入法";

struct MainWindowParts {
    HWND main = nullptr;
    HWND panel = nullptr;
    HWND sync = nullptr;
    HWND cancel = nullptr;
    HWND ok = nullptr;        // visible only once the outcome is shown
    HWND link = nullptr;      // the link that chooses a dictionary file
    std::vector<HWND> boxes;  // in catalogue order: by row, then column
    RECT client{};
};

MainWindowParts FindParts(HWND main);

// The frame index of a strip that a button shows now, or -1 when it shows none of them.
int ShownFrame(HWND button, int stripId);
// The check box bitmap a box shows now (IDB_BOX_...), or 0 when none of them.
int ShownBox(HWND box);
// Does the text appear at (x, y) of window, drawn with that font, in ink on paper?
bool ShowsText(HWND window, int x, int y, const std::wstring& text, const LOGFONTW& font,
               COLORREF ink = RGB(0, 0, 0), COLORREF paper = RGB(255, 255, 255));
// The size the text takes, drawn with that font on one line.
SIZE DrawnSize(const std::wstring& text, const LOGFONTW& font);
// Counts the different glyph images among the characters of a text drawn at (x, y) with that
// font: missing glyphs all look alike, real Chinese characters do not.
int DistinctGlyphImages(HWND window, int x, int y, const std::wstring& text, const LOGFONTW& font);

LOGFONTW HeaderFont();
LOGFONTW SentenceFont();
LOGFONTW LinkFont();

// The window text of a window.
std::wstring WindowText(HWND window);

// The point of the caption's close box, in the window's client coordinates (it lies above
// the client area, so y is negative).
POINT CloseBoxPoint(HWND window);

}  // namespace gui
