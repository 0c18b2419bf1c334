// The Sogou user dictionary, exported by Sogou's own tool into "sogou.tmp" and read in the
// tool's line format: "'ni'hao 你好".
#pragma once

#include <string>

#include "dict/DictionaryFileBase.h"
#include "dict/ExportToolRun.h"

class DictionaryFileSogou : public DictionaryFileBase {
public:
    // The tool started and waited for as run says: by default shown, and waited for until it
    // ends.
    explicit DictionaryFileSogou(DictionaryFileMode fileMode, const ExportToolRun& run = {});

    // Runs the export tool, in its own folder, into path and waits for it to end. False when
    // the tool can't be started, ended by a crash, or ended at its time limit. Any exit code
    // of its own is accepted, but after one other than 0 a last line without a line end is
    // not read. Whatever the tool started and left running is ended before this returns, so
    // that nothing holds or writes the export while it is read or deleted.
    bool Export(const wchar_t* path) override;
    // Whether the last Export ended the tool at its time limit.
    bool ExportTimedOut() const { return exportTimedOut; }
    bool Import() override { return true; }
    bool WriteEntry(const DictionaryEntry&) override { return true; }
    ParseLineResult ParseLine(const std::wstring& line, std::wstring& pinyin, std::wstring& word,
                              std::int32_t& weight) override;

protected:
    // With a temporary file of that name, which the base deletes; with none, no path at all.
    DictionaryFileSogou(DictionaryFileMode fileMode, const wchar_t* temporaryName,
                        const ExportToolRun& run);

private:
    ExportToolRun exportRun;
    bool exportTimedOut = false;
};

// The export tool's full path and its command line for exportPath, from the installation
// recorded under HKEY_LOCAL_MACHINE\SOFTWARE\sogouinput. False when the key or a value is
// missing, not a string, or does not fit 260 units (expanded, for a REG_EXPAND_SZ value), or
// when the directory is not absolute ("X:\..." or "\\server\share\...", with '/' in any
// place of '\'). The directory is used as it is stored.
bool ComposeExportCommandLine(const wchar_t* exportPath, std::wstring& toolPath,
                              std::wstring& commandLine);
