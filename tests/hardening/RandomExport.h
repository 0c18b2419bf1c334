// A seeded generator of Sogou exports, well-formed and spoilt, that knows which of its lines
// must reach the Kestrix import, for the randomised tests of the reader and writer.
#pragma once

#include <random>
#include <string>
#include <vector>

namespace hardening {

// One export and what is known of it from how it was made.
struct RandomisedExport {
    std::string bytes;  // as the tool could have written it
    // Spoilt byte by byte after it was made: nothing below holds any more.
    bool spoilt = false;
    // The import lines (word TAB 1 TAB pinyin CR LF) of the lines that must arrive, in export
    // order: well-formed entries of two or more characters of code page 936 with a pinyin of
    // two or more units, each on a line of its own.
    std::vector<std::wstring> mustArrive;
};

// Most are well-formed exports of entries good and bad; some are then spoilt byte by byte
// (flipped, dropped, inserted, cut).
RandomisedExport RandomExport(std::mt19937& random);

// The line of a Sogou export that holds the entry: 'ni'hao 你好 for "ni hao" and 你好.
std::wstring SogouLine(const std::wstring& pinyin, const std::wstring& word);

// The text comes back unchanged from the ANSI code page.
bool RoundTripsThroughAnsi(const std::wstring& text);

}  // namespace hardening
