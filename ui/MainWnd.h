// The program's only top-level window: title artwork, the IME list panel and the buttons.
#pragma once

#include <windows.h>

#include <string>

#include "ui/CBitmapButton.h"
#include "ui/CLinkButton.h"
#include "ui/IMEListWnd.h"
#include "ui/Window.h"
#include "win/UniqueHandles.h"

class MainWnd : public Window {
public:
    MainWnd() = default;

    // Two boxes share a row.
    static int RowsFor(int imeCount) noexcept { return imeCount / 2 + imeCount % 2; }
    // The outer height for a number of detected IMEs: a row takes 30 pixels.
    static int HeightFor(int imeCount) noexcept { return (RowsFor(imeCount) + 9) * 30; }

    // Creates the top-level window; it centres itself on its monitor's work area.
    HWND Create(const RECT& rect, const wchar_t* title, DWORD style, DWORD exStyle);

    // Replaces the two buttons by the OK button and lets the panel show the outcome.
    void ShowOutcome(bool succeeded);

    // Takes a dictionary file of the user's as the sync's source in place of Sogou's export,
    // while no sync has started: checked first, and refused with a message box when it is not
    // one, leaving everything as it was. True when taken.
    bool TakeFile(const std::wstring& path);
    // Tab, from anywhere in the window, moves the focus to the file link and back: the window
    // is no dialog, so nothing else does. True when the message was used.
    bool MovesFocusByTab(const MSG& message);

    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    static const WindowClass& Class();
    void CentreOnWorkArea();
    unique_himagelist LoadStrip(int id) const;
    // Creates and shows one of the bottom buttons with its frame strip; each frame index other
    // than CBitmapButton::Unset is set, the others fall back to the normal frame.
    void PlaceButton(CBitmapButton& button, const RECT& rect, UINT id, int stripId, int normalFrame,
                     int pressedFrame, int focusedFrame, int disabledFrame);

    LRESULT OnCreate(UINT, WPARAM, LPARAM, bool&);
    // The close box, Alt+F4, and the cancel and OK buttons all end the window.
    LRESULT OnClose(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnPaint(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnTransformSucceeded(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnTransformFailed(UINT, WPARAM, LPARAM, bool&);
    // The sync command: starts the one transfer of the run.
    LRESULT OnSync(UINT, WPARAM, LPARAM, bool&);
    // On the title artwork's row, right-aligned to the panel's right edge.
    void PlaceFileLink();
    // The file link's click: the open-file dialog.
    LRESULT OnChooseFile(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnDropFiles(UINT, WPARAM, LPARAM, bool&);
    // Once a sync is asked for, no file can be chosen any more.
    void EndChoosing();

    static const MessageEntry<MainWnd> Messages[];

    HICON bigIcon_ = nullptr;  // a resource icon: shared, never destroyed
    CBitmapButton cancelButton_;
    CBitmapButton syncButton_;
    CBitmapButton okButton_;  // its window exists only once the outcome is shown
    win::unique_hbitmap titleBitmap_;
    IMEListWnd panel_;
    RECT clientRect_{};  // read once at creation; all layout follows it
    CLinkButton fileLink_;
    std::wstring chosenFile_;  // full path; empty: Sogou's export is the source
    bool choosing_ = true;     // no sync asked for yet
};
