// The base of every window of the program: ties a C++ object to its window, dispatches
// messages through the object's message table, and registers each window class once.
#pragma once

#include <windows.h>

#include <span>

// How a window class is registered. A superclass takes the attributes and the procedure of a
// system class and passes it every message its own table does not consume.
struct WindowClassTraits {
    UINT style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    const wchar_t* cursor = IDC_ARROW;
    HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    const wchar_t* superclassOf = nullptr;  // a system class such as L"BUTTON", or none
};

// One registered class under a name generated for it; registered on first use.
class WindowClass {
public:
    explicit WindowClass(const WindowClassTraits& traits) noexcept;
    WindowClass(const WindowClass&) = delete;
    WindowClass& operator=(const WindowClass&) = delete;

    bool registered() const noexcept { return atom_ != 0; }
    const wchar_t* name() const noexcept { return name_; }
    // The procedure that gets what the class's own table leaves: the system class's for a
    // superclass, DefWindowProcW otherwise.
    WNDPROC baseProc() const noexcept { return baseProc_; }

private:
    wchar_t name_[40] = {};
    ATOM atom_ = 0;
    WNDPROC baseProc_ = ::DefWindowProcW;
};

class Window;

// One row of a message table: a message (or a range of messages) and, for WM_COMMAND, the
// control identifier and the notification code it answers.
template <typename T>
struct MessageEntry {
    // Sets handled to false to let later rows and then the base procedure see the message.
    using Handler = LRESULT (T::*)(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

    UINT first;
    UINT last;
    int commandId;    // -1: any
    int commandCode;  // -1: any
    Handler handler;
};

template <typename T>
constexpr MessageEntry<T> OnMessage(UINT message, typename MessageEntry<T>::Handler handler)
{
    return {message, message, -1, -1, handler};
}

template <typename T>
constexpr MessageEntry<T> OnMessageRange(UINT first, UINT last,
                                         typename MessageEntry<T>::Handler handler)
{
    return {first, last, -1, -1, handler};
}

template <typename T>
constexpr MessageEntry<T> OnCommand(int id, int code, typename MessageEntry<T>::Handler handler)
{
    return {WM_COMMAND, WM_COMMAND, id, code, handler};
}

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND hwnd() const noexcept { return hwnd_; }

    // Dispatches one message through the message table. True when a row handled it.
    virtual bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                      LRESULT& result) = 0;
    // Destroys a window that still exists, so no message can reach a dead object.
    virtual ~Window();
    // The procedure of this object's window: the table first, then the base procedure.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Called after the window's last message (WM_NCDESTROY), once it is detached.
    virtual void OnFinalMessage(HWND) {}

protected:
    // Creates this object's window of the given class; the object is attached to it from
    // the window's very first message on, before WM_NCCREATE.
    HWND CreateWindowOfClass(const WindowClass& windowClass, HWND parent, const RECT& rect,
                             const wchar_t* text, DWORD style, DWORD exStyle, UINT_PTR id);

    // What the class's own procedure does with a message.
    LRESULT BaseProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Paints the whole window now rather than when the queue next runs dry: a look that
    // changes in the middle of a click must show at once.
    void RepaintNow();

    template <typename T>
    static bool Dispatch(T& self, std::span<const MessageEntry<T>> table, UINT message,
                         WPARAM wParam, LPARAM lParam, LRESULT& result)
    {
        for (const MessageEntry<T>& entry : table) {
            if (message < entry.first || message > entry.last) continue;
            if (message == WM_COMMAND) {
                if (entry.commandId != -1 && entry.commandId != LOWORD(wParam)) continue;
                if (entry.commandCode != -1 && entry.commandCode != HIWORD(wParam)) continue;
            }
            bool handled = true;
            result = (self.*entry.handler)(message, wParam, lParam, handled);
            if (handled) return true;
        }
        return false;
    }

private:
    friend class WindowClass;
    static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    WNDPROC baseProc_ = ::DefWindowProcW;
};

// The module whose resources and classes the windows use: the program itself.
HINSTANCE ModuleInstance() noexcept;
