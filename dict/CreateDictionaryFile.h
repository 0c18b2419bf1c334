// Makes the opened dictionary file of an IME, or of a file of Sogou's that the user gives.
#pragma once

#include <memory>

#include "dict/DictionaryFileBase.h"
#include "dict/ExportToolRun.h"
#include "ime/ImeType.h"

// Kestrix and Sogou have a dictionary file; every other type gives none, without touching
// the disk. Also none when the file could not be opened (for Sogou in Read mode: when the
// export failed); its temporary file is then already deleted. Sogou's export tool is shown
// and waited for.
std::unique_ptr<DictionaryFileBase> CreateDictionaryFile(IME_TYPE type, DictionaryFileMode mode);

// The Sogou user dictionary, opened for reading after its export tool ran as run says, and
// whether the tool was ended at its limit. No file when the export failed, as above.
struct SogouExport {
    std::unique_ptr<DictionaryFileBase> file;
    bool timedOut = false;
};
SogouExport ExportSogouDictionary(const ExportToolRun& run);

// The Sogou user dictionary from a text file of the export tool's line format that the user
// gives: exported with Sogou's dictionary manager, or a converter's "Sogou pinyin text", in
// UTF-16LE or UTF-8, either with or without its mark, or in code page 936 (the rule is in
// DictionaryFileSogouText.cpp). A path of any length Windows takes. ReadEntry yields what the
// export tool's file of the same lines would; a file in none of these encodings opens and gives
// no entry. Path() is empty: the base deletes the file it names. None when the file cannot be
// opened or read (missing, a folder or a device, unreadable, over 4 GiB, too large to decode).
// The file is the user's own: never written, moved, locked against other readers or deleted.
std::unique_ptr<DictionaryFileBase> OpenSogouTextFile(const wchar_t* path);

// The Sogou user dictionary from a file that the user gives, told by its content, never by its
// name: a backup that Sogou's settings made (.bin, of a layout SogouBackupLayoutOf tells), read
// whole and checked before any entry is handed out, or else the text file that
// OpenSogouTextFile reads. None when the file cannot be opened or read, as there; none as well,
// with refusedBackup set, for a backup that can't be read: damaged or cut, or of a store whose
// configuration is not the known one. The file is never written, locked or deleted.
std::unique_ptr<DictionaryFileBase> OpenSogouUserFile(const wchar_t* path, bool& refusedBackup);
