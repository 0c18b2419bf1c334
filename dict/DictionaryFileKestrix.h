// The Kestrix import file "kestrix.tmp": one line per entry, word TAB 1 TAB pinyin CR LF in
// the ANSI code page, handed to the Kestrix IME through a private IME escape.
#pragma once

#include <windows.h>

#include "dict/DictionaryFileBase.h"

inline constexpr UINT KestrixImportEscape = 0x800;

// Final: its lines go to the base's writer in pieces, round WriteText, which only a class
// that nothing derives from may do.
class DictionaryFileKestrix final : public DictionaryFileBase {
public:
    explicit DictionaryFileKestrix(DictionaryFileMode fileMode);

    bool Export(const wchar_t*) override { return true; }
    // Writes out the last lines, then hands the file to the Kestrix IME. False, without the
    // IME, when the file failed to take all its lines.
    bool Import() override;
    // Writes the entry as one line when it passes IsTransferable and holds no control
    // character that would break the line structure. True means the line belongs to the
    // file, unless the file as a whole fails (Import then says so).
    bool WriteEntry(const DictionaryEntry& entry) override;
};

// Sends escape KestrixImportEscape with path to the first installed layout whose IME file is
// "KestrixPinyin2.ime" (ASCII case ignored). The escape's answer; 0 when there is no such
// layout or the IME refused.
LRESULT ImportIntoKestrixIme(const wchar_t* path);
