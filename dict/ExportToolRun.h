// How Sogou's export tool is started and waited for, and how its run ended. The window waits
// for the tool as long as it takes, with the user there to see it; a run that nobody watches
// shows nothing of the tool's and gives it a limit, past which it is ended.
#pragma once

#include <windows.h>

struct ExportToolRun {
    // No console window (the tool is a command-line program) and its own window hidden.
    bool hidden = false;
    // How long the tool may run; INFINITE waits for its end.
    DWORD timeLimitMs = INFINITE;
    // Set by the export: the tool was still running at the limit and has been ended. What it
    // had written is not read.
    bool timedOut = false;
};
