// Sogou exports made for the hard cases, each with the import the Kestrix IME must receive
// from it, worked out from what each entry was built to be rather than by the program's
// own rules.
#pragma once

#include <string>

namespace hardening {

struct GeneratedExport {
    std::string bytes;            // the export as the tool writes it: UTF-16LE with its mark
    std::wstring expectedImport;  // the import lines, before conversion to the ANSI code page
};

// Realistic entries of two to four characters, every tenth holding ASCII letters and so
// refused, until the export has at least byteCount bytes.
GeneratedExport ManyEntries(std::size_t byteCount);

// Entries whose words hold a surrogate without its partner, between ordinary ones; the last
// ends the file without a line end.
GeneratedExport LoneSurrogates();

// One entry per UTF-16 unit value, 0 to FFFF, its word the unit twice. An entry arrives when
// the unit is a character of the ANSI code page (it comes back unchanged from a round trip),
// and is neither an ASCII letter, a control character, nor a line end.
GeneratedExport EveryUnit();

}  // namespace hardening
