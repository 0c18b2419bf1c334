// The texts of the program's windows other than the panel's sentences.
#pragma once

inline constexpr const wchar_t* MainWindowTitle = L"Lexiferry";

// Shown when the sync button is pressed with fewer than two input methods selected.
inline constexpr const wchar_t* SyncRefusalText = L"抱歉，无法导入，目前只支持指定输入法词库同步";
inline constexpr const wchar_t* SyncRefusalCaption = L"输入法同步工具";
