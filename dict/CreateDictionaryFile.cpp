#include "dict/CreateDictionaryFile.h"

#include <new>

#include "dict/DictionaryFileKestrix.h"
#include "dict/DictionaryFileSogou.h"
#include "dict/DictionaryFileSogouText.h"

std::unique_ptr<DictionaryFileBase> CreateDictionaryFile(IME_TYPE type, DictionaryFileMode mode,
                                                         ExportToolRun* exportRun)
{
    std::unique_ptr<DictionaryFileBase> file;
    switch (type) {
        case IME_TYPE_KESTRIX:
            file.reset(new (std::nothrow) DictionaryFileKestrix(mode));
            break;
        case IME_TYPE_SOGOU:
            file.reset(new (std::nothrow) DictionaryFileSogou(mode, exportRun));
            break;
        default:
            return nullptr;
    }
    if (!file || !file->Open()) return nullptr;
    return file;
}

std::unique_ptr<DictionaryFileBase> OpenSogouTextFile(const wchar_t* path)
{
    std::unique_ptr<DictionaryFileSogouText> file(new (std::nothrow) DictionaryFileSogouText());
    if (!file || !file->ReadUserFile(path)) return nullptr;
    return file;
}
