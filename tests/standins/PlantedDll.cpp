// A DLL that someone else put beside lexiferry.exe under the name of one that Lexiferry or
// the system needs (comctl32.dll, uxtheme.dll). Loaded into a process, it leaves a mark
// beside itself, "<its own path>.loaded", holding the loading program's path. It exports
// nothing, so a program that really binds to it fails to start: either way the mark tells.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*)
{
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t self[MAX_PATH + 8] = {};
    const DWORD length = GetModuleFileNameW(instance, self, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return TRUE;
    lstrcatW(self, L".loaded");
    wchar_t program[MAX_PATH] = {};
    const DWORD programLength = GetModuleFileNameW(nullptr, program, MAX_PATH);
    const HANDLE mark = CreateFileW(self, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (mark != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(mark, program, programLength * sizeof(wchar_t), &written, nullptr);
        CloseHandle(mark);
    }
    return TRUE;
}
