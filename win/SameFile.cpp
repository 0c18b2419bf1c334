#include "win/SameFile.h"

#include <windows.h>

#include "win/FullPath.h"
#include "win/UniqueHandles.h"

namespace {

bool IdentityOf(const std::wstring& path, BY_HANDLE_FILE_INFORMATION& identity)
{
    std::wstring systemPath;
    if (!SystemPathOf(path, systemPath)) return false;
    // Access 0 reads the attributes only: no time of the file changes. Backup semantics lets
    // a folder open too, so that it is compared rather than taken for no file.
    win::unique_hfile file(
        CreateFileW(systemPath.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file && GetFileInformationByHandle(file.get(), &identity) != FALSE;
}

}  // namespace

bool IsSameFile(const std::wstring& first, const std::wstring& second)
{
    BY_HANDLE_FILE_INFORMATION one{};
    BY_HANDLE_FILE_INFORMATION other{};
    return IdentityOf(first, one) && IdentityOf(second, other) &&
           one.dwVolumeSerialNumber == other.dwVolumeSerialNumber &&
           one.nFileIndexHigh == other.nFileIndexHigh && one.nFileIndexLow == other.nFileIndexLow;
}
