// The sentences the IME list panel shows, in the order of its modes.
#pragma once

inline constexpr int StatusTextCount = 4;

inline constexpr const wchar_t* StatusTexts[StatusTextCount] = {
    L"己检测到您电脑上安装了如下拼音输入法，您可以选择同步您的输入法词库：",  // above the boxes
    L"正在进行词库同步，请您耐心等待…",                                       // while it runs
    L"您的输入法词库同步成功。",                                              // succeeded
    L"您的输入法词库同步失败。",                                              // failed
};
