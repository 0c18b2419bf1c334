#include "tests/app/TransferFixture.h"

namespace testsupport {

namespace {

struct Line {
    const wchar_t* text;
    const wchar_t* imported;  // the import line's word TAB 1 TAB pinyin, or null when dropped
    bool entry = true;
};

const Line Lines[] = {
    {L";\x641C\x72D7\x7528\x6237\x8BCD\x5E93 export", nullptr, false},
    {L";version 12", nullptr, false},
    {L"", nullptr, false},
    {L"'ni'hao \x4F60\x597D", L"\x4F60\x597D\t1\tni hao"},
    {L"'zhong'guo \x4E2D\x56FD", L"\x4E2D\x56FD\t1\tzhong guo"},
    {L"'de \x7684", nullptr},  // one character
    {L"'bei'jing \x5317\x4EAC", L"\x5317\x4EAC\t1\tbei jing"},
    {L"'T'xu T\x6064", nullptr},  // ASCII letter
    {L"'shang'hai \x4E0A\x6D77", L"\x4E0A\x6D77\t1\tshang hai"},
    {L"'xie'xie \x8C22\x8C22", L"\x8C22\x8C22\t1\txie xie"},
    {L"broken line without apostrophe", nullptr, false},
    {L"'peng'you \x670B\x53CB", L"\x670B\x53CB\t1\tpeng you"},
    {L"'ka'la'OK \x5361\x62C9OK", nullptr},  // ASCII letters
    {L"'dian'nao \x7535\x8111", L"\x7535\x8111\t1\tdian nao"},
    {L"'shou'ji \x624B\x673A", L"\x624B\x673A\t1\tshou ji"},
    {L"'a \x554A\x554A", nullptr},  // one-unit reading
    {L"'wei'xin \x5FAE\x4FE1", L"\x5FAE\x4FE1\t1\twei xin"},
    {L"'zhi'fu'bao \x652F\x4ED8\x5B9D", L"\x652F\x4ED8\x5B9D\t1\tzhi fu bao"},
    {L"'han'guo \xD55C\xAD6D", nullptr},  // Hangul: not in code page 936
    {L"'ni'men \x4F60\x4EEC", L"\x4F60\x4EEC\t1\tni men"},
    {L"'wo'men \x6211\x4EEC", L"\x6211\x4EEC\t1\two men"},
    {L"'kong'ge ", nullptr},  // empty word
    {L"'jin'tian \x4ECA\x5929", L"\x4ECA\x5929\t1\tjin tian"},
    {L"'ming'tian \x660E\x5929", L"\x660E\x5929\t1\tming tian"},
    {L"'zhi'biao \x5236\t\x8868", nullptr},  // a TAB would break the import line
    {L"'zuo'tian \x6628\x5929", L"\x6628\x5929\t1\tzuo tian"},
    {L"'gong'zuo \x5DE5\x4F5C", L"\x5DE5\x4F5C\t1\tgong zuo"},
    {L"", nullptr, false},
    {L"'xue'xi \x5B66\x4E60", L"\x5B66\x4E60\t1\txue xi"},
    {L"'ji'qi'xue'xi \x673A\x5668\x5B66\x4E60", L"\x673A\x5668\x5B66\x4E60\t1\tji qi xue xi"},
    {L"'ren'gong'zhi'neng \x4EBA\x5DE5\x667A\x80FD",
     L"\x4EBA\x5DE5\x667A\x80FD\t1\tren gong zhi neng"},
    {L"'a'yi \x963F\x59E8", L"\x963F\x59E8\t1\ta yi"},
    {L"'yi'er'san \x4E00\x4E8C\x4E09", L"\x4E00\x4E8C\x4E09\t1\tyi er san"},
    {L"'yi'jiu'jiu'ba 1998", L"1998\t1\tyi jiu jiu ba"},
    {L"'qq QQ", nullptr},
    {L"'ni'hao'ma \x4F60\x597D\x5417\xFF1F", L"\x4F60\x597D\x5417\xFF1F\t1\tni hao ma"},
    {L"'zai'jian \x518D\x89C1", L"\x518D\x89C1\t1\tzai jian"},
};

TransferFixture Make()
{
    TransferFixture fixture;
    for (const Line& line : Lines) {
        fixture.exportLines.push_back(line.text);
        if (line.entry) ++fixture.entryCount;
        if (line.imported != nullptr) {
            ++fixture.acceptedCount;
            fixture.expectedImport += line.imported;
            fixture.expectedImport += L"\r\n";
        }
    }
    return fixture;
}

}  // namespace

const TransferFixture& RealisticExport()
{
    static const TransferFixture fixture = Make();
    return fixture;
}

std::wstring ExpectedResultText(int count)
{
    return L"\x6210\x529F\x4ECE\x641C\x72D7\x62FC\x97F3\x8F93\x5165\x6CD5\x5411"
           L"Kestrix\x62FC\x97F3\x8F93\x5165\x6CD5\x5BFC\x5165 " +
           std::to_wstring(count) + L" \x6761\x8BCD\x6761\n";
}

}  // namespace testsupport
