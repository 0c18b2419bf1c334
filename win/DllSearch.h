// Where the DLLs that Lexiferry loads by name come from: the system directory, never the
// program's own folder (for a downloaded program the Downloads folder, where whatever else
// was downloaded lies too) nor the current directory.
#pragma once

#include <windows.h>

namespace dllsearch {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD directoryFlags);

// Called first of all, before anything loads a DLL by name. Where Windows can restrict the
// search to the system directory (SetDefaultDllDirectories: Windows 8 on, Windows 7 with
// KB2533623), it is restricted to it. Elsewhere only the current directory can be taken out
// of the search; the program's own folder stays in it, so the program loads what it needs
// itself by full path (LoadFromSystemDirectory).
void RestrictToSystemDirectory();
// The same with the function given, null standing for a Windows that lacks it. Only the
// tests give one: Wine always has the function, so they can't otherwise reach the fallback.
void RestrictToSystemDirectory(SetDefaultDllDirectoriesFunction setDefaultDllDirectories);

// The system's DLL of that file name, or null: by the restricted search once it has been
// made, otherwise by its full path in the system directory (with its own dependencies looked
// up there first).
HMODULE LoadFromSystemDirectory(const wchar_t* fileName);

// Sets function to the library's export of that name, or to null where the library or the
// export is missing.
template <typename Function>
void Bind(HMODULE library, const char* name, Function& function)
{
    function = nullptr;
    if (library == nullptr) return;
    // Through void (*)(): the one function pointer type that converts to any other without a
    // warning about mismatched signatures.
    function =
        reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(library, name)));
}

}  // namespace dllsearch
