#include "ui/ShellFiles.h"

#include <commdlg.h>
#include <shellapi.h>

#include <initializer_list>
#include <vector>

#include "res/WindowTexts.h"
#include "win/DllSearch.h"
#include "win/FullPath.h"

namespace shellfiles {

namespace {

struct Functions {
    decltype(&::DragAcceptFiles) acceptFiles = nullptr;
    decltype(&::DragQueryFileW) queryFile = nullptr;
    decltype(&::DragFinish) finish = nullptr;
    decltype(&::GetOpenFileNameW) openFileName = nullptr;
};

// Loaded once, on the UI thread's first use, and never freed: a drop may come at any time.
const Functions& Library()
{
    static const Functions functions = [] {
        Functions bound;
        const HMODULE shell32 = dllsearch::LoadFromSystemDirectory(L"shell32.dll");
        dllsearch::Bind(shell32, "DragAcceptFiles", bound.acceptFiles);
        dllsearch::Bind(shell32, "DragQueryFileW", bound.queryFile);
        dllsearch::Bind(shell32, "DragFinish", bound.finish);
        dllsearch::Bind(dllsearch::LoadFromSystemDirectory(L"comdlg32.dll"), "GetOpenFileNameW",
                        bound.openFileName);
        return bound;
    }();
    return functions;
}

}  // namespace

void AcceptDroppedFiles(HWND window, bool accept)
{
    if (const auto function = Library().acceptFiles) function(window, accept ? TRUE : FALSE);
}

bool TakeDroppedFile(HDROP drop, std::wstring& path)
{
    const Functions& functions = Library();
    if (functions.queryFile == nullptr || functions.finish == nullptr) return false;
    bool taken = false;
    if (functions.queryFile(drop, 0xFFFFFFFF, nullptr, 0) == 1) {
        // The length without its NUL; a path longer than any Windows takes names no file.
        const UINT length = functions.queryFile(drop, 0, nullptr, 0);
        if (length != 0 && length <= LongestPath) {
            std::vector<wchar_t> name(length + 1);
            taken = functions.queryFile(drop, 0, name.data(), length + 1) == length;
            if (taken) path.assign(name.data(), length);
        }
    }
    functions.finish(drop);
    return taken;
}

bool AskForFile(HWND owner, std::wstring& path)
{
    const auto function = Library().openFileName;
    if (function == nullptr) return false;
    // Pairs of a name and its patterns, each ending in a NUL, and one more NUL after them.
    std::wstring filter;
    for (const wchar_t* part : {ChooseFileFilterName, ChooseFileFilterPattern, AllFilesFilterName,
                                AllFilesFilterPattern}) {
        filter += part;
        filter += L'\0';
    }
    std::vector<wchar_t> name(LongestPath + 1, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = static_cast<DWORD>(name.size());
    dialog.lpstrTitle = ChooseFileTitle;
    // The current directory stays: a relative path anywhere else in the run must keep meaning
    // what it meant at the start.
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
                   OFN_NOCHANGEDIR | OFN_DONTADDTORECENT;
    if (!function(&dialog)) return false;
    path = name.data();
    return !path.empty();
}

}  // namespace shellfiles
