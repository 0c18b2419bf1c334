// Many transfers, and many openings of the window through all its states, in one process:
// kernel handles, GDI objects and USER objects must come back to where they were.
#include <gtest/gtest.h>

#include <iostream>
#include <memory>

#include "app/TransformQueue.h"
#include "ime/IMECatalogue.h"
#include "res/Resource.h"
#include "tests/support/PrefixInstall.h"
#include "tests/support/ResourceCounts.h"
#include "tests/ui/ProgramWindow.h"
#include "ui/MainWnd.h"

namespace hardening {
namespace {

using testsupport::CountResources;
using testsupport::ResourceCounts;

int outcomes = 0;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TRANSFORM_SUCCEEDED || message == WM_TRANSFORM_FAILED) {
        ++outcomes;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Dispatches messages, as the program's loop does, until done() or a generous limit.
template <typename Done>
bool PumpUntil(Done done, DWORD timeoutMs = 30000)
{
    for (ULONGLONG end = GetTickCount64() + timeoutMs; GetTickCount64() < end;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done()) return true;
    }
    return false;
}

class Leaks : public testing::Test {
protected:
    testsupport::TempDirectoryOverride temp{L"C:\\LexiferryTest\\Leak Temp"};
    testsupport::SogouToolInstall sogou;
    testsupport::KestrixImeInstall kestrix;
};

TEST_F(Leaks, ManyTransfersOnOneWorkerLeaveTheCountsFlat)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = CountingProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"LexiferryLeakTestWindow";
    RegisterClassExW(&windowClass);
    const HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0,
                                        HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(nullptr, window);
    auto queue = std::make_unique<TransformQueue>();
    ASSERT_TRUE(queue->Start(window));

    // Each round takes every road out of a transfer once: success, no export, no entry to
    // take, an IME that refuses. The stand-ins read their control files when a job runs, so
    // each job finishes before the next is set up.
    // The worker destroys a job, closing its files, just after its outcome was handled.
    const auto jobDestroyed = [&] {
        return !testsupport::FileExists(temp.Directory() + L"sogou.tmp") &&
               !testsupport::FileExists(temp.Directory() + L"kestrix.tmp");
    };
    const auto runRounds = [&](int rounds) {
        for (int i = 0; i < rounds; ++i) {
            const int before = outcomes;
            sogou.SetExportLines({L"'ni'hao 你好", L"'zai'jian 再见"});
            sogou.SetBehaviour({});
            kestrix.SetRefuse(false);
            queue->Push(std::make_unique<Transform>(IME_TYPE_SOGOU, IME_TYPE_KESTRIX));
            ASSERT_TRUE(PumpUntil([&] { return outcomes == before + 1 && jobDestroyed(); }));
            sogou.SetBehaviour({.write = false});
            queue->Push(std::make_unique<Transform>(IME_TYPE_SOGOU, IME_TYPE_KESTRIX));
            ASSERT_TRUE(PumpUntil([&] { return outcomes == before + 2 && jobDestroyed(); }));
            sogou.SetBehaviour({});
            sogou.SetExportLines({L";only a comment", L"'de 的"});
            queue->Push(std::make_unique<Transform>(IME_TYPE_SOGOU, IME_TYPE_KESTRIX));
            ASSERT_TRUE(PumpUntil([&] { return outcomes == before + 3 && jobDestroyed(); }));
            sogou.SetExportLines({L"'ni'hao 你好"});
            kestrix.SetRefuse(true);
            queue->Push(std::make_unique<Transform>(IME_TYPE_SOGOU, IME_TYPE_KESTRIX));
            ASSERT_TRUE(PumpUntil([&] { return outcomes == before + 4 && jobDestroyed(); }));
        }
    };
    testing::internal::CaptureStdout();
    runRounds(2);  // the first escape loads the IME, the first export warms Wine's caches
    const ResourceCounts warm = CountResources();
    runRounds(10);
    const ResourceCounts after = CountResources();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(warm, after) << "after 40 more transfers";
    std::cout << "[ counts   ] " << testing::PrintToString(after) << "\n";
    EXPECT_EQ(48, outcomes);
    RecordProperty("transfers", outcomes);

    queue.reset();
    DestroyWindow(window);
}

// One opening of the window: created, shown and painted, sync pressed, the transfer run on a
// worker of its own, the outcome shown with the OK button, and closed.
void OpenSyncAndClose()
{
    MainWnd mainWnd;
    ASSERT_NE(nullptr, mainWnd.Create(RECT{0, 0, 500, MainWnd::HeightFor(detectedImeCount)},
                                      L"Lexiferry", WS_SYSMENU, WS_EX_APPWINDOW));
    auto queue = std::make_unique<TransformQueue>();
    ASSERT_TRUE(queue->Start(mainWnd.hwnd()));
    transformQueue = queue.get();
    ShowWindow(mainWnd.hwnd(), SW_SHOWNORMAL);
    UpdateWindow(mainWnd.hwnd());

    SendMessageW(mainWnd.hwnd(), WM_COMMAND, MAKEWPARAM(ID_SYNC, BN_CLICKED), 0);
    RedrawWindow(mainWnd.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    EXPECT_TRUE(PumpUntil([&] {
        const gui::MainWindowParts parts = gui::FindParts(mainWnd.hwnd());
        return parts.ok != nullptr && IsWindowVisible(parts.ok);
    }));
    RedrawWindow(mainWnd.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    PumpUntil([] { return false; }, 50);

    SendMessageW(mainWnd.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(mainWnd.hwnd()));
    transformQueue = nullptr;
    queue.reset();
    // The window's WM_DESTROY asked the loop to end; this loop is not the program's.
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

TEST_F(Leaks, OpeningTheWindowThroughAllItsStatesLeavesTheCountsFlat)
{
    sogou.SetExportLines({L"'ni'hao 你好", L"'zai'jian 再见"});
    if (IMECatalogue.empty()) detectedImeCount = DetectPinyinIMEs();
    ASSERT_EQ(2, detectedImeCount);

    for (int i = 0; i < 2; ++i) OpenSyncAndClose();
    const ResourceCounts warm = CountResources();
    for (int i = 0; i < 10; ++i) OpenSyncAndClose();
    const ResourceCounts after = CountResources();
    EXPECT_EQ(warm, after) << "after 10 more openings";
    std::cout << "[ counts   ] " << testing::PrintToString(after) << "\n";
    EXPECT_EQ(12u, kestrix.ReceivedPaths().size()) << "one import per opening";
}

}  // namespace
}  // namespace hardening
