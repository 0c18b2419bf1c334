// The program's own check box: a bitmap for its state and a label beside it. Every press
// flips it; it never notifies its parent, which asks IsSelected when it needs to know.
#pragma once

#include <windows.h>

#include <string>

#include "ui/Window.h"

class CCheckBoxBtn : public Window {
public:
    CCheckBoxBtn() = default;

    // A child of style WS_CHILD without window text; rect null means 0, 0, 150, 20.
    HWND Create(HWND parent, const RECT* rect, const wchar_t* text, DWORD exStyle, UINT id);
    // The bitmaps are shared and stay the caller's. Unchecked and checked are required.
    bool SetBitmaps(HBITMAP hUnchecked, HBITMAP hChecked, HBITMAP hCheckedLocked);
    void SetChecked(bool value);
    // A locked box still flips its look when pressed, but never counts as selected.
    void SetLocked(bool value) noexcept { locked_ = value; }
    bool IsSelected() const noexcept { return !locked_ && checked_; }
    // Moves the box to (x, y) in its parent, keeping its size.
    void MoveTo(int x, int y);

    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    struct BoxBitmap {
        HBITMAP bitmap = nullptr;
        int width = 0;
        int height = 0;
    };

    static const WindowClass& Class();
    int DrawingState() const noexcept { return !checked_ ? 0 : (locked_ ? 2 : 1); }

    LRESULT OnPaint(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnLButtonDown(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnIgnore(UINT, WPARAM, LPARAM, bool&);

    static const MessageEntry<CCheckBoxBtn> Messages[];

    BoxBitmap bitmaps_[3];  // unchecked, checked, checked and locked
    std::wstring label_;    // drawn beside the bitmap; the window has no text
    bool checked_ = false;
    bool locked_ = false;
};
