// The quiet mode: the sync that the button makes with both boxes checked, without any window
// or message box, for the deployment tools that run the program in each user's session. What
// happened is the exit code, and one line in the log when one is asked for.
#pragma once

class CommandLine;

// The exit codes that deployment scripts test: never renumber them.
enum class QuietExitCode : int {
    Transferred = 0,
    AnotherCopyRunning = 1,
    SogouNotInstalled = 2,  // and no /from file
    KestrixNotInstalled = 3,
    NoEntry = 4,
    NoneTaken = 5,
    ImportFileFailed = 6,
    ImportRefused = 7,
    // Memory ran out outside the transfer: reading the command line, finding the IMEs, or
    // telling the outcome. Inside the transfer it is the cause of the side it ran out on.
    OutOfMemory = 14,  // ERROR_OUTOFMEMORY
    UsageError = 87,   // ERROR_INVALID_PARAMETER
};

// How long the quiet mode lets Sogou's export tool run before it is ended. An export takes
// seconds; a tool that hangs, or waits for a click in a window nobody sees, must not keep the
// deployment tool (and the user's logon script) waiting for ever.
inline constexpr unsigned long QuietExportTimeLimitMs = 10 * 60 * 1000;

// Runs the quiet mode of a command line that asks for it, on the calling thread, and returns
// the process's exit code. The export tool runs without a window of its own and is ended after
// exportTimeLimitMs. The DLL search must have been restricted before.
int RunQuietly(const CommandLine& commandLine, unsigned long exportTimeLimitMs);
