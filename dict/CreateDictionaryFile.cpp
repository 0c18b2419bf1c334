#include "dict/CreateDictionaryFile.h"

#include <windows.h>

#include <new>

#include "dict/DictionaryFileKestrix.h"
#include "dict/DictionaryFileSogou.h"
#include "dict/DictionaryFileSogouBackup.h"
#include "dict/DictionaryFileSogouText.h"
#include "dict/SogouBackupLayout.h"
#include "win/UserFile.h"

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

std::unique_ptr<DictionaryFileBase> OpenSogouUserFile(const wchar_t* path, bool& refusedBackup)
{
    refusedBackup = false;
    // Opened once, and closed as soon as it is read: its head tells which reader reads it.
    const win::unique_hfile source = win::OpenUserFileToRead(path);
    unsigned char head[SogouBackupHeadBytes];
    std::size_t headBytes = 0;
    std::uint64_t size = 0;
    if (!source || !win::ReadFileHead(source.get(), head, sizeof(head), headBytes, size)) {
        return nullptr;
    }
    if (SogouBackupLayoutOf(head, headBytes, size) == SogouBackupLayout::None) {
        std::unique_ptr<DictionaryFileSogouText> text(new (std::nothrow) DictionaryFileSogouText());
        if (!text || !text->ReadUserFile(source.get())) return nullptr;
        return text;
    }
    std::unique_ptr<DictionaryFileSogouBackup> backup(new (std::nothrow)
                                                          DictionaryFileSogouBackup());
    if (!backup) return nullptr;
    switch (backup->ReadBackup(source.get())) {
        case DictionaryFileSogouBackup::Reading::Read:
            return backup;
        case DictionaryFileSogouBackup::Reading::Refused:
            refusedBackup = true;
            break;
        case DictionaryFileSogouBackup::Reading::NotRead:
            break;
    }
    return nullptr;
}
