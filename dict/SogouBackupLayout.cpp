#include "dict/SogouBackupLayout.h"

#include <cstring>

SogouBackupLayout SogouBackupLayoutOf(const unsigned char* head, std::size_t headBytes,
                                      std::uint64_t /*fileBytes*/)
{
    if (head != nullptr && headBytes >= 4 && std::memcmp(head, "SGPU", 4) == 0) {
        return SogouBackupLayout::Sgpu;
    }
    return SogouBackupLayout::None;
}
