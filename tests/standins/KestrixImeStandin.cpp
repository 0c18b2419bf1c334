// Stand-in for the Kestrix IME: a DLL with the sixteen IME entry points, of which only
// ImeInquire and ImeEscape do anything. Escape 0x800 reads the file named by its argument
// (which the caller still holds open, shared for reading and writing) and appends the bytes
// to "<name>.dic" beside this DLL, where <name> is the DLL's own file name without extension.
// Each such call also appends the received path and a CR LF to "<name>.calls" (UTF-16LE).
// "<name>.ini" beside the DLL, section [ime], steers it:
//   refuse=1   answer 0 without reading the file
#include <windows.h>
#include <imm.h>

#include <string>

#include "win/UniqueHandles.h"

namespace {

HINSTANCE module = nullptr;
constexpr UINT kestrixImportEscape = 0x800;
constexpr wchar_t uiClassName[] = L"KestrixStandinUI";

// The layout of the IMM's IMEINFO, which the MinGW headers don't declare.
struct StandinImeInfo {
    DWORD dwPrivateDataSize;
    DWORD fdwProperty;
    DWORD fdwConversionCaps;
    DWORD fdwSentenceCaps;
    DWORD fdwUICaps;
    DWORD fdwSCSCaps;
    DWORD fdwSelectCaps;
};

std::wstring OwnBasePath()
{
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return L"KestrixPinyin2";
    std::wstring base(path, length);
    const size_t dot = base.find_last_of(L'.');
    return dot == std::wstring::npos ? base : base.substr(0, dot);
}

bool AppendBytes(const std::wstring& path, const void* data, DWORD size)
{
    win::unique_hfile file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                       OPEN_ALWAYS, 0, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return size == 0 || (WriteFile(file.get(), data, size, &written, nullptr) && written == size);
}

LRESULT ImportFile(const wchar_t* path)
{
    const std::wstring base = OwnBasePath();
    std::wstring call = path != nullptr ? path : L"";
    call += L"\r\n";
    AppendBytes(base + L".calls", call.data(), static_cast<DWORD>(call.size() * sizeof(wchar_t)));

    if (GetPrivateProfileIntW(L"ime", L"refuse", 0, (base + L".ini").c_str()) != 0) return 0;
    if (path == nullptr) return 0;

    win::unique_hfile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return 0;
    DWORD size = GetFileSize(file.get(), nullptr);
    if (size == INVALID_FILE_SIZE) return 0;
    std::string bytes(size, '\0');
    DWORD read = 0;
    if (size != 0 && (!ReadFile(file.get(), bytes.data(), size, &read, nullptr) || read != size))
        return 0;
    return AppendBytes(base + L".dic", bytes.data(), size) ? 1 : 0;
}

LRESULT CALLBACK UiWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        module = instance;
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = CS_IME;
        windowClass.lpfnWndProc = UiWindowProc;
        windowClass.cbWndExtra = 2 * sizeof(LONG_PTR);
        windowClass.hInstance = instance;
        windowClass.lpszClassName = uiClassName;
        RegisterClassExW(&windowClass);
    } else if (reason == DLL_PROCESS_DETACH) {
        UnregisterClassW(uiClassName, module);
    }
    return TRUE;
}

BOOL WINAPI ImeInquire(StandinImeInfo* info, LPWSTR uiClass, DWORD)
{
    if (info == nullptr || uiClass == nullptr) return FALSE;
    *info = {};
    info->fdwProperty = IME_PROP_UNICODE | IME_PROP_AT_CARET;
    info->fdwConversionCaps = IME_CMODE_NATIVE;
    wmemcpy(uiClass, uiClassName, sizeof(uiClassName) / sizeof(wchar_t));  // with its NUL
    return TRUE;
}

LRESULT WINAPI ImeEscape(HIMC, UINT escape, LPVOID data)
{
    if (escape != kestrixImportEscape) return 0;
    return ImportFile(static_cast<const wchar_t*>(data));
}

BOOL WINAPI ImeConfigure(HKL, HWND, DWORD, LPVOID)
{
    return FALSE;
}
DWORD WINAPI ImeConversionList(HIMC, LPCWSTR, LPCANDIDATELIST, DWORD, UINT)
{
    return 0;
}
BOOL WINAPI ImeDestroy(UINT)
{
    return TRUE;
}
BOOL WINAPI ImeProcessKey(HIMC, UINT, LPARAM, const BYTE*)
{
    return FALSE;
}
BOOL WINAPI ImeSelect(HIMC, BOOL)
{
    return TRUE;
}
BOOL WINAPI ImeSetActiveContext(HIMC, BOOL)
{
    return TRUE;
}
UINT WINAPI ImeToAsciiEx(UINT, UINT, const BYTE*, LPDWORD, UINT, HIMC)
{
    return 0;
}
BOOL WINAPI NotifyIME(HIMC, DWORD, DWORD, DWORD)
{
    return FALSE;
}
BOOL WINAPI ImeRegisterWord(LPCWSTR, DWORD, LPCWSTR)
{
    return FALSE;
}
BOOL WINAPI ImeUnregisterWord(LPCWSTR, DWORD, LPCWSTR)
{
    return FALSE;
}
UINT WINAPI ImeGetRegisterWordStyle(UINT, LPSTYLEBUFW)
{
    return 0;
}
UINT WINAPI ImeEnumRegisterWord(REGISTERWORDENUMPROCW, LPCWSTR, DWORD, LPCWSTR, LPVOID)
{
    return 0;
}
BOOL WINAPI ImeSetCompositionString(HIMC, DWORD, LPCVOID, DWORD, LPCVOID, DWORD)
{
    return FALSE;
}
DWORD WINAPI ImeGetImeMenuItems(HIMC, DWORD, DWORD, LPIMEMENUITEMINFOW, LPIMEMENUITEMINFOW, DWORD)
{
    return 0;
}

}  // extern "C"
