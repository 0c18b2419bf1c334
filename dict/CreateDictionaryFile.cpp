#include "dict/CreateDictionaryFile.h"

#include <new>

#include "dict/DictionaryFileKestrix.h"
#include "dict/DictionaryFileSogou.h"
#include "dict/DictionaryFileSogouText.h"

std::unique_ptr<DictionaryFileBase> CreateDictionaryFile(IME_TYPE type, DictionaryFileMode mode)
{
    std::unique_ptr<DictionaryFileBase> file;
    switch (type) {
        case IME_TYPE_KESTRIX:
            file.reset(new (std::nothrow) DictionaryFileKestrix(mode));
            break;
        case IME_TYPE_SOGOU:
            file.reset(new (std::nothrow) DictionaryFileSogou(mode));
            break;
        default:
            return nullptr;
    }
    if (!file || !file->Open()) return nullptr;
    return file;
}

SogouExport ExportSogouDictionary(const ExportToolRun& run)
{
    SogouExport opened;
    std::unique_ptr<DictionaryFileSogou> file(
        new (std::nothrow) DictionaryFileSogou(DictionaryFileMode::Read, run));
    if (!file) return opened;
    if (!file->Open()) {
        opened.timedOut = file->ExportTimedOut();
        return opened;
    }
    opened.file = std::move(file);
    return opened;
}

std::unique_ptr<DictionaryFileBase> OpenSogouTextFile(const wchar_t* path)
{
    std::unique_ptr<DictionaryFileSogouText> file(new (std::nothrow) DictionaryFileSogouText());
    if (!file || !file->ReadUserFile(path)) return nullptr;
    return file;
}
