// How many kernel handles, GDI objects and USER objects this process holds, for tests that
// show a repeated action leaves them flat.
#pragma once

#include <cstddef>
#include <ostream>

namespace testsupport {

struct ResourceCounts {
    std::size_t kernelHandles = 0;
    std::size_t gdiObjects = 0;
    std::size_t userObjects = 0;

    friend bool operator==(const ResourceCounts&, const ResourceCounts&) = default;
};

// For test messages: "12 handles, 40 GDI objects, 9 USER objects".
void PrintTo(const ResourceCounts& counts, std::ostream* out);

// GetProcessHandleCount and GetGuiResources where the system answers them. Wine answers
// neither (a handle count of 0; GetGuiResources fails with ERROR_CALL_NOT_IMPLEMENTED), so
// there the live handles are counted by probing: kernel handles with GetHandleInformation,
// GDI objects with GetObjectType and windows and menus with IsWindow and IsMenu over the
// 16-bit handle values, which Wine accepts for any generation of the object.
ResourceCounts CountResources();

}  // namespace testsupport
