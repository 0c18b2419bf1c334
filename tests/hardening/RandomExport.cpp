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

std::wstring RandomReading(std::mt19937& random)
{
    std::wstring reading;
    const std::size_t syllables = 1 + Pick(random, 5);
    for (std::size_t i = 0; i < syllables; ++i) {
        reading += L'\'';
        if (Chance(random, 3)) reading += L'\'';
        reading += Syllables[Pick(random, std::size(Syllables))];
    }
    return reading;
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

std::wstring RandomLine(std::mt19937& random)
{
    const unsigned kind = random() % 100;
    if (kind < 70) return RandomReading(random) + L" " + RandomWord(random);
    if (kind < 75) return L";" + RandomWord(random);
    if (kind < 80) return L"";
    if (kind < 85) return RandomReading(random) + RandomWord(random);  // no space
    if (kind < 90) return RandomReading(random).substr(1) + L" " + RandomWord(random);
    return RandomWord(random) + L" " + RandomWord(random);
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

std::string RandomExport(std::mt19937& random)
{
    std::wstring text;
    const std::size_t lines = Pick(random, 40);
    for (std::size_t i = 0; i < lines; ++i) {
        text += RandomLine(random);
        const unsigned end = random() % 100;
        if (i + 1 == lines && end < 20) break;  // the last line without a line end
        text += end < 85 ? L"\r\n" : end < 95 ? L"\r" : L"\n";
    }

    std::string bytes;
    const unsigned mark = random() % 100;
    if (mark < 10) {
        bytes = "\xEF\xBB\xBF" + Utf8(text);
    } else {
        if (mark < 85) bytes = "\xFF\xFE";
        AppendUnits(bytes, text);
    }
    if (Chance(random, 30)) Spoil(random, bytes);
    return bytes;
}

std::vector<DictionaryEntry> EntriesIn(const std::string& bytes)
{
    std::wstring units;
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        const int size = MultiByteToWideChar(CP_UTF8, 0, bytes.data() + 3,
                                             static_cast<int>(bytes.size() - 3), nullptr, 0);
        units.resize(static_cast<std::size_t>(std::max(size, 0)));
        MultiByteToWideChar(CP_UTF8, 0, bytes.data() + 3, static_cast<int>(bytes.size() - 3),
                            units.data(), size);
    } else {
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            units += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                          static_cast<unsigned char>(bytes[i + 1]) << 8);
        }
        if (bytes.size() >= 2 && bytes.compare(0, 2, "\xFF\xFE") == 0) units.erase(0, 1);
    }

    std::vector<std::wstring> lines;
    for (std::size_t start = 0; start < units.size();) {
        std::size_t end = units.find(L'\r', start);
        if (end == std::wstring::npos) end = units.size();
        lines.push_back(units.substr(start, end - start));
        start = end + 1;
        if (start < units.size() && units[start] == L'\n') ++start;
    }

    std::vector<DictionaryEntry> entries;
    for (const std::wstring& line : lines) {
        if (line.empty() || line[0] == L';') continue;
        const std::size_t space = line.find(L' ');
        if (space == std::wstring::npos || line[0] != L'\'') continue;
        DictionaryEntry entry;
        entry.pinyin = line.substr(1, space - 1);
        std::replace(entry.pinyin.begin(), entry.pinyin.end(), L'\'', L' ');
        entry.word = line.substr(space + 1);
        entry.weight = 1;
        entries.push_back(entry);
    }
    return entries;
}

const char* RefusalReason(const DictionaryEntry& entry)
{
    const auto control = [](wchar_t unit) { return unit < 0x20 || (unit >= 0x7F && unit <= 0x9F); };
    if (entry.pinyin.size() < 2) return "reading shorter than two units";
    if (entry.word.size() < 2) return "word shorter than two units";
    if (std::any_of(entry.word.begin(), entry.word.end(), [](wchar_t unit) {
            return (unit >= L'A' && unit <= L'Z') || (unit >= L'a' && unit <= L'z');
        })) {
        return "ASCII letter in the word";
    }
    if (std::any_of(entry.word.begin(), entry.word.end(), control) ||
        std::any_of(entry.pinyin.begin(), entry.pinyin.end(), control)) {
        return "control character";
    }
    if (!RoundTripsThroughAnsi(entry.word + L"\t1\t" + entry.pinyin)) {
        return "not in the ANSI code page";
    }
    return nullptr;
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
