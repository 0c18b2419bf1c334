#include "tests/support/ResourceCounts.h"

#include <windows.h>

#include <cstdint>

namespace testsupport {

namespace {

constexpr std::uintptr_t KernelHandleProbeEnd = 0x40000;  // 64 Ki handle values, 4 apart
constexpr std::uintptr_t UserHandleProbeEnd = 0x10000;

std::size_t ProbeKernelHandles()
{
    std::size_t count = 0;
    for (std::uintptr_t value = 4; value < KernelHandleProbeEnd; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
    }
    return count;
}

std::size_t ProbeGdiObjects()
{
    std::size_t count = 0;
    for (std::uintptr_t value = 1; value < UserHandleProbeEnd; ++value) {
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(value)) != 0) ++count;
    }
    return count;
}

std::size_t ProbeUserObjects()
{
    const DWORD self = GetCurrentProcessId();
    std::size_t count = 0;
    for (std::uintptr_t value = 1; value < UserHandleProbeEnd; ++value) {
        const HWND window = reinterpret_cast<HWND>(value);
        DWORD owner = 0;
        if (IsWindow(window) && GetWindowThreadProcessId(window, &owner) != 0 && owner == self) {
            ++count;
        }
        if (IsMenu(reinterpret_cast<HMENU>(value))) ++count;
    }
    return count;
}

}  // namespace

void PrintTo(const ResourceCounts& counts, std::ostream* out)
{
    *out << counts.kernelHandles << " handles, " << counts.gdiObjects << " GDI objects, "
         << counts.userObjects << " USER objects";
}

ResourceCounts CountResources()
{
    ResourceCounts counts;
    DWORD handles = 0;
    counts.kernelHandles = GetProcessHandleCount(GetCurrentProcess(), &handles) && handles != 0
                               ? handles
                               : ProbeKernelHandles();
    const DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    counts.gdiObjects = gdi != 0 ? gdi : ProbeGdiObjects();
    const DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    counts.userObjects = user != 0 ? user : ProbeUserObjects();
    return counts;
}

}  // namespace testsupport
