#include "ui/Window.h"

#include <cwchar>
#include <iterator>
#include <utility>

namespace {

// The object whose window this thread is creating. CreateWindowExW sends the first messages
// before it returns (WM_GETMINMAXINFO comes even before WM_NCCREATE), so the object is handed
// over here instead of through the creation parameter, which stays free.
thread_local Window* windowBeingCreated = nullptr;

}  // namespace

HINSTANCE ModuleInstance() noexcept
{
    return ::GetModuleHandleW(nullptr);
}

WindowClass::WindowClass(const WindowClassTraits& traits) noexcept
{
    // Private classes are per module; the object's address makes the name unique in it.
    std::swprintf(name_, std::size(name_), L"Lexiferry.%p", static_cast<void*>(this));

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (traits.superclassOf != nullptr) {
        // Keep the system class's styles, cursor and window extra bytes: its procedure
        // relies on them.
        if (!::GetClassInfoExW(nullptr, traits.superclassOf, &wc)) return;
        baseProc_ = wc.lpfnWndProc;
        wc.style &= ~CS_GLOBALCLASS;
    } else {
        wc.style = traits.style;
        wc.hCursor = ::LoadCursorW(nullptr, traits.cursor);
        wc.hbrBackground = traits.background;
    }
    wc.lpfnWndProc = Window::StaticWindowProc;
    wc.hInstance = ModuleInstance();
    wc.lpszClassName = name_;
    wc.lpszMenuName = nullptr;
    wc.hIcon = nullptr;
    wc.hIconSm = nullptr;
    atom_ = ::RegisterClassExW(&wc);
}

Window::~Window()
{
    if (hwnd_ == nullptr) return;
    // The derived part of the object is gone already: detach first, so the window's last
    // messages cannot reach it.
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(std::exchange(hwnd_, nullptr));
}

HWND Window::CreateWindowOfClass(const WindowClass& windowClass, HWND parent, const RECT& rect,
                                 const wchar_t* text, DWORD style, DWORD exStyle, UINT_PTR id)
{
    if (!windowClass.registered() || hwnd_ != nullptr) return nullptr;
    baseProc_ = windowClass.baseProc();
    Window* const outer = std::exchange(windowBeingCreated, this);
    HWND hwnd = ::CreateWindowExW(exStyle, windowClass.name(), text, style, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, parent,
                                  reinterpret_cast<HMENU>(id), ModuleInstance(), nullptr);
    // A window that failed early may never have taken the object.
    windowBeingCreated = outer;
    return hwnd;
}

void Window::RepaintNow()
{
    if (hwnd_ == nullptr) return;
    ::InvalidateRect(hwnd_, nullptr, TRUE);
    ::UpdateWindow(hwnd_);
}

LRESULT Window::BaseProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::CallWindowProcW(baseProc_, hwnd_, message, wParam, lParam);
}

LRESULT Window::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (ProcessWindowMessage(message, wParam, lParam, result)) return result;
    return BaseProc(message, wParam, lParam);
}

LRESULT CALLBACK Window::StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr && windowBeingCreated != nullptr) {
        self = std::exchange(windowBeingCreated, nullptr);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    // Only a window created around CreateWindowOfClass lacks an object; none exists.
    if (self == nullptr) return ::DefWindowProcW(hwnd, message, wParam, lParam);

    const LRESULT result = self->WindowProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // Detach before the hook: the object may be gone when the hook returns.
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->OnFinalMessage(hwnd);
    }
    return result;
}
