#include "app/QuietRun.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <new>

#include "app/CommandLine.h"
#include "app/RunLog.h"
#include "app/SingleInstance.h"
#include "app/Transform.h"
#include "dict/DictionaryFileSogou.h"
#include "dict/TempDirectory.h"
#include "ime/IMECatalogue.h"
#include "res/RunLogTexts.h"
#include "win/FullPath.h"
#include "win/SameFile.h"

namespace {

// The pattern with its one "%s" replaced by value.
std::wstring Filled(const wchar_t* pattern, const std::wstring& value)
{
    std::wstring text = pattern;
    const std::size_t at = text.find(L"%s");
    if (at != std::wstring::npos) text.replace(at, 2, value);
    return text;
}

bool Detected(IME_TYPE type)
{
    return std::any_of(IMECatalogue.begin(), IMECatalogue.end(),
                       [type](const IME_INFO& info) { return info.type == type; });
}

// The source as the log's sentences name it: a relative path means nothing in a log that many
// PCs write to.
std::wstring SourceName(const CommandLine& commandLine)
{
    if (!commandLine.FromPath().empty()) {
        return Filled(LogSourceFile, FullPathOrAsGiven(commandLine.FromPath()));
    }
    std::wstring toolPath;
    std::wstring ignored;
    if (!ComposeExportCommandLine(SogouTempFileName, toolPath, ignored)) {
        return LogSourceNoExportTool;
    }
    return Filled(LogSourceExportTool, toolPath);
}

RunRecord Record(QuietExitCode code, const std::wstring& sentence)
{
    RunRecord record;
    record.exitCode = static_cast<int>(code);
    record.sentence = sentence;
    return record;
}

// The user's file is only ever read, but a run writes and deletes its temporary files and
// appends to its log: a /from file that is one of them would be changed. Compared as files, so
// that no other spelling, relative path, short name or hard link slips through.
bool FromIsLog(const CommandLine& commandLine)
{
    return !commandLine.FromPath().empty() && !commandLine.LogPath().empty() &&
           IsSameFile(commandLine.FromPath(), commandLine.LogPath());
}

RunRecord Transfer(const CommandLine& commandLine, DWORD exportTimeLimitMs)
{
    SingleInstance instance;
    if (!instance.Claim()) return Record(QuietExitCode::AnotherCopyRunning, LogAnotherCopyRunning);

    detectedImeCount = DetectPinyinIMEs();
    // Without Kestrix nothing can be done, whatever the source.
    if (!Detected(IME_TYPE_KESTRIX)) {
        return Record(QuietExitCode::KestrixNotInstalled, LogKestrixNotInstalled);
    }
    const bool fromFile = !commandLine.FromPath().empty();
    if (!fromFile && !Detected(IME_TYPE_SOGOU)) {
        return Record(QuietExitCode::SogouNotInstalled, LogSogouNotInstalled);
    }

    struct Ending {
        QuietExitCode code;
        const wchar_t* sentence;
    };
    const auto ending = [](TransferOutcome outcome) -> Ending {
        switch (outcome) {
            case TransferOutcome::Transferred:
                return {QuietExitCode::Transferred, LogTransferred};
            case TransferOutcome::NoEntry:
                return {QuietExitCode::NoEntry, LogNoEntry};
            case TransferOutcome::ExportTimedOut:
                return {QuietExitCode::NoEntry, LogExportTimedOut};
            case TransferOutcome::FileNotReadable:
                return {QuietExitCode::NoEntry, LogFileNotReadable};
            case TransferOutcome::NoneTaken:
                return {QuietExitCode::NoneTaken, LogNoneTaken};
            case TransferOutcome::ImportFileFailed:
                return {QuietExitCode::ImportFileFailed, LogImportFileFailed};
            case TransferOutcome::ImportRefused:
                break;
        }
        return {QuietExitCode::ImportRefused, LogImportRefused};
    };
    // The job is destroyed, and its temporary files with it, before the process ends.
    const ExportToolRun exportRun{true, exportTimeLimitMs};
    const auto job = fromFile
                         ? std::make_unique<Transform>(commandLine.FromPath(), IME_TYPE_KESTRIX)
                         : std::make_unique<Transform>(IME_TYPE_SOGOU, IME_TYPE_KESTRIX, exportRun);
    const Ending end = ending(job->Run());
    RunRecord record;
    record.exitCode = static_cast<int>(end.code);
    record.readCount = job->ReadCount();
    record.writtenCount = job->WrittenCount();
    try {
        record.sentence = Filled(end.sentence, SourceName(commandLine));
    } catch (const std::bad_alloc&) {
        // The transfer is over, and its code says how it went: the log line tells the rest.
    }
    return record;
}

}  // namespace

int RunQuietly(const CommandLine& commandLine, DWORD exportTimeLimitMs)
{
    // No box of the system's either, in a session where nobody may be there to close it: none
    // for a drive without its disk, and none for a program that crashes, which would also keep
    // a crashed export tool (it inherits the mode) from ending until someone closed its box.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    // Nothing of it could be read, not even /log.
    if (commandLine.OutOfMemory()) return static_cast<int>(QuietExitCode::OutOfMemory);
    // Memory may run out anywhere, not only in the transfer (which tells its own cause): a
    // std::bad_alloc that reached the runtime would end the run in its box, which waits for a
    // click where nobody may be there.
    RunRecord record;
    bool logged = false;
    try {
        // The usage errors first: for each, nothing is done, and the first found is reported.
        const bool fromIsLog = FromIsLog(commandLine);
        // A run would empty or delete a log that is one of its temporary files, or read its
        // own log as an export.
        const bool logIsTemporaryFile = IsTransferTemporaryFile(commandLine.LogPath());
        // A log that cannot be written changes nothing of the run. One that is the user's
        // file, or the run's own, gets no line, whatever else went wrong.
        logged = !commandLine.LogPath().empty() && !fromIsLog && !logIsTemporaryFile;
        if (commandLine.UsageError()) {
            record =
                Record(QuietExitCode::UsageError, Filled(LogUsageError, commandLine.Problem()));
        } else if (fromIsLog || logIsTemporaryFile) {
            record = Record(QuietExitCode::UsageError, L"");  // said nowhere: the log is the file
        } else if (IsTransferTemporaryFile(commandLine.FromPath())) {
            record =
                Record(QuietExitCode::UsageError,
                       Filled(LogFromIsTemporaryFile, FullPathOrAsGiven(commandLine.FromPath())));
        } else {
            record = Transfer(commandLine, exportTimeLimitMs);
        }
    } catch (const std::bad_alloc&) {
        // What was held is freed by now; the sentence may still not fit.
        record = RunRecord();
        record.exitCode = static_cast<int>(QuietExitCode::OutOfMemory);
        try {
            record.sentence = LogOutOfMemory;
        } catch (const std::bad_alloc&) {
        }
    }
    if (logged) {
        try {
            RunLog(commandLine.LogPath()).Append(record);
        } catch (const std::bad_alloc&) {
            // No line, and the run's code stands, as for any log that cannot be written.
        }
    }
    return record.exitCode;
}
