#include "app/TransformQueue.h"

TransformQueue* transformQueue = nullptr;

bool TransformQueue::Start(HWND) { return false; }
void TransformQueue::Push(std::unique_ptr<Transform>) {}
DWORD WINAPI TransformQueue::WorkerProc(LPVOID) { return 0; }
