// The DLL search where Windows lacks SetDefaultDllDirectories (Windows 7 SP1 without
// KB2533623). Wine always has the function, so the fallback is reached only through the seam
// that hands the restriction no function; it runs in this test's own process, which then
// stands for the program.
#include "win/DllSearch.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/PrefixInstall.h"

namespace {

using testsupport::FileExists;

std::wstring ModulePath(HMODULE module)
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    return std::wstring(path, length < MAX_PATH ? length : 0);
}

std::wstring Folder(const std::wstring& path)
{
    return path.substr(0, path.find_last_of(L'\\'));
}

// The planted DLL under another name; it leaves <path>.loaded when it is loaded.
void Plant(const std::wstring& path)
{
    ASSERT_TRUE(
        CopyFileW((testsupport::StandinDirectory() + L"planted.dll").c_str(), path.c_str(), FALSE));
}

// Where Windows lacks the function, the program's own folder stays in the search, first:
// comctl32 must be loaded by its full path, never found beside the program (here: beside this
// test program). What SetDllDirectoryW(L"") does there, taking the current directory out of
// the search, Windows documents and Wine does not do (a DLL in the current directory is still
// found by name afterwards), so no test under Wine can show it.
TEST(Windows7WithoutUpdates, Comctl32ComesFromTheSystemDirectoryNotFromBesideTheProgram)
{
    ASSERT_EQ(nullptr, GetModuleHandleW(L"comctl32.dll")) << "comctl32 is loaded already";
    const std::wstring besideProgram = Folder(ModulePath(nullptr)) + L"\\comctl32.dll";
    Plant(besideProgram);

    dllsearch::RestrictToSystemDirectory(nullptr);
    const std::wstring comctl32 = ModulePath(dllsearch::LoadFromSystemDirectory(L"comctl32.dll"));

    const bool plantLoaded = FileExists(besideProgram + L".loaded");
    DeleteFileW(besideProgram.c_str());
    DeleteFileW((besideProgram + L".loaded").c_str());
    wchar_t system[MAX_PATH] = {};
    ASSERT_NE(0u, GetSystemDirectoryW(system, MAX_PATH));
    // Under Wine a DLL found by name beside the program is its own, loaded under that path.
    EXPECT_EQ(0, lstrcmpiW((std::wstring(system) + L"\\comctl32.dll").c_str(), comctl32.c_str()))
        << "comctl32 came from " << testing::PrintToString(comctl32);
    EXPECT_FALSE(plantLoaded);
}

}  // namespace
