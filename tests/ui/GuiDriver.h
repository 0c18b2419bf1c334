// Drives a real lexiferry.exe from a test: starts it, finds its windows, clicks with real
// input (SendInput), reads what is on the screen and saves screenshots.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "win/UniqueHandles.h"

namespace gui {

// Keyboard layout keys in the prefix's real HKLM, removed again when the object dies.
class LayoutInstall {
public:
    // Pairs of key name (E0xx0804) and layout text.
    explicit LayoutInstall(std::vector<std::pair<std::wstring, std::wstring>> layouts);
    ~LayoutInstall();
    LayoutInstall(const LayoutInstall&) = delete;
    LayoutInstall& operator=(const LayoutInstall&) = delete;

private:
    std::vector<std::pair<std::wstring, std::wstring>> layouts_;
};

// Windows path of a file in the build tree.
std::wstring BuildPath(const std::wstring& relative);

class Program {
public:
    Program() = default;
    ~Program();  // ends a copy still running, and the children it started
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The lexiferry.exe built with the tests, or the copy at a given path, with arguments
    // as they stand on a command line (quoted where they need it), and CreateProcessW's
    // creation flags.
    bool Start() { return Start(BuildPath(L"lexiferry.exe")); }
    bool Start(const std::wstring& programPath, const std::wstring& arguments = {},
               DWORD creationFlags = 0);
    // Starts it through the Unix side with Unix environment variables of its own (NAME=value
    // words for env), LC_ALL taken away: a program started with CreateProcessW under Wine gets
    // this process's Unix locale, whatever its Windows environment says, and Wine derives the
    // ANSI code page from that locale. The process is then found by its main window.
    bool StartWithUnixLocale(const std::wstring& programPath, const std::string& variables);
    // The visible top-level window titled "Lexiferry" of this process, waiting for it.
    HWND WaitForMainWindow(DWORD timeoutMs = 10000);
    // True and the exit code when the process ended in time.
    bool WaitForExit(DWORD timeoutMs, DWORD& exitCode);
    bool Running() const;
    DWORD Id() const { return id_; }

private:
    void EndChildren() const;

    win::unique_handle process_;
    DWORD id_ = 0;
};

// A window owned by owner with the given title, waiting for it; null when none came.
HWND WaitForOwnedWindow(HWND owner, const wchar_t* title, DWORD timeoutMs = 5000);
// The texts of the static controls of a dialog.
std::wstring StaticTexts(HWND dialog);

// Direct children of a window, in z order.
std::vector<HWND> Children(HWND parent);
int ControlId(HWND child);
// A child's rectangle in its parent's client coordinates.
RECT RectInParent(HWND child);
SIZE WindowSize(HWND window);

// Real input through SendInput, at a point in a window's client coordinates.
void Click(HWND window, int x, int y);
void DoubleClick(HWND window, int x, int y);
void MouseDown(HWND window, int x, int y);
void MouseMove(HWND window, int x, int y);
void MouseUp();
// Real key strokes through SendInput: one virtual key, or text as Unicode characters.
void PressKey(WORD key);
void TypeText(const std::wstring& text);
// Clicks a message box's OK button and waits for the box to go; false when it stayed.
bool ClickOk(HWND box);
// Posts the window a WM_DROPFILES of one file, with an HDROP made here as the shell makes it:
// a DROPFILES block with its list of wide paths, in movable global memory.
bool DropFile(HWND window, const std::wstring& path);
// The window that has the keyboard focus in the thread of window.
HWND FocusOfThread(HWND window);
// Lets the program handle what it was sent: a short wait for its repaint.
void Settle(DWORD ms = 300);

// What the screen shows, read back from the Win32 side.
class ScreenCapture {
public:
    // The client area of window (or a part of it, in its client coordinates).
    explicit ScreenCapture(HWND window);
    ScreenCapture(HWND window, const RECT& part);

    int Width() const { return width_; }
    int Height() const { return height_; }
    COLORREF Pixel(int x, int y) const;
    // Does the part at (x, y) equal the bitmap's pixels (or its area at source)?
    bool Matches(int x, int y, HBITMAP bitmap, const RECT& source) const;
    // Count of pixels in a rectangle that differ from colour.
    int CountOtherThan(const RECT& area, COLORREF colour) const;
    // A 24-bit BMP.
    bool Save(const std::wstring& path) const;

private:
    void Grab(HWND window, const RECT& part);

    int width_ = 0;
    int height_ = 0;
    std::vector<RGBQUAD> pixels_;
};

// The pixels of a bitmap (a whole bitmap, top-down), for comparison.
std::vector<RGBQUAD> BitmapPixels(HBITMAP bitmap, int& width, int& height);

// The screenshot folder in the build tree, created on first use.
std::wstring ArtefactPath(const std::wstring& name);

}  // namespace gui
