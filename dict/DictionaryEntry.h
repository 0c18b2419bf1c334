// One user-dictionary entry, the small types shared by the dictionary files, and the filter
// that decides which entries the destination takes.
#pragma once

#include <cstdint>
#include <string>

struct DictionaryEntry {
    std::wstring pinyin;  // syllables separated by single spaces: "ni hao"
    std::wstring word;
    std::int32_t weight = 0;
};

enum class DictionaryFileMode : std::int32_t {
    Read = 0,   // a source: exported first, then loaded
    Write = 1,  // a destination: created empty
};

enum class TextEncoding : std::int32_t {
    Utf16 = 0,
    Utf8 = 1,
    Ansi = 2,  // the system ANSI code page
};

enum class ParseLineResult : std::int32_t {
    Parsed = 0,
    Skipped = 1,  // a comment or an empty line
    Malformed = 2,
};

// At least two units of pinyin and of word, and no ASCII letter in the word.
bool IsTransferable(const DictionaryEntry& entry);
