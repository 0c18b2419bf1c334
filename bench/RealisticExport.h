// A Sogou export as a real user's dictionary looks: words of two to eight characters with
// their readings, a few that Kestrix does not take, comment lines at the top.
#pragma once

#include <cstddef>
#include <string>

namespace bench {

struct RealisticExport {
    std::string bytes;  // UTF-16LE with its mark, CR LF line ends
    std::size_t entries = 0;
    std::size_t transferable = 0;  // entries the Kestrix import takes
};

// The same entryCount gives the same export on every run.
RealisticExport MakeRealisticExport(std::size_t entryCount);

}  // namespace bench
