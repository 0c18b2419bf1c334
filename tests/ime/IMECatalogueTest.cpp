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

}  // namespace
