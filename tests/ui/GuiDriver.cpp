#include "tests/ui/GuiDriver.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include <cstring>
#include <utility>

#include "tests/support/PrefixInstall.h"
#include "tests/support/UnixSide.h"

namespace gui {

namespace {

constexpr wchar_t layoutsKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Keyboard Layouts";

void SendMouse(DWORD flags)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    ::SendInput(1, &input, sizeof(input));
}

POINT ScreenPoint(HWND window, int x, int y)
{
    POINT point{x, y};
    ::ClientToScreen(window, &point);
    return point;
}

void MoveTo(POINT point)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    input.mi.dx = static_cast<LONG>((point.x * 65535LL + width / 2) / (width - 1));
    input.mi.dy = static_cast<LONG>((point.y * 65535LL + height / 2) / (height - 1));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &input, sizeof(input));
    ::Sleep(50);
    // Rounding of the absolute coordinates must not put the pointer a pixel off.
    POINT now{};
    if (::GetCursorPos(&now) && (now.x != point.x || now.y != point.y)) {
        ::SetCursorPos(point.x, point.y);
        ::Sleep(50);
    }
}

// Pixels as RGBQUADs, first row at the top: what the comparisons index into.
BITMAPINFO TopDown32BitFormat(int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    return info;
}

}  // namespace

LayoutInstall::LayoutInstall(std::vector<std::pair<std::wstring, std::wstring>> layouts)
    : layouts_(std::move(layouts))
{
    for (const auto& [name, text] : layouts_) {
        win::unique_hkey key;
        const std::wstring path = std::wstring(layoutsKey) + L"\\" + name;
        if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
            continue;
        }
        ::RegSetValueExW(key.get(), L"Layout Text", 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        static constexpr wchar_t layoutFile[] = L"kbdus.dll";
        ::RegSetValueExW(key.get(), L"Layout File", 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(layoutFile), sizeof(layoutFile));
    }
}

LayoutInstall::~LayoutInstall()
{
    for (const auto& layout : layouts_) {
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE,
                         (std::wstring(layoutsKey) + L"\\" + layout.first).c_str());
    }
}

std::wstring BuildPath(const std::wstring& relative)
{
    return testsupport::BuildTreePath(L"LEXIFERRY_TEST_BINARY_DIR", relative);
}

Program::~Program()
{
    if (!process_) return;
    if (Running()) ::TerminateProcess(process_.get(), 99);
    ::WaitForSingleObject(process_.get(), 5000);
    EndChildren();
}

bool Program::Start(const std::wstring& programPath, const std::wstring& arguments,
                    DWORD creationFlags)
{
    std::wstring commandLine = L"\"" + programPath + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    // The program and the export tool it starts write to NUL, not to the test's output: under
    // Wine a child otherwise holds CTest's pipe, and a child that lingers in its teardown
    // after reporting its exit code would keep CTest waiting for the test's end.
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    win::unique_hfile nul(::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                        OPEN_EXISTING, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    BOOL inherit = FALSE;
    if (nul) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = startup.hStdOutput = startup.hStdError = nul.get();
        inherit = TRUE;
    }
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, inherit, creationFlags,
                          nullptr, nullptr, &startup, &info)) {
        return false;
    }
    ::CloseHandle(info.hThread);
    process_.reset(info.hProcess);
    id_ = info.dwProcessId;
    return true;
}

namespace {

struct MainWindowSearch {
    DWORD id;  // 0: of any process
    HWND found;
};

// An enumeration callback of its own: a lambda is not CALLBACK (stdcall) on 32-bit Windows.
BOOL CALLBACK FindMainWindow(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<MainWindowSearch*>(lParam);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    wchar_t title[32] = {};
    ::GetWindowTextW(window, title, 32);
    if ((search->id == 0 || owner == search->id) && ::IsWindowVisible(window) &&
        std::wstring(title) == L"Lexiferry") {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The visible top-level window titled "Lexiferry" of the process, or of any process for 0.
HWND VisibleMainWindow(DWORD id)
{
    MainWindowSearch search{id, nullptr};
    ::EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

HWND Program::WaitForMainWindow(DWORD timeoutMs)
{
    for (DWORD waited = 0; waited <= timeoutMs; waited += 50) {
        if (const HWND found = VisibleMainWindow(id_)) {
            Settle(200);
            return found;
        }
        if (!Running()) return nullptr;
        ::Sleep(50);
    }
    return nullptr;
}

bool Program::StartWithUnixLocale(const std::wstring& programPath, const std::string& variables)
{
    const std::string program = testsupport::UnixPath(programPath);
    if (program.empty()) return false;
    // exec: nothing of the shell outlives the program. Its output goes nowhere: a native
    // process holding CTest's pipe would keep CTest waiting. Wine's loader and prefix are the
    // ones this test runs under.
    const std::string script = "exec env -u LC_ALL " + variables + " \"$LEXIFERRY_WINE\" " +
                               testsupport::ShellQuoted(program) + " </dev/null >/dev/null 2>&1";
    std::string problem;
    if (!testsupport::StartUnixShell(script, problem)) return false;
    for (DWORD waited = 0; waited <= 20000; waited += 50) {
        if (const HWND found = VisibleMainWindow(0)) {
            ::GetWindowThreadProcessId(found, &id_);
            process_.reset(::OpenProcess(
                PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id_));
            return static_cast<bool>(process_);
        }
        ::Sleep(50);
    }
    return false;
}

bool Program::WaitForExit(DWORD timeoutMs, DWORD& exitCode)
{
    if (::WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) return false;
    return ::GetExitCodeProcess(process_.get(), &exitCode) != FALSE;
}

bool Program::Running() const
{
    return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

void Program::EndChildren() const
{
    // A slow export tool that the program started outlives it; it is ours to end.
    win::unique_handle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) return;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ParentProcessID != id_) continue;
        win::unique_handle child(
            ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (!child) continue;
        ::TerminateProcess(child.get(), 99);
        ::WaitForSingleObject(child.get(), 5000);
    }
}

HWND WaitForOwnedWindow(HWND owner, const wchar_t* title, DWORD timeoutMs)
{
    for (DWORD waited = 0; waited <= timeoutMs; waited += 50) {
        HWND found = nullptr;
        for (HWND window = ::GetTopWindow(nullptr); window != nullptr;
             window = ::GetWindow(window, GW_HWNDNEXT)) {
            wchar_t text[64] = {};
            ::GetWindowTextW(window, text, 64);
            if (::GetWindow(window, GW_OWNER) == owner && ::IsWindowVisible(window) &&
                std::wstring(text) == title) {
                found = window;
                break;
            }
        }
        if (found != nullptr) {
            Settle(200);
            return found;
        }
        ::Sleep(50);
    }
    return nullptr;
}

std::wstring StaticTexts(HWND dialog)
{
    std::wstring texts;
    for (HWND child : Children(dialog)) {
        wchar_t className[32] = {};
        ::GetClassNameW(child, className, 32);
        if (::lstrcmpiW(className, L"Static") != 0) continue;
        wchar_t text[256] = {};
        ::GetWindowTextW(child, text, 256);
        texts += text;
    }
    return texts;
}

std::vector<HWND> Children(HWND parent)
{
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

int ControlId(HWND child)
{
    return ::GetDlgCtrlID(child);
}

RECT RectInParent(HWND child)
{
    RECT rect{};
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

SIZE WindowSize(HWND window)
{
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

void Click(HWND window, int x, int y)
{
    MoveTo(ScreenPoint(window, x, y));
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    ::Sleep(30);
    SendMouse(MOUSEEVENTF_LEFTUP);
    Settle();
}

void DoubleClick(HWND window, int x, int y)
{
    MoveTo(ScreenPoint(window, x, y));
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    SendMouse(MOUSEEVENTF_LEFTUP);
    ::Sleep(60);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    SendMouse(MOUSEEVENTF_LEFTUP);
    Settle();
}

void MouseDown(HWND window, int x, int y)
{
    MoveTo(ScreenPoint(window, x, y));
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    Settle();
}

void MouseMove(HWND window, int x, int y)
{
    MoveTo(ScreenPoint(window, x, y));
    Settle();
}

void MouseUp()
{
    SendMouse(MOUSEEVENTF_LEFTUP);
    Settle();
}

void PressKey(WORD key)
{
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = inputs[1].ki.wVk = key;
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, inputs, sizeof(INPUT));
    Settle();
}

void TypeText(const std::wstring& text)
{
    for (wchar_t unit : text) {
        INPUT inputs[2] = {};
        inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
        inputs[0].ki.wScan = inputs[1].ki.wScan = unit;
        inputs[0].ki.dwFlags = KEYEVENTF_UNICODE;
        inputs[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        ::SendInput(2, inputs, sizeof(INPUT));
        ::Sleep(5);
    }
    Settle();
}

bool ClickOk(HWND box)
{
    HWND okButton = nullptr;
    for (HWND child : Children(box)) {
        if (ControlId(child) == IDOK) okButton = child;
    }
    if (okButton == nullptr) return false;
    RECT client{};
    ::GetClientRect(okButton, &client);
    Click(okButton, client.right / 2, client.bottom / 2);
    for (int i = 0; i < 40 && ::IsWindow(box); ++i) Settle(50);
    return !::IsWindow(box);
}

bool DropFile(HWND window, const std::wstring& path)
{
    // DROPFILES, then the list of paths, which ends with an empty one: two NULs at its end.
    std::vector<unsigned char> block(sizeof(DROPFILES) + (path.size() + 2) * sizeof(wchar_t));
    DROPFILES header{};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = TRUE;
    std::memcpy(block.data(), &header, sizeof(header));
    std::memcpy(block.data() + sizeof(header), path.c_str(), path.size() * sizeof(wchar_t));
    // Windows copies a drop's global memory into the receiving process before it delivers
    // WM_DROPFILES (WM_COPYGLOBALDATA); Wine posts the handle as it is. So the block is made in
    // the receiver's memory, where it is a fixed global block, whose handle is its address:
    // GlobalLock there gives the address back, as for the block the shell gives.
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    win::unique_handle process(
        ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processId));
    if (!process) return false;
    void* const remote =
        ::VirtualAllocEx(process.get(), nullptr, block.size(), MEM_COMMIT, PAGE_READWRITE);
    if (remote == nullptr) return false;
    SIZE_T written = 0;
    if (!::WriteProcessMemory(process.get(), remote, block.data(), block.size(), &written) ||
        written != block.size() ||
        !::PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0)) {
        ::VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
        return false;
    }
    Settle();
    return true;
}

HWND FocusOfThread(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

void Settle(DWORD ms)
{
    ::Sleep(ms);
}

ScreenCapture::ScreenCapture(HWND window)
{
    RECT client{};
    ::GetClientRect(window, &client);
    Grab(window, client);
}

ScreenCapture::ScreenCapture(HWND window, const RECT& part)
{
    Grab(window, part);
}

void ScreenCapture::Grab(HWND window, const RECT& part)
{
    POINT origin{part.left, part.top};
    ::ClientToScreen(window, &origin);
    width_ = part.right - part.left;
    height_ = part.bottom - part.top;
    pixels_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), RGBQUAD{});

    const HDC screen = ::GetDC(nullptr);
    win::unique_hdc memory(::CreateCompatibleDC(screen));
    BITMAPINFO info = TopDown32BitFormat(width_, height_);
    void* bits = nullptr;
    win::unique_hbitmap dib(::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (dib && bits != nullptr) {
        {
            win::unique_select_object selected(memory.get(), dib.get());
            ::BitBlt(memory.get(), 0, 0, width_, height_, screen, origin.x, origin.y, SRCCOPY);
        }
        ::GdiFlush();
        std::memcpy(pixels_.data(), bits, pixels_.size() * sizeof(RGBQUAD));
    }
    ::ReleaseDC(nullptr, screen);
}

COLORREF ScreenCapture::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
    const RGBQUAD& p = pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + x];
    return RGB(p.rgbRed, p.rgbGreen, p.rgbBlue);
}

bool ScreenCapture::Matches(int x, int y, HBITMAP bitmap, const RECT& source) const
{
    int width = 0;
    int height = 0;
    const std::vector<RGBQUAD> expected = BitmapPixels(bitmap, width, height);
    if (expected.empty() || source.right > width || source.bottom > height) return false;
    for (int row = source.top; row < source.bottom; ++row) {
        for (int column = source.left; column < source.right; ++column) {
            const RGBQUAD& p = expected[static_cast<size_t>(row) * width + column];
            if (Pixel(x + column - source.left, y + row - source.top) !=
                RGB(p.rgbRed, p.rgbGreen, p.rgbBlue)) {
                return false;
            }
        }
    }
    return true;
}

int ScreenCapture::CountOtherThan(const RECT& area, COLORREF colour) const
{
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) count += Pixel(x, y) != colour ? 1 : 0;
    }
    return count;
}

bool ScreenCapture::Save(const std::wstring& path) const
{
    const int stride = (width_ * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = width_;
    header.biHeight = height_;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biSizeImage = static_cast<DWORD>(stride * height_);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + header.biSizeImage;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&header), sizeof(header));
    std::string row(static_cast<size_t>(stride), '\0');
    for (int y = height_ - 1; y >= 0; --y) {
        for (int x = 0; x < width_; ++x) {
            const RGBQUAD& p = pixels_[static_cast<size_t>(y) * width_ + x];
            row[x * 3] = static_cast<char>(p.rgbBlue);
            row[x * 3 + 1] = static_cast<char>(p.rgbGreen);
            row[x * 3 + 2] = static_cast<char>(p.rgbRed);
        }
        bytes += row;
    }
    win::unique_hfile out(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return out &&
           ::WriteFile(out.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                       nullptr) &&
           written == bytes.size();
}

std::vector<RGBQUAD> BitmapPixels(HBITMAP bitmap, int& width, int& height)
{
    BITMAP info{};
    if (bitmap == nullptr || !::GetObjectW(bitmap, sizeof(info), &info)) return {};
    width = info.bmWidth;
    height = info.bmHeight;
    BITMAPINFO request = TopDown32BitFormat(width, height);
    std::vector<RGBQUAD> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    const HDC screen = ::GetDC(nullptr);
    const int rows = ::GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(),
                                 &request, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    return rows == height ? pixels : std::vector<RGBQUAD>{};
}

std::wstring ArtefactPath(const std::wstring& name)
{
    const std::wstring directory = BuildPath(L"artefacts");
    ::CreateDirectoryW(directory.c_str(), nullptr);
    return directory + L"\\" + name;
}

}  // namespace gui
