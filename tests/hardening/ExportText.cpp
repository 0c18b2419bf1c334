#include "tests/hardening/ExportText.h"

#include <windows.h>

#include <iterator>

#include "tests/hardening/RandomExport.h"

namespace hardening {

namespace {

struct Syllable {
    const wchar_t* pinyin;
    wchar_t character;
};

const Syllable Syllables[] = {
    {L"ni", L'你'},   {L"hao", L'好'},  {L"zhong", L'中'}, {L"guo", L'国'},   {L"ren", L'人'},
    {L"min", L'民'},  {L"da", L'大'},   {L"xue", L'学'},   {L"sheng", L'生'}, {L"huo", L'活'},
    {L"dian", L'电'}, {L"nao", L'脑'},  {L"shou", L'手'},  {L"ji", L'机'},    {L"wang", L'网'},
    {L"luo", L'络'},  {L"gong", L'工'}, {L"zuo", L'作'},   {L"peng", L'朋'},  {L"you", L'友'},
    {L"bei", L'北'},  {L"jing", L'京'}, {L"shang", L'上'}, {L"hai", L'海'},   {L"tian", L'天'},
    {L"qi", L'气'},   {L"shu", L'书'},  {L"fa", L'法'},    {L"yin", L'音'},   {L"yue", L'乐'},
    {L"chun", L'春'}, {L"jie", L'节'},
};
constexpr std::size_t SyllableCount = std::size(Syllables);

void AppendUnits(std::string& bytes, const std::wstring& text)
{
    for (wchar_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>((unit >> 8) & 0xFF));
    }
}

GeneratedExport FromLines(std::initializer_list<std::wstring> lines, const wchar_t* lastLine)
{
    GeneratedExport generated;
    generated.bytes = "\xFF\xFE";
    for (const std::wstring& line : lines) AppendUnits(generated.bytes, line + L"\r\n");
    AppendUnits(generated.bytes, lastLine);
    return generated;
}

}  // namespace

GeneratedExport ManyEntries(std::size_t byteCount)
{
    GeneratedExport generated;
    generated.bytes.reserve(byteCount + 256);
    generated.bytes = "\xFF\xFE";
    std::wstring reading;  // as Sogou writes it: 'ni'hao
    std::wstring pinyin;   // as Kestrix takes it: ni hao
    std::wstring word;
    for (std::size_t entry = 0; generated.bytes.size() < byteCount; ++entry) {
        reading.clear();
        pinyin.clear();
        word.clear();
        const std::size_t length = 2 + entry % 3;
        std::size_t digits = entry;
        for (std::size_t i = 0; i < length; ++i, digits /= SyllableCount) {
            const Syllable& syllable = Syllables[digits % SyllableCount];
            reading += L'\'';
            reading += syllable.pinyin;
            if (i != 0) pinyin += L' ';
            pinyin += syllable.pinyin;
            word += syllable.character;
        }
        const bool refused = entry % 10 == 9;
        if (refused) word += L"OK";
        AppendUnits(generated.bytes, reading + L" " + word + L"\r\n");
        if (!refused) generated.expectedImport += word + L"\t1\t" + pinyin + L"\r\n";
    }
    return generated;
}

GeneratedExport LoneSurrogates()
{
    GeneratedExport generated = FromLines(
        {
            L"'ni'hao 你好",
            L"'gao 高\xD800",         // a high surrogate at the end
            L"'di \xDC00低",          // a low one at the start
            L"'fan'le \xDC00\xD800",  // a pair the wrong way round
            L"'zai'jian 再见",
            L"'ci'ku 词\xDBFF库",             // a high one inside
            L"'zi \xD840\xDC00\xD840\xDC00",  // a whole pair, outside code page 936
            L"'shu'ru 输入",
        },
        L"'mo'wei 末尾\xD800");
    generated.expectedImport = L"你好\t1\tni hao\r\n再见\t1\tzai jian\r\n输入\t1\tshu ru\r\n";
    return generated;
}

GeneratedExport EveryUnit()
{
    GeneratedExport generated;
    generated.bytes = "\xFF\xFE";
    for (unsigned value = 0; value <= 0xFFFF; ++value) {
        const wchar_t unit = static_cast<wchar_t>(value);
        const std::wstring word(2, unit);
        AppendUnits(generated.bytes, L"'zi'fu " + word + L"\r\n");

        const bool asciiLetter = (unit >= L'A' && unit <= L'Z') || (unit >= L'a' && unit <= L'z');
        const bool control = unit < 0x20 || (unit >= 0x7F && unit <= 0x9F);
        const bool surrogate = unit >= 0xD800 && unit <= 0xDFFF;
        if (!asciiLetter && !control && !surrogate && RoundTripsThroughAnsi(word)) {
            generated.expectedImport += word + L"\t1\tzi fu\r\n";
        }
    }
    return generated;
}

}  // namespace hardening
