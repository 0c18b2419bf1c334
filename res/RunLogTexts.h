// The sentences of the quiet mode's log line: English, for the administrators who collect the
// lines of many PCs. "%s" stands for the source, or for the argument not understood.
#pragma once

// The source, named in the sentences below.
inline constexpr const wchar_t* LogSourceExportTool = L"the export tool %s";
inline constexpr const wchar_t* LogSourceNoExportTool =
    L"Sogou's export tool, which its installation key does not name in a usable way";
inline constexpr const wchar_t* LogSourceFile = L"the file %s";

inline constexpr const wchar_t* LogTransferred = L"Kestrix took the entries read from %s.";
inline constexpr const wchar_t* LogAnotherCopyRunning =
    L"Another Lexiferry is running, so nothing was done.";
inline constexpr const wchar_t* LogSogouNotInstalled =
    L"Sogou is not installed and no /from file was given, so nothing was done.";
inline constexpr const wchar_t* LogKestrixNotInstalled =
    L"Kestrix is not installed, so nothing was done.";
inline constexpr const wchar_t* LogNoEntry =
    L"No entry came from %s: it is missing, could not be read or run, or gave nothing.";
inline constexpr const wchar_t* LogExportTimedOut =
    L"No entry was read: %s did not finish in time, and was ended.";
inline constexpr const wchar_t* LogFileNotReadable =
    L"No entry was read: %s is not a Sogou backup or text file that Lexiferry can read, or it "
    L"is damaged.";
inline constexpr const wchar_t* LogNoneTaken =
    L"None of the entries read from %s is one that Kestrix takes.";
inline constexpr const wchar_t* LogImportFileFailed =
    L"The import file for the entries read from %s could not be written in the temporary "
    L"directory (a full disk, or a path too long).";
inline constexpr const wchar_t* LogImportRefused =
    L"Kestrix did not take the import file of the entries read from %s.";
inline constexpr const wchar_t* LogUsageError =
    L"Nothing was done: the command line was not understood at \"%s\"; the options are "
    L"/quiet, /from:<file> and /log:<file>.";
inline constexpr const wchar_t* LogFromIsTemporaryFile =
    L"Nothing was done: the /from file %s is one of the temporary files that a run writes and "
    L"deletes.";
inline constexpr const wchar_t* LogOutOfMemory =
    L"Memory ran out before the transfer could start or its outcome be told, so nothing more "
    L"was done.";
