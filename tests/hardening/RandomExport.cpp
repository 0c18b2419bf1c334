#include "tests/hardening/RandomExport.h"

#include <windows.h>

#include <algorithm>
#include <iterator>

namespace hardening {

namespace {

const wchar_t* const Syllables[] = {L"ni",    L"hao", L"zhong", L"guo", L"a",  L"e",  L"xue", L"xi",
                                    L"shang", L"hai", L"lv",    L"nve", L"er", L"yi", L"qq",  L""};

// Units that a word may hold, by kind: what passes, and every kind of trouble.
const std::wstring WordUnits[] = {
    L"你好中国学习上海北京电脑手机朋友",     // code page 936
    L"0123456789，。！？、（）",             // digits and punctuation pass too
    L"ＡＢＣａｂｃ　",                       // full width, ideographic space
    L"ABCXYZabcxyz",                         // ASCII letters: refused
    L"한국어",                               // outside code page 936: refused
    L"\xD800\xDBFF\xDC00\xDFFF",             // surrogates, never paired here
    std::wstring(L"\t\n\x01\x7F\x85\0", 6),  // control characters
    L" '; \xFEFF\xE000\xF8F5\xFFFE\xFFFF",   // separators, marks and oddities
};

std::size_t Pick(std::mt19937& random, std::size_t count)
{
    return static_cast<std::size_t>(random() % count);
}

bool Chance(std::mt19937& random, unsigned percent)
{
    return random() % 100 < percent;
}

// A line of an export, and the import line that it must give; empty when it need not arrive.
struct GeneratedLine {
    std::wstring text;
    std::wstring mustArrive;
};

// Syllables separated by spaces; now and then a doubled separator, and empty syllables.
std::wstring RandomPinyin(std::mt19937& random)
{
    std::wstring pinyin;
    const std::size_t syllables = 1 + Pick(random, 5);
    for (std::size_t i = 0; i < syllables; ++i) {
        if (i != 0) pinyin += L' ';
        if (Chance(random, 3)) pinyin += L' ';
        pinyin += Syllables[Pick(random, std::size(Syllables))];
    }
    return pinyin;
}

std::wstring Reading(std::wstring pinyin)
{
    std::replace(pinyin.begin(), pinyin.end(), L' ', L'\'');
    return L"'" + pinyin;
}

std::wstring RandomWord(std::mt19937& random)
{
    std::wstring word;
    const std::size_t length = Pick(random, 7);
    // Mostly one kind of unit, so that good words are common; sometimes a mixture.
    const std::size_t kind = Chance(random, 60) ? 0 : Pick(random, std::size(WordUnits));
    for (std::size_t i = 0; i < length; ++i) {
        const std::wstring& units =
            WordUnits[Chance(random, 85) ? kind : Pick(random, std::size(WordUnits))];
        word += units[Pick(random, units.size())];
    }
    return word;
}

GeneratedLine RandomLine(std::mt19937& random)
{
    const unsigned kind = random() % 100;
    if (kind < 70) {
        const std::wstring pinyin = RandomPinyin(random);
        const std::wstring word = RandomWord(random);
        const bool chinese = word.find_first_not_of(WordUnits[0]) == std::wstring::npos;
        const bool must = chinese && word.size() >= 2 && pinyin.size() >= 2;
        return {SogouLine(pinyin, word), must ? word + L"\t1\t" + pinyin + L"\r\n" : L""};
    }
    if (kind < 75) return {L";" + RandomWord(random), {}};
    if (kind < 80) return {L"", {}};
    // No space between reading and word; no apostrophe before the reading; no reading.
    if (kind < 85) return {Reading(RandomPinyin(random)) + RandomWord(random), {}};
    if (kind < 90) return {Reading(RandomPinyin(random)).substr(1) + L" " + RandomWord(random), {}};
    return {RandomWord(random) + L" " + RandomWord(random), {}};
}

void AppendUnits(std::string& bytes, const std::wstring& text)
{
    for (wchar_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>((unit >> 8) & 0xFF));
    }
}

std::string Utf8(const std::wstring& text)
{
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(std::max(size, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
    return bytes;
}

void Spoil(std::mt19937& random, std::string& bytes)
{
    const std::size_t edits = 1 + Pick(random, 8);
    for (std::size_t i = 0; i < edits; ++i) {
        const std::size_t at = bytes.empty() ? 0 : Pick(random, bytes.size());
        const char value = static_cast<char>(random());
        switch (random() % 4) {
            case 0:
                if (!bytes.empty()) bytes[at] = value;
                break;
            case 1:
                if (!bytes.empty()) bytes.erase(at, 1);
                break;
            case 2:
                bytes.insert(at, 1, value);
                break;
            default:
                bytes.resize(at);
                break;
        }
    }
}

}  // namespace

RandomisedExport RandomExport(std::mt19937& random)
{
    RandomisedExport generated;
    std::wstring text;
    // A lone LF ends no line for the reader: it joins the lines on both sides of it, so
    // neither of them can be sure to arrive.
    bool joined = false;
    const std::size_t lines = Pick(random, 40);
    for (std::size_t i = 0; i < lines; ++i) {
        const GeneratedLine line = RandomLine(random);
        text += line.text;
        const unsigned end = random() % 100;
        const bool unterminated = i + 1 == lines && end < 20;
        if (!unterminated) text += end < 85 ? L"\r\n" : end < 95 ? L"\r" : L"\n";
        const bool loneLf = !unterminated && end >= 95;
        if (!line.mustArrive.empty() && !joined && !loneLf) {
            generated.mustArrive.push_back(line.mustArrive);
        }
        joined = loneLf;
    }

    const unsigned mark = random() % 100;
    if (mark < 10) {
        generated.bytes = "\xEF\xBB\xBF" + Utf8(text);
    } else {
        if (mark < 85) generated.bytes = "\xFF\xFE";
        AppendUnits(generated.bytes, text);
    }
    generated.spoilt = Chance(random, 30);
    if (generated.spoilt) Spoil(random, generated.bytes);
    return generated;
}

std::wstring SogouLine(const std::wstring& pinyin, const std::wstring& word)
{
    return Reading(pinyin) + L" " + word;
}

bool RoundTripsThroughAnsi(const std::wstring& text)
{
    if (text.empty()) return true;
    const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    if (size <= 0) return false;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
    // Without MB_ERR_INVALID_CHARS: Wine refuses with it the byte FF that its own code page
    // 936 makes of U+F8F5, and reads it back as U+F8F5 without it.
    const int units = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
    std::wstring back(static_cast<std::size_t>(std::max(units, 0)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, back.data(), units);
    return back == text;
}

}  // namespace hardening
