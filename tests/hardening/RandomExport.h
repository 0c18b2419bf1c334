// A seeded generator of Sogou exports, well-formed and spoilt, and a plain reading of what
// such an export holds, for the randomised tests of the reader and writer.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "dict/DictionaryEntry.h"

namespace hardening {

// One export: its bytes as the tool could have written them. Most are well-formed exports of
// entries good and bad; some are then spoilt byte by byte (flipped, dropped, inserted, cut).
std::string RandomExport(std::mt19937& random);

// The entries an export holds, read the simplest way: UTF-16LE with an optional FF FE mark
// (or UTF-8 after EF BB BF), lines ending at CR or CR LF, "'ni'hao 你好" lines; everything
// else is passed over.
std::vector<DictionaryEntry> EntriesIn(const std::string& bytes);

// Why the Kestrix import must refuse an entry; null when it must take it.
const char* RefusalReason(const DictionaryEntry& entry);

// The text comes back unchanged from the ANSI code page.
bool RoundTripsThroughAnsi(const std::wstring& text);

}  // namespace hardening
