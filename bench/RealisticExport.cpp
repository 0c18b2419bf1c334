#include "bench/RealisticExport.h"

#include <iterator>
#include <random>

namespace bench {

namespace {

struct Syllable {
    const wchar_t* pinyin;
    wchar_t character;
};

// Common characters with their readings; words are drawn from them at random.
const Syllable Syllables[] = {
    {L"de", L'的'},   {L"yi", L'一'},    {L"shi", L'是'},  {L"bu", L'不'},    {L"le", L'了'},
    {L"ren", L'人'},  {L"wo", L'我'},    {L"zai", L'在'},  {L"you", L'有'},   {L"ta", L'他'},
    {L"zhe", L'这'},  {L"zhong", L'中'}, {L"da", L'大'},   {L"lai", L'来'},   {L"shang", L'上'},
    {L"guo", L'国'},  {L"ge", L'个'},    {L"dao", L'到'},  {L"shuo", L'说'},  {L"men", L'们'},
    {L"wei", L'为'},  {L"zi", L'子'},    {L"he", L'和'},   {L"ni", L'你'},    {L"di", L'地'},
    {L"chu", L'出'},  {L"dao", L'道'},   {L"ye", L'也'},   {L"shi", L'时'},   {L"nian", L'年'},
    {L"de", L'得'},   {L"jiu", L'就'},   {L"na", L'那'},   {L"yao", L'要'},   {L"xia", L'下'},
    {L"yi", L'以'},   {L"sheng", L'生'}, {L"hui", L'会'},  {L"zi", L'自'},    {L"zhe", L'着'},
    {L"qu", L'去'},   {L"zhi", L'之'},   {L"guo", L'过'},  {L"jia", L'家'},   {L"xue", L'学'},
    {L"dui", L'对'},  {L"ke", L'可'},    {L"ta", L'她'},   {L"li", L'里'},    {L"hou", L'后'},
    {L"xiao", L'小'}, {L"me", L'么'},    {L"xin", L'心'},  {L"duo", L'多'},   {L"tian", L'天'},
    {L"er", L'而'},   {L"neng", L'能'},  {L"hao", L'好'},  {L"dou", L'都'},   {L"ran", L'然'},
    {L"mei", L'没'},  {L"ri", L'日'},    {L"yu", L'于'},   {L"qi", L'起'},    {L"huan", L'还'},
    {L"fa", L'发'},   {L"cheng", L'成'}, {L"shi", L'事'},  {L"zhi", L'只'},   {L"zuo", L'作'},
    {L"dang", L'当'}, {L"xiang", L'想'}, {L"kan", L'看'},  {L"wen", L'文'},   {L"wu", L'无'},
    {L"kai", L'开'},  {L"shou", L'手'},  {L"shi", L'十'},  {L"yong", L'用'},  {L"zhu", L'主'},
    {L"xing", L'行'}, {L"fang", L'方'},  {L"you", L'又'},  {L"ru", L'如'},    {L"qian", L'前'},
    {L"suo", L'所'},  {L"ben", L'本'},   {L"jian", L'见'}, {L"jing", L'经'},  {L"tou", L'头'},
    {L"mian", L'面'}, {L"gong", L'公'},  {L"tong", L'同'}, {L"san", L'三'},   {L"yi", L'已'},
    {L"lao", L'老'},  {L"cong", L'从'},  {L"dong", L'动'}, {L"liang", L'两'}, {L"chang", L'长'},
};

void AppendUnits(std::string& bytes, const std::wstring& text)
{
    for (wchar_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>((unit >> 8) & 0xFF));
    }
}

// Two to eight characters, short words the most common, as in a typing user's dictionary.
std::size_t WordLength(std::mt19937& random)
{
    const unsigned draw = random() % 100;
    if (draw < 45) return 2;
    if (draw < 70) return 3;
    if (draw < 88) return 4;
    return 5 + random() % 4;
}

}  // namespace

RealisticExport MakeRealisticExport(std::size_t entryCount)
{
    RealisticExport result;
    std::mt19937 random(static_cast<std::mt19937::result_type>(entryCount));
    result.bytes.reserve(entryCount * 40 + 256);
    result.bytes = "\xFF\xFE";
    AppendUnits(result.bytes, L";搜狗用户词库导出\r\n;version 12\r\n");

    std::wstring line;
    for (std::size_t entry = 0; entry < entryCount; ++entry) {
        const unsigned kind = random() % 100;
        // About one entry in twelve is one Kestrix does not take: a single character, or a
        // word with Latin letters in it.
        const std::size_t length = kind < 4 ? 1 : WordLength(random);
        line = L"'";
        std::wstring word;
        for (std::size_t i = 0; i < length; ++i) {
            const Syllable& syllable = Syllables[random() % std::size(Syllables)];
            if (i != 0) line += L'\'';
            line += syllable.pinyin;
            word += syllable.character;
        }
        if (kind >= 4 && kind < 8) word += L"OK";
        line += L' ';
        line += word;
        line += L"\r\n";
        AppendUnits(result.bytes, line);
        if (kind >= 8) ++result.transferable;
    }
    result.entries = entryCount;
    return result;
}

}  // namespace bench
