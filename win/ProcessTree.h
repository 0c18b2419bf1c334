// A started program together with every process it starts in turn, so that a program that
// leaves a helper or an updater behind can still be ended whole.
#pragma once

#include <windows.h>

#include <string>

#include "win/UniqueHandles.h"

class ProcessTree {
public:
    ProcessTree() = default;
    ProcessTree(const ProcessTree&) = delete;
    ProcessTree& operator=(const ProcessTree&) = delete;
    // Closing the job ends whatever is still in it.
    ~ProcessTree() = default;

    // CreateProcessW with the program's full path (nothing is searched), its command line, no
    // handle inherited, the creation flags, the current directory and the start-up values. The
    // program starts inside a job of its own that ends every process in it when the job is
    // closed. Where Windows gives no such job (Windows 7 puts no process in a second job, and
    // a deployment agent may run us in one), the program starts all the same, alone.
    bool Start(const std::wstring& program, std::wstring& commandLine, DWORD creationFlags,
               const wchar_t* directory, STARTUPINFOW& startup);

    HANDLE Process() const { return process_.get(); }

    // Ends the program and everything it started (only the program, without a job) with
    // exitCode, and waits up to waitMs for all of them to be gone. True when they are.
    bool End(UINT exitCode, DWORD waitMs);

private:
    win::unique_handle job_;
    win::unique_handle process_;
};
