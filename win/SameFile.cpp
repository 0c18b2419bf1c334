// The 128-bit file id and its information class are declared for Windows 8 and later only;
// the function that reads them (GetFileInformationByHandleEx) is Vista's. Nothing else of
// Windows 8 is used here: Windows 7 refuses the class at run time, and the program's import
// table is checked against what Windows 7 has.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0602

#include "win/SameFile.h"

#include <windows.h>

#include <cstring>

#include "win/FullPath.h"
#include "win/UniqueHandles.h"

namespace {

// A file as Windows tells it apart: its volume and its id there. ReFS promises unique ids in
// 128 bits only, where its 64-bit index may be shared by two files; Windows 8 and later give
// the 128-bit id, Windows 7 (NTFS and FAT only) the 64-bit index.
struct FileIdentity {
    ULONGLONG volume = 0;
    unsigned char id[16] = {};
};

bool IdentityOf(const std::wstring& path, FileIdentity& identity)
{
    std::wstring systemPath;
    if (!SystemPathOf(path, systemPath)) return false;
    // Access 0 reads the attributes only: no time of the file changes. Backup semantics lets
    // a folder open too, so that it is compared rather than taken for no file.
    win::unique_hfile file(
        CreateFileW(systemPath.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return false;
    FILE_ID_INFO full{};
    if (GetFileInformationByHandleEx(file.get(), FileIdInfo, &full, sizeof(full))) {
        identity.volume = full.VolumeSerialNumber;
        static_assert(sizeof(full.FileId.Identifier) == sizeof(identity.id));
        std::memcpy(identity.id, full.FileId.Identifier, sizeof(identity.id));
        return true;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(file.get(), &information)) return false;
    identity.volume = information.dwVolumeSerialNumber;
    const ULONGLONG index =
        (ULONGLONG{information.nFileIndexHigh} << 32) | information.nFileIndexLow;
    std::memcpy(identity.id, &index, sizeof(index));
    return true;
}

}  // namespace

bool IsSameFile(const std::wstring& first, const std::wstring& second)
{
    FileIdentity one;
    FileIdentity other;
    return IdentityOf(first, one) && IdentityOf(second, other) && one.volume == other.volume &&
           std::memcmp(one.id, other.id, sizeof(one.id)) == 0;
}
