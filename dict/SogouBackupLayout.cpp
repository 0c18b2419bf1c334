#include "dict/SogouBackupLayout.h"

#include <cstring>

namespace {

// The configuration's counts, at 8, 0x0C and 0x10; its key descriptions follow.
constexpr std::uint64_t FirstKeyDescription = 0x14;
// After the configuration: version, format, payload size and the three counts of stores.
constexpr std::uint64_t PayloadFieldsBytes = 24;
constexpr std::uint64_t StoreHeaderBytes = 12;

}  // namespace

bool SogouStoreFrameOf(const unsigned char* head, std::size_t headBytes, std::uint64_t fileBytes,
                       SogouStoreFrame& frame)
{
    if (head == nullptr) return false;
    // Never more than the head, whatever the caller holds: the file that a window checks from
    // its head and the one read whole must be told alike.
    std::uint64_t available = headBytes < fileBytes ? headBytes : fileBytes;
    if (available > SogouBackupHeadBytes) available = SogouBackupHeadBytes;
    if (available < FirstKeyDescription) return false;
    const std::uint64_t configurationEnd = std::uint64_t{SogouU32At(head, 4)} + 8;
    if (configurationEnd + PayloadFieldsBytes > available) return false;
    SogouStoreFrame found;
    found.keyDescriptions = SogouU32At(head, 8);
    found.attributeDescriptions = SogouU32At(head, 0x0C);
    const std::uint32_t extraValues = SogouU32At(head, 0x10);
    if (found.keyDescriptions == 0) return false;  // a store of nothing is no store

    // Each key description takes 20 bytes at least, and the walk stops at the configuration's
    // end, within the head: a count of billions ends it after a few hundred steps.
    std::uint64_t position = FirstKeyDescription;
    for (std::uint32_t key = 0; key < found.keyDescriptions; ++key) {
        if (position + 4 > configurationEnd) return false;
        const std::uint64_t typeCodes = SogouU16At(head, position + 2);
        position += 4 + 2 * typeCodes + 16;
    }
    position += 16 * std::uint64_t{found.attributeDescriptions} + 4 * std::uint64_t{extraValues};
    if (position != configurationEnd) return false;

    found.payloadBytes = SogouU32At(head, configurationEnd + 8);
    found.indexStores = SogouU32At(head, configurationEnd + 12);
    found.attributeStores = SogouU32At(head, configurationEnd + 16);
    found.dataStores = SogouU32At(head, configurationEnd + 20);
    const std::uint64_t stores =
        std::uint64_t{found.indexStores} + found.attributeStores + found.dataStores;
    const std::uint64_t payloadBase =
        configurationEnd + PayloadFieldsBytes + StoreHeaderBytes * stores;
    if (payloadBase > available ||
        payloadBase + found.payloadBytes + SogouStoreTrailerBytes != fileBytes) {
        return false;
    }
    found.storeHeaders = static_cast<std::uint32_t>(configurationEnd + PayloadFieldsBytes);
    found.payloadBase = static_cast<std::uint32_t>(payloadBase);
    frame = found;
    return true;
}

SogouBackupLayout SogouBackupLayoutOf(const unsigned char* head, std::size_t headBytes,
                                      std::uint64_t fileBytes)
{
    if (head != nullptr && headBytes >= 4 && fileBytes >= 4 && std::memcmp(head, "SGPU", 4) == 0) {
        return SogouBackupLayout::Sgpu;
    }
    SogouStoreFrame frame;
    return SogouStoreFrameOf(head, headBytes, fileBytes, frame) ? SogouBackupLayout::Store
                                                                : SogouBackupLayout::None;
}
