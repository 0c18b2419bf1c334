// The queue on a real message-only window: the worker's SendMessageW is handled while this
// thread pumps messages, as the main window's thread does.
#include "app/TransformQueue.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/app/TransferFixture.h"
#include "tests/support/PrefixInstall.h"

namespace {

using testsupport::FileExists;

struct Notification {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::wstring text;
    bool sogouFileExisted;
    bool kestrixFileExisted;
};

std::vector<Notification>* received = nullptr;
std::wstring temporaryDirectory;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if ((message == WM_TRANSFORM_SUCCEEDED || message == WM_TRANSFORM_FAILED) && received) {
        Notification notification{message, wParam, lParam, {}, false, false};
        if (message == WM_TRANSFORM_SUCCEEDED && wParam != 0) {
            const wchar_t* text = reinterpret_cast<const wchar_t*>(wParam);
            // The terminating NUL sits exactly at index lParam.
            if (text[lParam] == L'\0') notification.text.assign(text, lParam);
        }
        notification.sogouFileExisted = FileExists(temporaryDirectory + L"sogou.tmp");
        notification.kestrixFileExisted = FileExists(temporaryDirectory + L"kestrix.tmp");
        received->push_back(notification);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class TransformQueueTest : public testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = RecordingProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"LexiferryQueueTestWindow";
        RegisterClassExW(&windowClass);
        window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                 nullptr, windowClass.hInstance, nullptr);
        ASSERT_NE(nullptr, window);
        received = &notifications;
        temporaryDirectory = temp.Directory();
        sogou.SetExportLines({L"'ni'hao \x4F60\x597D", L"'zai'jian \x518D\x89C1"});
    }
    void TearDown() override
    {
        received = nullptr;
        DestroyWindow(window);
    }

    // Pumps messages until count notifications arrived (or a generous limit passed), then
    // for settleMs more so that a stray notification would be seen.
    void PumpUntil(std::size_t count, DWORD settleMs = 300)
    {
        const ULONGLONG limit = GetTickCount64() + 60000;
        ULONGLONG settleEnd = 0;
        for (;;) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            const ULONGLONG now = GetTickCount64();
            if (notifications.size() >= count && settleEnd == 0) settleEnd = now + settleMs;
            if ((settleEnd != 0 && now >= settleEnd) || now >= limit) return;
        }
    }

    static std::unique_ptr<Transform> Succeeding()
    {
        return std::make_unique<Transform>(IME_TYPE_SOGOU, IME_TYPE_KESTRIX);
    }
    // Fails at once: QQ has no dictionary file. Its Kestrix file exists until it is destroyed.
    static std::unique_ptr<Transform> Failing()
    {
        return std::make_unique<Transform>(IME_TYPE_QQ, IME_TYPE_KESTRIX);
    }

    void ExpectSucceeded(const Notification& notification)
    {
        EXPECT_EQ(WM_TRANSFORM_SUCCEEDED, notification.message);
        const std::wstring expected = testsupport::ExpectedResultText(2);
        EXPECT_EQ(expected, notification.text);
        EXPECT_EQ(static_cast<LPARAM>(expected.size()), notification.lParam);
        // The job is destroyed only after its notification was handled.
        EXPECT_TRUE(notification.sogouFileExisted);
        EXPECT_TRUE(notification.kestrixFileExisted);
    }
    void ExpectFailed(const Notification& notification)
    {
        EXPECT_EQ(WM_TRANSFORM_FAILED, notification.message);
        EXPECT_EQ(0u, notification.wParam);
        EXPECT_EQ(0, notification.lParam);
        EXPECT_TRUE(notification.kestrixFileExisted);
    }
    void ExpectFilesGone()
    {
        // The worker destroys the job right after SendMessageW returns.
        for (int i = 0; i < 100 && (FileExists(temporaryDirectory + L"kestrix.tmp") ||
                                    FileExists(temporaryDirectory + L"sogou.tmp"));
             ++i) {
            Sleep(20);
        }
        EXPECT_FALSE(FileExists(temporaryDirectory + L"kestrix.tmp"));
        EXPECT_FALSE(FileExists(temporaryDirectory + L"sogou.tmp"));
    }

    testsupport::TempDirectoryOverride temp{L"C:\\LexiferryTest\\Queue Temp"};
    testsupport::SogouToolInstall sogou;
    testsupport::KestrixImeInstall kestrix;
    HWND window = nullptr;
    std::vector<Notification> notifications;
};

TEST_F(TransformQueueTest, RunsJobsInPushOrderWithOneNotificationEach)
{
    TransformQueue queue;
    ASSERT_TRUE(queue.Start(window));
    queue.Push(Succeeding());
    queue.Push(Failing());
    PumpUntil(2);
    ASSERT_EQ(2u, notifications.size());
    ExpectSucceeded(notifications[0]);
    ExpectFailed(notifications[1]);
    ExpectFilesGone();

    // The same worker, woken again; and the other order.
    notifications.clear();
    queue.Push(Failing());
    queue.Push(Succeeding());
    PumpUntil(2);
    ASSERT_EQ(2u, notifications.size());
    ExpectFailed(notifications[0]);
    ExpectSucceeded(notifications[1]);
    ExpectFilesGone();
}

TEST_F(TransformQueueTest, JobPushedWhileAnotherRunsFollowsIt)
{
    sogou.SetBehaviour({.delayMs = 600});
    TransformQueue queue;
    ASSERT_TRUE(queue.Start(window));
    queue.Push(Succeeding());
    Sleep(200);  // the export tool is running now
    queue.Push(Failing());
    PumpUntil(2, 500);
    ASSERT_EQ(2u, notifications.size());
    ExpectSucceeded(notifications[0]);
    ExpectFailed(notifications[1]);
    EXPECT_EQ(1u, kestrix.ReceivedPaths().size());
}

TEST_F(TransformQueueTest, PushWithoutAStartedQueueNeitherCrashesNorBlocks)
{
    TransformQueue queue;
    const ULONGLONG start = GetTickCount64();
    queue.Push(Succeeding());
    queue.Push(Failing());
    EXPECT_LT(GetTickCount64() - start, 1000u);
    PumpUntil(0, 300);
    EXPECT_TRUE(notifications.empty());
    EXPECT_TRUE(sogou.ReceivedCommandLine().empty());
}

TEST_F(TransformQueueTest, NotificationToAClosedWindowIsDroppedAndTheJobStillDestroyed)
{
    TransformQueue queue;
    ASSERT_TRUE(queue.Start(window));
    DestroyWindow(window);
    window = nullptr;
    queue.Push(Succeeding());
    for (int i = 0; i < 1500 && kestrix.ReceivedPaths().empty(); ++i) Sleep(20);
    EXPECT_EQ(1u, kestrix.ReceivedPaths().size());
    ExpectFilesGone();
    EXPECT_TRUE(notifications.empty());
}

}  // namespace
