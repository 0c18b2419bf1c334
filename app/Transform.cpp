#include "app/Transform.h"

#include <windows.h>

#include <cstdio>
#include <exception>
#include <utility>

#include "dict/CreateDictionaryFile.h"

namespace {

// Only the worker thread formats result text, one job at a time.
wchar_t ResultBuffer[256];

}  // namespace

Transform::Transform(IME_TYPE sourceType, IME_TYPE destinationType, const ExportToolRun& run)
    : source(sourceType), destination(destinationType), exportRun(run)
{
}

Transform::Transform(std::wstring filePath, IME_TYPE destinationType)
    : source(IME_TYPE_SOGOU), destination(destinationType), sourceFilePath(std::move(filePath))
{
}

Transform::~Transform()
{
    // The source first: its export may be large, and it is of no use any more.
    sourceFile.reset();
    destinationFile.reset();
}

TransferOutcome Transform::Run()
{
    // A whole source is held in memory, and memory may run out all the same, the more so in
    // a 32-bit process. Uncaught, std::bad_alloc would end the program through the runtime's
    // box, which waits for a click where nobody may be there: the side it ran out on is the
    // cause instead, and nothing read so far is imported. The files go at once, so that
    // their memory is there for what tells the outcome.
    TransferOutcome failure = TransferOutcome::NoEntry;
    try {
        return Transfer(failure);
    } catch (const std::exception&) {
        sourceFile.reset();
        destinationFile.reset();
        return failure;
    }
}

TransferOutcome Transform::Transfer(TransferOutcome& failure)
{
    failure = TransferOutcome::NoEntry;
    bool exportTimedOut = false;
    bool refusedBackup = false;
    if (!sourceFilePath.empty()) {
        sourceFile = OpenSogouUserFile(sourceFilePath.c_str(), refusedBackup);
    } else if (source == IME_TYPE_SOGOU) {
        SogouExport exported = ExportSogouDictionary(exportRun);
        sourceFile = std::move(exported.file);
        exportTimedOut = exported.timedOut;
    } else {
        sourceFile = CreateDictionaryFile(source, DictionaryFileMode::Read);
    }
    failure = TransferOutcome::ImportFileFailed;
    destinationFile = CreateDictionaryFile(destination, DictionaryFileMode::Write);
    // Without an import file nothing could come of any source: that is the cause to report,
    // also where a temporary directory too long for both files failed the export as well.
    if (!destinationFile) return TransferOutcome::ImportFileFailed;
    if (!sourceFile) {
        if (refusedBackup) return TransferOutcome::FileNotReadable;
        return exportTimedOut ? TransferOutcome::ExportTimedOut : TransferOutcome::NoEntry;
    }

    DictionaryEntry entry;
    for (;;) {
        failure = TransferOutcome::NoEntry;
        if (!sourceFile->ReadEntry(entry)) break;
        ++readCount;
        failure = TransferOutcome::ImportFileFailed;
        if (destinationFile->WriteEntry(entry)) ++writtenCount;
    }
    failure = TransferOutcome::ImportFileFailed;
    // Import writes out the last lines itself; doing it first tells a file that could not
    // take them (a full disk, or no memory for its block) from an IME that refused a whole
    // file, also where the file failed before it took one line.
    if (!destinationFile->Flush()) return TransferOutcome::ImportFileFailed;
    if (writtenCount != 0) {
        // The file is whole: memory that runs out from here on runs out in the import.
        failure = TransferOutcome::ImportRefused;
        return destinationFile->Import() ? TransferOutcome::Transferred
                                         : TransferOutcome::ImportRefused;
    }

    std::fputs("dictionary transform failed\n", stdout);
    std::fflush(stdout);
    if (readCount != 0) return TransferOutcome::NoneTaken;
    // A file of the user's that gave nothing but what can't be read is no file of Sogou's that
    // is known: a backup of a layout from before 2015, a backup cut short, or another file.
    const bool unreadableFile = !sourceFilePath.empty() && sourceFile->MetUnreadableContent();
    return unreadableFile ? TransferOutcome::FileNotReadable : TransferOutcome::NoEntry;
}

std::wstring& Transform::GetResultText(std::wstring& text) const
{
    const auto name = [](IME_TYPE type) {
        return (type >= 0 && type < IMETypeCount) ? IMEDisplayNames[type] : L"";
    };
    // 成功从%s向%s导入 %d 条词条
    wsprintfW(ResultBuffer, L"\x6210\x529F\x4ECE%s\x5411%s\x5BFC\x5165 %d \x6761\x8BCD\x6761\n",
              name(source), name(destination), writtenCount);
    text = ResultBuffer;
    return text;
}
