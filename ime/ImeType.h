// The four pinyin IMEs that Lexiferry recognises, and how it names them.
#pragma once

#include <cstdint>
#include <string>

enum IME_TYPE : std::int32_t {
    IME_TYPE_KESTRIX = 0,
    IME_TYPE_SOGOU = 1,
    IME_TYPE_QQ = 2,
    IME_TYPE_MICROSOFT = 3,
};

inline constexpr int IMETypeCount = 4;

// Indexed by IME_TYPE. These exact texts recognise an IME in a layout text or a text service's
// description, caption its check box and name it in the result line of a transfer.
inline constexpr const wchar_t* IMEDisplayNames[IMETypeCount] = {
    L"Kestrix\x62FC\x97F3\x8F93\x5165\x6CD5",  // Kestrix拼音输入法
    L"\x641C\x72D7\x62FC\x97F3\x8F93\x5165\x6CD5",  // 搜狗拼音输入法
    L"QQ\x62FC\x97F3\x8F93\x5165\x6CD5",  // QQ拼音输入法
    L"\x5FAE\x8F6F\x62FC\x97F3\x8F93\x5165\x6CD5",  // 微软拼音输入法
};

// Only Kestrix and Sogou can take part in a transfer.
constexpr bool IsTransferCapable(IME_TYPE type) noexcept
{
    return type == IME_TYPE_KESTRIX || type == IME_TYPE_SOGOU;
}

struct IME_INFO {
    std::wstring name;  // the type's display name, never the layout text
    IME_TYPE type = IME_TYPE_KESTRIX;
    bool supported = false;
};
