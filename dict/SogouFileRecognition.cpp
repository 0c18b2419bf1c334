#include "dict/SogouFileRecognition.h"

#include <windows.h>

#include <cstdint>

#include "dict/DictionaryFileSogouText.h"
#include "win/FullPath.h"
#include "win/UniqueHandles.h"

bool RecognisedAsSogouDictionary(const std::wstring& path)
{
    std::wstring systemPath;
    if (!SystemPathOf(path, systemPath)) return false;
    win::unique_hfile file(::CreateFileW(systemPath.c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
    // A console, a pipe or a port opens as well, and a read from it may wait forever.
    LARGE_INTEGER size{};
    if (!file || ::GetFileType(file.get()) != FILE_TYPE_DISK ||
        !::GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0) {
        return false;
    }
    const auto fileBytes = static_cast<std::uint64_t>(size.QuadPart);
    unsigned char head[SogouFileHeadBytes];
    const DWORD wanted = fileBytes < sizeof(head) ? static_cast<DWORD>(fileBytes) : sizeof(head);
    DWORD read = 0;
    if (!::ReadFile(file.get(), head, wanted, &read, nullptr) || read != wanted) return false;

    if (SogouBackupLayoutOf(head, read, fileBytes) != SogouBackupLayout::None) return true;
    return DictionaryFileSogouText::HeadHoldsEntry(head, read, read == fileBytes);
}
