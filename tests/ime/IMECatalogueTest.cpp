#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ime/IMECatalogue.h"
#include "ime/KeyboardLayoutScan.h"
#include "tests/support/ScratchRegistry.h"

namespace {

const std::wstring Layouts = L"SYSTEM\\CurrentControlSet\\Control\\Keyboard Layouts";
const std::wstring Kestrix = IMEDisplayNames[IME_TYPE_KESTRIX];
const std::wstring Sogou = IMEDisplayNames[IME_TYPE_SOGOU];
const std::wstring QQ = IMEDisplayNames[IME_TYPE_QQ];
const std::wstring Microsoft = IMEDisplayNames[IME_TYPE_MICROSOFT];
const std::wstring TextServices = L"SOFTWARE\\Microsoft\\CTF\\TIP";
// Sogou's text service and profile, and Microsoft Pinyin's profile, as Windows 10 and 11 list
// them.
const std::wstring SogouService = L"{E7EA138E-69F8-11D7-A6EA-00065B844310}";
const std::wstring SogouProfile = L"{E7EA138F-69F8-11D7-A6EA-00065B844311}";
const std::wstring MicrosoftProfile = L"{FA550B04-5AD7-411F-A5AC-CA038EC515D7}";

class Catalogue : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset()
    {
        LayoutTexts.clear();
        IMECatalogue.clear();
    }

    // Layout keys enumerate in name order here, so numbered keys give the text order.
    void AddLayouts(const std::vector<std::wstring>& texts) const
    {
        for (size_t i = 0; i < texts.size(); ++i) {
            wchar_t key[16];
            swprintf(key, 16, L"E%03zu0804", 0x200 + i);
            registry.SetString(Layouts + L"\\" + key, L"Layout Text", texts[i]);
        }
    }

    // A language profile of a text service, with its "Description" unless null.
    void AddProfile(const std::wstring& classId, const std::wstring& profileId,
                    const wchar_t* description, const std::wstring& language = L"0x00000804") const
    {
        const std::wstring path =
            TextServices + L"\\" + classId + L"\\LanguageProfile\\" + language + L"\\" + profileId;
        if (description == nullptr) {
            registry.CreateKey(path);
        } else {
            registry.SetString(path, L"Description", description);
        }
    }

    static std::vector<IME_TYPE> Types()
    {
        std::vector<IME_TYPE> types;
        for (const IME_INFO& info : IMECatalogue) types.push_back(info.type);
        return types;
    }

    testsupport::ScratchRegistry registry;
};

TEST(IMEDisplayNames, AreTheFourNamesInTypeOrder)
{
    EXPECT_EQ(L"Kestrix\u62FC\u97F3\u8F93\u5165\u6CD5", Kestrix);
    EXPECT_EQ(L"\u641C\u72D7\u62FC\u97F3\u8F93\u5165\u6CD5", Sogou);
    EXPECT_EQ(L"QQ\u62FC\u97F3\u8F93\u5165\u6CD5", QQ);
    EXPECT_EQ(L"\u5FAE\u8F6F\u62FC\u97F3\u8F93\u5165\u6CD5", Microsoft);
    EXPECT_EQ(4u, sizeof(IME_TYPE));
}

TEST_F(Catalogue, NoKeyboardLayoutKeyOrNoAcceptedLayoutGivesZero)
{
    EXPECT_EQ(0, DetectPinyinIMEs());
    registry.SetString(Layouts + L"\\00000804", L"Layout Text", Sogou);
    EXPECT_EQ(0, DetectPinyinIMEs());
    EXPECT_TRUE(IMECatalogue.empty());
}

TEST_F(Catalogue, OrdersByFirstDetectionAndKeepsOneEntryPerType)
{
    AddLayouts({QQ, Sogou, QQ, L"\x4E2D\x6587 - " + Sogou + L" 12.1"});
    EXPECT_EQ(2, DetectPinyinIMEs());
    ASSERT_EQ((std::vector<IME_TYPE>{IME_TYPE_QQ, IME_TYPE_SOGOU}), Types());
    EXPECT_EQ(QQ, IMECatalogue[0].name);
    EXPECT_FALSE(IMECatalogue[0].supported);
    EXPECT_EQ(Sogou, IMECatalogue[1].name);
    EXPECT_TRUE(IMECatalogue[1].supported);
}

TEST_F(Catalogue, MatchesExactlyWithoutCaseOrWidthFolding)
{
    AddLayouts({L"qq\u62FC\u97F3\u8F93\u5165\u6CD5",            // lower case
                L"\uFF31\uFF31\u62FC\u97F3\u8F93\u5165\u6CD5",  // full-width QQ
                L"KESTRIX\u62FC\u97F3\u8F93\u5165\u6CD5",
                L"\u641C\u72D7\u62FC\u97F3",  // a prefix of the name only
                L"Chinese (Simplified) - " + Microsoft + L" 2010"});
    EXPECT_EQ(1, DetectPinyinIMEs());
    EXPECT_EQ((std::vector<IME_TYPE>{IME_TYPE_MICROSOFT}), Types());
}

TEST_F(Catalogue, TextNamingTwoImesContributesBothInTypeOrder)
{
    AddLayouts({QQ + L" / " + Sogou});
    EXPECT_EQ(2, DetectPinyinIMEs());
    EXPECT_EQ((std::vector<IME_TYPE>{IME_TYPE_SOGOU, IME_TYPE_QQ}), Types());
}

TEST_F(Catalogue, AllFourImesAreSupportedExactlyForKestrixAndSogou)
{
    AddLayouts({QQ, Sogou, Microsoft, Kestrix, Kestrix + L"2"});
    EXPECT_EQ(4, DetectPinyinIMEs());
    ASSERT_EQ((std::vector<IME_TYPE>{IME_TYPE_QQ, IME_TYPE_SOGOU, IME_TYPE_MICROSOFT,
                                     IME_TYPE_KESTRIX}),
              Types());
    for (const IME_INFO& info : IMECatalogue) {
        EXPECT_EQ(IMEDisplayNames[info.type], info.name);
        EXPECT_EQ(info.type == IME_TYPE_KESTRIX || info.type == IME_TYPE_SOGOU, info.supported)
            << info.type;
    }
}

// Since Windows 8 the IMEs register as text services, most of them without any layout.
TEST_F(Catalogue, TextServicesCountForSimplifiedChineseByClassIdOrDisplayName)
{
    registry.CreateKey(Layouts);
    // None of these is a pinyin IME that the program knows.
    const std::wstring other = L"{00000000-0000-0000-0000-0000000000";
    AddProfile(SogouService, SogouProfile, L"Sogou Pinyin", L"0x00000404");  // Taiwan
    AddProfile(other + L"01}", SogouProfile, Sogou.c_str(), L"0x00000409");
    AddProfile(other + L"02}", SogouProfile, QQ.c_str(), L"0x0804");
    AddProfile(other + L"03}", SogouProfile, L"\u641C\u72D7\u62FC\u97F3");  // 搜狗拼音
    AddProfile(other + L"03}", MicrosoftProfile, L"qq\u62FC\u97F3\u8F93\u5165\u6CD5");
    AddProfile(other + L"04}", SogouProfile, L"\u5FAE\u8F6F\u62FC\u97F3");  // 微软拼音 alone
    AddProfile(other + L"05}", SogouProfile, (Sogou + std::wstring(300, L'x')).c_str());
    AddProfile(L"{E7EA138E-69F8-11D7-A6EA-00065B844311}", SogouProfile, L"Sogou Pinyin");
    AddProfile(L"{4B455354-0000-0000-0000-000000000001}", SogouProfile, Kestrix.c_str());
    registry.CreateKey(TextServices + L"\\" + other + L"06}");  // no profiles at all
    EXPECT_EQ(0, DetectPinyinIMEs());

    // Sogou with the English description of its installer; Microsoft Pinyin without one, its
    // class id in lower case.
    AddProfile(SogouService, SogouProfile, L"Sogou Pinyin Input Method");
    AddProfile(L"{81d4e9c9-1d3b-41bc-9e6c-4b40bf79e35e}", MicrosoftProfile, nullptr);
    Reset();
    EXPECT_EQ(2, DetectPinyinIMEs());
    EXPECT_EQ((std::vector<IME_TYPE>{IME_TYPE_MICROSOFT, IME_TYPE_SOGOU}), Types());
}

TEST_F(Catalogue, TextServicesFollowTheLayoutsInTheirOwnEnumerationOrder)
{
    AddLayouts({Kestrix, L"\x4E2D\x6587 - " + Sogou});
    // One service with two profiles, in their order; then Sogou, already known by its layout.
    const std::wstring service = L"{00000000-0000-0000-0000-000000000001}";
    AddProfile(service, L"{00000000-0000-0000-0000-00000000000A}",
               (L"Chinese (Simplified) - " + Microsoft).c_str());
    AddProfile(service, L"{00000000-0000-0000-0000-00000000000B}", (QQ + L" 6.0").c_str());
    AddProfile(SogouService, SogouProfile, Sogou.c_str());
    AddProfile(L"{4B455354-0000-0000-0000-000000000001}", SogouProfile, Kestrix.c_str());
    EXPECT_EQ(4, DetectPinyinIMEs());
    EXPECT_EQ(
        (std::vector<IME_TYPE>{IME_TYPE_KESTRIX, IME_TYPE_SOGOU, IME_TYPE_MICROSOFT, IME_TYPE_QQ}),
        Types());
}

}  // namespace
