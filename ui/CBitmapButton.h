// A push button drawn entirely from one frame of an image strip, chosen by its state.
// The click logic stays the system button's, which sends BN_CLICKED to the parent.
#pragma once

#include <windows.h>

#include "ui/CommonControls.h"

#include "ui/Window.h"
#include "win/UniqueHandles.h"

using unique_himagelist =
    win::unique_any<win::NullInvalidTraits<HIMAGELIST, comctl::ImageList_Destroy>>;

class CBitmapButton : public Window {
public:
    // Options: only auto-size is used, and it is on from the start.
    static constexpr DWORD AutoSize = 8;
    static constexpr int Unset = -1;

    CBitmapButton() = default;

    // A child button of style WS_CHILD (plus BS_OWNERDRAW, added on creation), not yet shown.
    HWND Create(HWND parent, const RECT& rect, UINT id);
    // Takes the strip; with auto-size, a button whose window exists becomes one frame big.
    void AssignStrip(unique_himagelist strip);
    // Each index other than Unset replaces the stored one.
    void AssignFrames(int normal, int pressed, int focused, int disabled);

    // The frame that a paint would draw now.
    int CurrentFrame() const noexcept;

    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    static const WindowClass& Class();
    void SizeToFrame();
    void SetPressed(bool value);

    LRESULT OnCreate(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnMouseRelay(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnLButtonDown(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnLButtonDblClk(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnMouseMove(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnLButtonUp(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnCaptureChanged(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnKeyDown(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnKeyUp(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnFocusChange(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnEnable(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnPaint(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnUpdateUIState(UINT, WPARAM, LPARAM, bool&);

    static const MessageEntry<CBitmapButton> Messages[];

    DWORD options_ = AutoSize;
    unique_himagelist strip_;
    int normalFrame_ = Unset;
    int pressedFrame_ = Unset;
    int focusedFrame_ = Unset;
    int disabledFrame_ = Unset;
    HWND tooltip_ = nullptr;  // a child of the button: destroyed with it
    const wchar_t* tooltipText_ = nullptr;
    struct State {
        bool focused = false;  // has the keyboard focus
        bool pressed = false;  // held down by the captured mouse or the space key
    } state_;
};
