// The stand-ins must behave as the tests of the program assume: a test of the program that
// passes on a broken stand-in proves nothing.
#include <windows.h>
#include <imm.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/PrefixInstall.h"
#include "win/UniqueHandles.h"

namespace {

using testsupport::FileExists;
using testsupport::ReadFileBytes;

DWORD RunAndWait(std::wstring commandLine)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return 0xFFFFFFFF;
    }
    win::unique_handle processHandle(process.hProcess);
    win::unique_handle threadHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    return exitCode;
}

HKL FindLayout(DWORD low32)
{
    HKL layouts[64] = {};
    const int count = GetKeyboardLayoutList(64, layouts);
    for (int i = 0; i < count; ++i) {
        if ((reinterpret_cast<ULONG_PTR>(layouts[i]) & 0xFFFFFFFF) == low32) return layouts[i];
    }
    return nullptr;
}

TEST(SgToolStandin, WritesTheChosenExportAndRecordsItsCommandLine)
{
    testsupport::TempDirectoryOverride temp(L"C:\\LexiferryTest\\Temp Dir");
    testsupport::SogouToolInstall sogou;
    sogou.SetExportLines({L";comment", L"'ni'hao \x4F60\x597D"});
    const std::wstring exportPath = temp.Directory() + L"out.tmp";
    const std::wstring commandLine = L"\"" + sogou.ToolDirectory() +
                                     L"sgtool.exe\" --appid=userdict --export \"" + exportPath +
                                     L"\"";

    EXPECT_EQ(0u, RunAndWait(commandLine));
    EXPECT_EQ(commandLine, sogou.ReceivedCommandLine());
    EXPECT_FALSE(sogou.ExportExistedAtStart());
    EXPECT_EQ(testsupport::Utf16Export({L";comment", L"'ni'hao \x4F60\x597D"}),
              ReadFileBytes(exportPath));

    EXPECT_EQ(0u, RunAndWait(commandLine));
    EXPECT_TRUE(sogou.ExportExistedAtStart());
}

TEST(SgToolStandin, FailsAsToldAndRefusesAnArgumentSplitBySpaces)
{
    testsupport::TempDirectoryOverride temp(L"C:\\LexiferryTest\\Temp Dir");
    testsupport::SogouToolInstall sogou;
    sogou.SetExport("bytes");
    const std::wstring exportPath = temp.Directory() + L"out.tmp";
    const std::wstring tool = L"\"" + sogou.ToolDirectory() + L"sgtool.exe\"";

    sogou.SetBehaviour({.write = false, .exitCode = 7});
    EXPECT_EQ(7u, RunAndWait(tool + L" --appid=userdict --export \"" + exportPath + L"\""));
    EXPECT_FALSE(FileExists(exportPath));

    sogou.SetBehaviour({});
    EXPECT_EQ(2u, RunAndWait(tool + L" --appid=userdict --export " + exportPath));
    EXPECT_FALSE(FileExists(exportPath));

    sogou.SetBehaviour({.crash = true});
    EXPECT_NE(0u, RunAndWait(tool + L" --appid=userdict --export \"" + exportPath + L"\""));
    EXPECT_EQ("bytes", ReadFileBytes(exportPath));
}

TEST(KestrixImeStandin, ReceivesEscapeThroughTheInputMethodManager)
{
    testsupport::TempDirectoryOverride temp(L"C:\\LexiferryTest\\Temp Dir");
    testsupport::KestrixImeInstall kestrix;
    HKL layout = FindLayout(0xE0F00804);
    ASSERT_NE(nullptr, layout);
    wchar_t fileName[MAX_PATH] = {};
    ASSERT_NE(0u, ImmGetIMEFileNameW(layout, fileName, MAX_PATH));
    EXPECT_STREQ(L"KestrixPinyin2.ime", fileName);

    const std::wstring path = temp.Directory() + L"import.tmp";
    win::unique_hfile held(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                       0, nullptr));
    ASSERT_TRUE(held);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(held.get(), "abc\r\n", 5, &written, nullptr));

    HIMC context = ImmCreateContext();
    std::wstring argument = path;
    EXPECT_NE(0, ImmEscapeW(layout, context, 0x800, argument.data()));
    EXPECT_EQ("abc\r\n", kestrix.ReceivedBytes());

    kestrix.SetRefuse(true);
    EXPECT_EQ(0, ImmEscapeW(layout, context, 0x800, argument.data()));
    EXPECT_EQ("abc\r\n", kestrix.ReceivedBytes());
    EXPECT_EQ((std::vector<std::wstring>{path, path}), kestrix.ReceivedPaths());
    ImmDestroyContext(context);

    // A 64-bit Windows has the IME in both widths, under one name: each program reaches its own.
    if (!kestrix.OtherWidthWanted()) {
        GTEST_SKIP() << "the other width's stand-in IME is not installed: "
                     << kestrix.WhyNoOtherWidth();
    }
    ASSERT_TRUE(kestrix.OtherWidthInstalled())
        << "the other width's stand-in IME is not where this test looks for its record";
    EXPECT_EQ("", kestrix.OtherWidthReceivedBytes());
}

}  // namespace
