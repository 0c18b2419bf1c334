// One transfer of user-dictionary entries from a source IME to a destination IME.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "dict/ExportToolRun.h"
#include "ime/ImeType.h"

class DictionaryFileBase;

// How a transfer ended. The window tells the user only whether it succeeded; the quiet mode
// tells a deployment tool which of these it was.
enum class TransferOutcome {
    Transferred,       // the destination imported at least one entry
    NoEntry,           // the source gave none: it could not be read, or it was empty
    ExportTimedOut,    // no entry either: the export tool was ended at its time limit
    FileNotReadable,   // no entry either: the user's file is a damaged backup, or neither a
                       // backup nor text of Sogou's lines
    NoneTaken,         // entries were read, but the destination took none of them
    ImportFileFailed,  // the import file could not be made or written
    ImportRefused,     // the destination did not take the import file
};

class Transform {
public:
    // The source IME's export tool runs as exportRun says (by default shown, and waited for).
    Transform(IME_TYPE source, IME_TYPE destination, const ExportToolRun& exportRun = {});
    // A Sogou file of the user's own as the source, in place of the export tool: a backup of
    // Sogou's, or a text file of its lines.
    Transform(std::wstring sourceFilePath, IME_TYPE destination);
    ~Transform();
    Transform(const Transform&) = delete;
    Transform& operator=(const Transform&) = delete;

    // Exports (or reads the source file), filters, writes and imports. Never throws: where
    // memory runs out, the outcome names the side it ran out on.
    TransferOutcome Run();
    // The success line, for example "成功从搜狗拼音输入法向Kestrix拼音输入法导入 3 条词条\n".
    std::wstring& GetResultText(std::wstring& text) const;

    // Entries the source delivered, and entries the destination accepted.
    std::uint32_t ReadCount() const { return readCount; }
    std::int32_t WrittenCount() const { return writtenCount; }

private:
    // Run's work; failure is kept at the outcome of the side that is at work, should memory
    // run out there.
    TransferOutcome Transfer(TransferOutcome& failure);

    IME_TYPE source;
    IME_TYPE destination;
    std::wstring sourceFilePath;  // empty: the source IME's own export
    ExportToolRun exportRun;
    std::unique_ptr<DictionaryFileBase> sourceFile;
    std::unique_ptr<DictionaryFileBase> destinationFile;
    std::uint32_t readCount = 0;
    std::int32_t writtenCount = 0;
};
