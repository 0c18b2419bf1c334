#include "app/Transform.h"

#include <windows.h>

#include <cstdio>
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
    sourceFile = sourceFilePath.empty()
                     ? CreateDictionaryFile(source, DictionaryFileMode::Read, &exportRun)
                     : OpenSogouTextFile(sourceFilePath.c_str());
    destinationFile = CreateDictionaryFile(destination, DictionaryFileMode::Write);
    // Without an import file nothing could come of any source: that is the cause to report,
    // also where a temporary directory too long for both files failed the export as well.
    if (!destinationFile) return TransferOutcome::ImportFileFailed;
    if (!sourceFile) {
        return exportRun.timedOut ? TransferOutcome::ExportTimedOut : TransferOutcome::NoEntry;
    }

    DictionaryEntry entry;
    while (sourceFile->ReadEntry(entry)) {
        ++readCount;
        if (destinationFile->WriteEntry(entry)) ++writtenCount;
    }
    if (writtenCount != 0) {
        // Import writes out the last lines itself; doing it first tells a file that could not
        // take them (a full disk) from an IME that refused a whole file.
        if (!destinationFile->Flush()) return TransferOutcome::ImportFileFailed;
        return destinationFile->Import() ? TransferOutcome::Transferred
                                         : TransferOutcome::ImportRefused;
    }

    std::fputs("dictionary transform failed\n", stdout);
    std::fflush(stdout);
    return readCount == 0 ? TransferOutcome::NoEntry : TransferOutcome::NoneTaken;
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
