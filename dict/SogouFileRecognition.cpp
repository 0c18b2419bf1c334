#include "dict/SogouFileRecognition.h"

#include <windows.h>

#include <cstdint>

#include "dict/DictionaryFileSogouText.h"
#include "win/UserFile.h"

bool RecognisedAsSogouDictionary(const std::wstring& path)
{
    const win::unique_hfile file = win::OpenUserFileToRead(path.c_str());
    unsigned char head[SogouFileHeadBytes];
    std::size_t headBytes = 0;
    std::uint64_t fileBytes = 0;
    if (!file || !win::ReadFileHead(file.get(), head, sizeof(head), headBytes, fileBytes) ||
        fileBytes == 0) {
        return false;
    }
    if (SogouBackupLayoutOf(head, headBytes, fileBytes) != SogouBackupLayout::None) return true;
    return DictionaryFileSogouText::HeadHoldsEntry(head, headBytes, headBytes == fileBytes);
}
