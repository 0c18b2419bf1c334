#include "app/TransformQueue.h"

TransformQueue* transformQueue = nullptr;

TransformQueue::~TransformQueue()
{
    if (thread) {
        stopRequested = true;
        SetEvent(wakeEvent.get());
        WaitForSingleObject(thread.get(), INFINITE);
    }
    jobs.clear();
    if (lockInitialised) DeleteCriticalSection(&lock);
}

bool TransformQueue::Start(HWND window)
{
    notifyWindow = window;
    wakeEvent.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!wakeEvent) return false;
    InitializeCriticalSection(&lock);
    lockInitialised = true;
    thread.reset(CreateThread(nullptr, 0, WorkerProc, this, 0, nullptr));
    return static_cast<bool>(thread);
}

void TransformQueue::Push(std::unique_ptr<Transform> job)
{
    // Without a lock Start failed early and no worker will ever exist: the job is dropped
    // here rather than kept for ever.
    if (!lockInitialised) return;
    {
        win::critical_section_lock held(lock);
        jobs.push_back(std::move(job));
    }
    SetEvent(wakeEvent.get());
}

std::unique_ptr<Transform> TransformQueue::TakeNext()
{
    win::critical_section_lock held(lock);
    if (jobs.empty()) return nullptr;
    std::unique_ptr<Transform> job = std::move(jobs.front());
    jobs.pop_front();
    return job;
}

void TransformQueue::Notify(Transform& job, bool succeeded) const
{
    // SendMessageW waits until the window has handled the message, so the text (and the
    // job's temporary files) outlive the handler. A window that is gone fails at once.
    if (succeeded) {
        std::wstring text;
        job.GetResultText(text);
        SendMessageW(notifyWindow, WM_TRANSFORM_SUCCEEDED, reinterpret_cast<WPARAM>(text.c_str()),
                     static_cast<LPARAM>(text.size()));
    } else {
        SendMessageW(notifyWindow, WM_TRANSFORM_FAILED, 0, 0);
    }
}

DWORD WINAPI TransformQueue::WorkerProc(LPVOID parameter)
{
    TransformQueue& queue = *static_cast<TransformQueue*>(parameter);
    for (;;) {
        if (WaitForSingleObject(queue.wakeEvent.get(), INFINITE) != WAIT_OBJECT_0) return 0;
        if (queue.stopRequested) return 0;
        while (std::unique_ptr<Transform> job = queue.TakeNext()) {
            const bool succeeded = job->Run() == TransferOutcome::Transferred;
            queue.Notify(*job, succeeded);
            job.reset();  // deletes its temporary files, only now that the outcome is handled
            if (queue.stopRequested) return 0;
        }
    }
}
