// Move-only owners for Win32 handles, named for what they close.
#pragma once

#include <windows.h>
#include <imm.h>

#include <utility>

namespace win {

// Owns one value of Traits::pointer and releases it with Traits::close.
template <typename Traits>
class unique_any {
public:
    using pointer = typename Traits::pointer;

    unique_any() noexcept = default;
    explicit unique_any(pointer value) noexcept : value_(value) {}
    unique_any(unique_any&& other) noexcept : value_(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept
    {
        if (this != &other) reset(other.release());
        return *this;
    }
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    ~unique_any() { reset(); }

    pointer get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::invalid(); }

    pointer release() noexcept { return std::exchange(value_, Traits::invalid()); }
    void reset(pointer value = Traits::invalid()) noexcept
    {
        pointer old = std::exchange(value_, value);
        if (old != Traits::invalid()) Traits::close(old);
    }
    // For out-parameters: releases what is held and hands out the slot.
    pointer* put() noexcept
    {
        reset();
        return &value_;
    }

private:
    pointer value_ = Traits::invalid();
};

template <typename T, BOOL(WINAPI* Close)(T)>
struct NullInvalidTraits {
    using pointer = T;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer value) noexcept { Close(value); }
};

struct FileTraits {
    using pointer = HANDLE;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(pointer value) noexcept { ::CloseHandle(value); }
};

struct RegKeyTraits {
    using pointer = HKEY;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer value) noexcept { ::RegCloseKey(value); }
};

template <typename T>
struct GdiObjectTraits {
    using pointer = T;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer value) noexcept { ::DeleteObject(value); }
};

using unique_handle = unique_any<NullInvalidTraits<HANDLE, ::CloseHandle>>;  // events, threads, processes, mutexes
using unique_hfile = unique_any<FileTraits>;                                 // CreateFileW
using unique_hkey = unique_any<RegKeyTraits>;
using unique_hdc = unique_any<NullInvalidTraits<HDC, ::DeleteDC>>;  // CreateCompatibleDC
using unique_hbrush = unique_any<GdiObjectTraits<HBRUSH>>;
using unique_hfont = unique_any<GdiObjectTraits<HFONT>>;
using unique_hbitmap = unique_any<GdiObjectTraits<HBITMAP>>;
using unique_hrgn = unique_any<GdiObjectTraits<HRGN>>;
using unique_himc = unique_any<NullInvalidTraits<HIMC, ::ImmDestroyContext>>;  // ImmCreateContext; link imm32

// Selects a GDI object into a device context and puts the previous one back.
class unique_select_object {
public:
    unique_select_object(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(::SelectObject(dc, object)) {}
    unique_select_object(const unique_select_object&) = delete;
    unique_select_object& operator=(const unique_select_object&) = delete;
    ~unique_select_object()
    {
        if (previous_ != nullptr && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// BeginPaint in construction, EndPaint in destruction.
class unique_paint {
public:
    explicit unique_paint(HWND window) noexcept : window_(window) { dc_ = ::BeginPaint(window, &paint_); }
    unique_paint(const unique_paint&) = delete;
    unique_paint& operator=(const unique_paint&) = delete;
    ~unique_paint() { ::EndPaint(window_, &paint_); }

    HDC dc() const noexcept { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_ = nullptr;
};

// Holds a critical section for the length of a scope.
class critical_section_lock {
public:
    explicit critical_section_lock(CRITICAL_SECTION& section) noexcept : section_(section)
    {
        ::EnterCriticalSection(&section_);
    }
    critical_section_lock(const critical_section_lock&) = delete;
    critical_section_lock& operator=(const critical_section_lock&) = delete;
    ~critical_section_lock() { ::LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION& section_;
};

}  // namespace win
