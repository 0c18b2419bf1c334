// The DLL search where Windows lacks SetDefaultDllDirectories (Windows 7 SP1 without
// KB2533623). Wine always has the function, so the fallback is reached only through the seam
// that hands the restriction no function. This test program then stands for the program: it
// restricts the search as the program's entry does and loads the common controls through the
// window's own loader.
#include "win/DllSearch.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "tests/support/EnvironmentOverride.h"
#include "tests/support/PrefixInstall.h"
#include "ui/CommonControls.h"

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

// The planted DLL under another name, removed with the mark it leaves (<path>.loaded) when it
// is loaded, so that a failed run leaves nothing that a later one would find.
class Planted {
public:
    explicit Planted(std::wstring path) : path_(std::move(path))
    {
        copied_ = CopyFileW((testsupport::StandinDirectory() + L"planted.dll").c_str(),
                            path_.c_str(), FALSE) != FALSE;
    }
    ~Planted()
    {
        DeleteFileW(path_.c_str());
        DeleteFileW((path_ + L".loaded").c_str());
    }
    Planted(const Planted&) = delete;
    Planted& operator=(const Planted&) = delete;

    bool Copied() const { return copied_; }
    bool Loaded() const { return FileExists(path_ + L".loaded"); }

private:
    std::wstring path_;
    bool copied_ = false;
};

// Where Windows lacks the function, the program's own folder stays first in the search:
// comctl32 must be loaded by its full path, never found beside the program (here: beside this
// test program). Wine finds a DLL of its own by name beside a program only under native-first
// overrides, which the test command sets for this test program (tests/win/CMakeLists.txt).
// What SetDllDirectoryW(L"") does there, taking the current directory out of the search,
// Windows documents and Wine does not do (a DLL in the current directory is still found by
// name afterwards), so no test under Wine can show it.
TEST(Windows7WithoutUpdates, TheWindowTakesComctl32FromTheSystemDirectoryNotFromBesideTheProgram)
{
    ASSERT_NE(std::wstring::npos,
              testsupport::EnvironmentVariable(L"WINEDLLOVERRIDES").find(L"comctl32,uxtheme=n,b"))
        << "without the overrides Wine loads its own comctl32 whatever the program asks for";
    ASSERT_EQ(nullptr, GetModuleHandleW(L"comctl32.dll")) << "comctl32 is loaded already";
    wchar_t system[MAX_PATH] = {};
    ASSERT_NE(0u, GetSystemDirectoryW(system, MAX_PATH));
    const Planted planted(Folder(ModulePath(nullptr)) + L"\\comctl32.dll");
    ASSERT_TRUE(planted.Copied());

    dllsearch::RestrictToSystemDirectory(nullptr);
    // The window's first use of the common controls, as its first image button makes it.
    const INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
    EXPECT_TRUE(comctl::InitCommonControlsEx(&controls));

    const HMODULE comctl32 = GetModuleHandleW(L"comctl32.dll");
    const bool fromSystem = lstrcmpiW((std::wstring(system) + L"\\comctl32.dll").c_str(),
                                      ModulePath(comctl32).c_str()) == 0;
    EXPECT_TRUE(fromSystem) << "comctl32 came from "
                            << testing::PrintToString(ModulePath(comctl32));
    EXPECT_FALSE(planted.Loaded());
    // The window's loader never frees it; a planted one must go before its file can.
    if (comctl32 != nullptr && !fromSystem) FreeLibrary(comctl32);
}

}  // namespace
