// Carries transfer jobs from the UI thread to one worker thread and reports each outcome
// to a window.
#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <memory>

#include "app/Transform.h"
#include "win/UniqueHandles.h"

// Sent to the notified window with SendMessageW. wParam points at the NUL-terminated result
// text and lParam is its length; both are valid only while the message is handled.
inline constexpr UINT WM_TRANSFORM_SUCCEEDED = WM_USER + 1;
// Sent with wParam and lParam 0.
inline constexpr UINT WM_TRANSFORM_FAILED = WM_USER + 2;

class TransformQueue {
public:
    TransformQueue() = default;
    // The program never destroys its queue. A queue that is destroyed (in a test) stops its
    // worker after the job it is running and frees the jobs still waiting.
    ~TransformQueue();
    TransformQueue(const TransformQueue&) = delete;
    TransformQueue& operator=(const TransformQueue&) = delete;

    // Starts the worker thread; notifications go to window. Called once, before any Push.
    bool Start(HWND window);
    // Queues a job; the queue owns it from now on. Never waits for a running transfer.
    void Push(std::unique_ptr<Transform> job);

private:
    static DWORD WINAPI WorkerProc(LPVOID queue);
    // Takes the front job out in one locked step; none when the queue is empty.
    std::unique_ptr<Transform> TakeNext();
    void Notify(Transform& job, bool succeeded) const;

    std::deque<std::unique_ptr<Transform>> jobs;
    win::unique_handle thread;
    win::unique_handle wakeEvent;
    std::atomic<bool> stopRequested = false;
    CRITICAL_SECTION lock = {};
    bool lockInitialised = false;
    HWND notifyWindow = nullptr;
};

// The process's one queue, created by the entry point and never freed.
extern TransformQueue* transformQueue;
