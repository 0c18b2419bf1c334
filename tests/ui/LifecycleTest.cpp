// One copy at a time, and every way out ends the process with exit code 0.
#include <gtest/gtest.h>

#include "tests/ui/ProgramWindow.h"

using namespace gui;

TEST(Lifecycle, ASecondCopyEndsAtOnceAndANewOneStartsAfterTheFirst)
{
    LayoutInstall layouts({{L"E0E10804", SogouName}});
    DWORD exitCode = 1234;
    {
        // The name is what copies of different builds agree on, so another process holds it
        // here: two copies of one build would agree on any name.
        win::unique_handle held(::CreateMutexW(nullptr, TRUE, L"lexiferry_mutex"));
        ASSERT_TRUE(held);
        Program blocked;
        ASSERT_TRUE(blocked.Start());
        ASSERT_TRUE(blocked.WaitForExit(5000, exitCode)) << "it ran while the mutex was held";
        EXPECT_EQ(0u, exitCode);
    }

    Program first;
    ASSERT_TRUE(first.Start());
    const HWND main = first.WaitForMainWindow();
    ASSERT_NE(nullptr, main);

    Program second;
    ASSERT_TRUE(second.Start());
    exitCode = 1234;
    ASSERT_TRUE(second.WaitForExit(5000, exitCode));
    EXPECT_EQ(0u, exitCode);
    EXPECT_TRUE(first.Running());
    EXPECT_TRUE(::IsWindowVisible(main));
    EXPECT_EQ(main, first.WaitForMainWindow(0));

    const MainWindowParts parts = FindParts(main);
    Click(parts.cancel, 66, 20);
    ASSERT_TRUE(first.WaitForExit(5000, exitCode));
    EXPECT_EQ(0u, exitCode);

    Program third;
    ASSERT_TRUE(third.Start());
    EXPECT_NE(nullptr, third.WaitForMainWindow());
}

TEST(Lifecycle, TheCloseBoxEndsTheProgramWithZero)
{
    Program program;
    ASSERT_TRUE(program.Start());
    const HWND main = program.WaitForMainWindow();
    ASSERT_NE(nullptr, main);
    const POINT close = CloseBoxPoint(main);
    ASSERT_LT(close.y, 0) << "no close box found in the caption";
    Click(main, close.x, close.y);
    DWORD exitCode = 1234;
    ASSERT_TRUE(program.WaitForExit(3000, exitCode));
    EXPECT_EQ(0u, exitCode);
}
