// The syllables that Sogou's backups store a reading as, by number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// A larger number names no syllable: a file that holds one is not read.
constexpr std::size_t SogouSyllableCount = 450;

// The syllable of a number below SogouSyllableCount ("a", "li", "A", "0", "#"); else empty.
std::wstring_view SogouSyllable(std::uint16_t number);
