#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ime/ChinesePinyinInputMethodList.h"
#include "ime/KeyboardLayoutScan.h"
#include "tests/support/ScratchRegistry.h"

namespace {

const std::wstring Layouts = L"SYSTEM\\CurrentControlSet\\Control\\Keyboard Layouts";

class KeyboardLayoutScan : public ::testing::Test {
protected:
    void SetUp() override { LayoutTexts.clear(); }
    void TearDown() override { LayoutTexts.clear(); }

    void AddLayout(const std::wstring& keyName, const std::wstring& text) const
    {
        registry.SetString(Layouts + L"\\" + keyName, L"Layout Text", text);
    }

    std::vector<std::wstring> Scan() const
    {
        ChinesePinyinInputMethodList list;
        EXPECT_TRUE(list.LoadFromRegistry());
        std::vector<std::wstring> texts;
        for (const auto& method : list.GetInputMethods()) texts.push_back(method.layoutText);
        return texts;
    }

    testsupport::ScratchRegistry registry;
};

TEST(IsChineseImeLayoutKey, AcceptsExactlyEightCharactersFromEToThe0804Tail)
{
    EXPECT_TRUE(IsChineseImeLayoutKey(L"E0200804"));
    EXPECT_TRUE(IsChineseImeLayoutKey(L"Exyz0804"));  // the middle is not examined
    EXPECT_TRUE(IsChineseImeLayoutKey(L"E\x4E2D-_0804"));

    EXPECT_FALSE(IsChineseImeLayoutKey(L"e0200804"));  // lower-case e
    EXPECT_FALSE(IsChineseImeLayoutKey(L"00000804"));  // a plain keyboard layout
    EXPECT_FALSE(IsChineseImeLayoutKey(L"D0200804"));
    EXPECT_FALSE(IsChineseImeLayoutKey(L"E0804"));      // five characters
    EXPECT_FALSE(IsChineseImeLayoutKey(L"E02000804"));  // nine characters
    EXPECT_FALSE(IsChineseImeLayoutKey(L"E02008040"));  // nine, with the tail's match first
    EXPECT_FALSE(IsChineseImeLayoutKey(L"E0200409"));   // another language
    EXPECT_FALSE(IsChineseImeLayoutKey(L"E020080"));
    EXPECT_FALSE(IsChineseImeLayoutKey(L"E020"));
    EXPECT_FALSE(IsChineseImeLayoutKey(L"E"));
    EXPECT_FALSE(IsChineseImeLayoutKey(L""));
}

TEST_F(KeyboardLayoutScan, MissingKeyboardLayoutKeyFailsAndLeavesTheListEmpty)
{
    ChinesePinyinInputMethodList list;
    EXPECT_FALSE(list.LoadFromRegistry());
    EXPECT_TRUE(list.GetInputMethods().empty());
    EXPECT_TRUE(LayoutTexts.empty());
}

TEST_F(KeyboardLayoutScan, EmptyKeyboardLayoutKeySucceedsWithNothing)
{
    registry.CreateKey(Layouts);
    EXPECT_TRUE(Scan().empty());
}

TEST_F(KeyboardLayoutScan, KeepsEnumerationOrderAndDuplicatesAndSkipsOtherKeys)
{
    AddLayout(L"E0230804", L"\x641C\x72D7");
    AddLayout(L"E0210804", L"same");
    AddLayout(L"E0220804", L"same");
    AddLayout(L"00000804", L"plain Chinese keyboard");
    AddLayout(L"E0200409", L"another language");
    AddLayout(L"e0240804", L"lower-case e");

    // The scan must follow the registry's own enumeration, whatever order that is.
    std::vector<std::wstring> expected;
    HKEY layouts = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, Layouts.c_str(), 0,
                                           KEY_ENUMERATE_SUB_KEYS, &layouts));
    wchar_t name[260];
    for (DWORD i = 0, length = 260; RegEnumKeyExW(layouts, i, name, &length, nullptr, nullptr,
                                                  nullptr, nullptr) == ERROR_SUCCESS;
         ++i, length = 260) {
        const std::wstring key = name;
        if (key == L"E0230804") expected.push_back(L"\x641C\x72D7");
        if (key == L"E0210804" || key == L"E0220804") expected.push_back(L"same");
    }
    RegCloseKey(layouts);

    EXPECT_EQ(expected, Scan());
    EXPECT_EQ(expected, LayoutTexts);
}

TEST_F(KeyboardLayoutScan, SkipsAnAcceptedKeyWithoutTextAndReadsOn)
{
    registry.CreateKey(Layouts + L"\\E0200804");
    registry.SetString(Layouts + L"\\E0200804", L"Ime File", L"x.ime");
    AddLayout(L"E0210804", L"after the gap");
    AddLayout(L"E0220804", L"");  // an empty text is still an entry
    EXPECT_EQ((std::vector<std::wstring>{L"after the gap", L""}), Scan());
}

TEST_F(KeyboardLayoutScan, TakesTextsUpTo259UnitsAndSkipsLongerOnes)
{
    const std::wstring longest(259, L'\x62FC');
    AddLayout(L"E0200804", longest);
    AddLayout(L"E0210804", std::wstring(260, L'x'));
    AddLayout(L"E0220804", std::wstring(4000, L'y'));
    AddLayout(L"E0230804", L"last");
    EXPECT_EQ((std::vector<std::wstring>{longest, L"last"}), Scan());
}

TEST_F(KeyboardLayoutScan, NeverReadsPastAValueThatFillsTheBufferWithoutTerminator)
{
    // 260 units of data and no NUL, of a foreign type: the text is cut at the buffer's end.
    const std::wstring full(260, L'z');
    registry.SetRaw(Layouts + L"\\E0200804", L"Layout Text", REG_BINARY, full.data(),
                    static_cast<DWORD>(full.size() * sizeof(wchar_t)));
    // The same as a string: the system may add no terminator (Windows) or refuse the value
    // for want of room for one (Wine); either way nothing past the buffer shows.
    registry.SetRaw(Layouts + L"\\E0210804", L"Layout Text", REG_SZ, full.data(),
                    static_cast<DWORD>(full.size() * sizeof(wchar_t)));
    // A short text without terminator.
    const wchar_t shortText[] = {L'a', L'b'};
    registry.SetRaw(Layouts + L"\\E0220804", L"Layout Text", REG_BINARY, shortText,
                    sizeof(shortText));
    // An odd byte count leaves no half unit behind.
    const char odd[] = {'Q', 0, 'Q', 0, 'x'};
    registry.SetRaw(Layouts + L"\\E0230804", L"Layout Text", REG_BINARY, odd, sizeof(odd));

    std::vector<std::wstring> texts = Scan();
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(full, texts[0]);
    if (texts.size() == 4) {
        EXPECT_EQ(full, texts[1]);
    }
    EXPECT_EQ(L"ab", texts[texts.size() - 2]);
    EXPECT_EQ(L"QQ", texts[texts.size() - 1]);
}

TEST_F(KeyboardLayoutScan, ListCopiesAreIndependentValues)
{
    AddLayout(L"E0200804", L"one");
    ChinesePinyinInputMethodList list;
    ASSERT_TRUE(list.LoadFromRegistry());
    ChinesePinyinInputMethodList copy = list;
    auto methods = copy.GetInputMethods();
    methods[0].layoutText = L"changed";
    EXPECT_EQ(L"one", list.GetInputMethods()[0].layoutText);
    EXPECT_EQ(L"one", copy.GetInputMethods()[0].layoutText);
}

}  // namespace
