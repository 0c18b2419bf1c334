// A push button drawn as a link: its window text in blue on the main window's surface, right
// aligned, shortened with an ellipsis where it doesn't fit, and the hand cursor over it. The
// click logic stays the system button's, which sends BN_CLICKED to the parent; Enter clicks
// it as well, as it does a link.
#pragma once

#include <windows.h>

#include "ui/Window.h"
#include "win/UniqueHandles.h"

class CLinkButton : public Window {
public:
    CLinkButton() = default;

    // A visible child that Tab reaches, with its text.
    HWND Create(HWND parent, const RECT& rect, UINT id, const wchar_t* text);
    // The font it draws with: the system's default face, underlined.
    static LOGFONTW Font();

    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    static const WindowClass& Class();
    void Draw(HDC dc) const;

    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnPaint(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnSetCursor(UINT, WPARAM, LPARAM, bool&);
    // Focus, enabling and a new text change the look: the system button would draw none of it.
    LRESULT OnLookChange(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnKeyDown(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnUpdateUIState(UINT, WPARAM, LPARAM, bool&);

    static const MessageEntry<CLinkButton> Messages[];

    win::unique_hfont font_;
};
