// How Sogou's export tool is started and waited for. The window waits for the tool as long as
// it takes, with the user there to see it; a run that nobody watches shows nothing of the
// tool's and gives it a limit, past which the tool is ended with every process it started.
#pragma once

#include <cstdint>

struct ExportToolRun {
    // No console window (the tool is a command-line program) and its own window hidden.
    bool hidden = false;
    // How long the tool may run, in milliseconds; Forever waits for its end.
    static constexpr std::uint32_t Forever = 0xFFFFFFFF;  // INFINITE
    std::uint32_t timeLimitMs = Forever;
};
