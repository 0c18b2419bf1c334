// The two surfaces of the window. The bitmaps' edges are drawn in these same colours, so
// opaque drawing blends with what lies beneath.
#pragma once

#include <windows.h>

inline constexpr COLORREF MainWindowColour = RGB(227, 241, 255);
inline constexpr COLORREF PanelColour = RGB(255, 255, 255);
// The link's text on the window's surface; grey while it can't be used.
inline constexpr COLORREF LinkColour = RGB(0, 102, 204);
inline constexpr COLORREF DisabledLinkColour = RGB(128, 128, 128);
