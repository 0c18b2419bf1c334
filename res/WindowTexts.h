// The texts of the program's windows other than the panel's sentences.
#pragma once

inline constexpr const wchar_t* MainWindowTitle = L"Lexiferry";

// Shown when the sync button is pressed with fewer than two input methods selected.
inline constexpr const wchar_t* SyncRefusalText = L"抱歉，无法导入，目前只支持指定输入法词库同步";
inline constexpr const wchar_t* SyncRefusalCaption = L"输入法同步工具";

// The control that takes a dictionary file of the user's in place of Sogou's export, and what
// it reads once a file is chosen: the prefix, then the file's name.
inline constexpr const wchar_t* ChooseFileText = L"从词库文件导入…";
inline constexpr const wchar_t* ChosenFilePrefix = L"词库文件：";
// The open-file dialog it opens, and its two filters.
inline constexpr const wchar_t* ChooseFileTitle = L"选择搜狗词库文件";
inline constexpr const wchar_t* ChooseFileFilterName = L"搜狗词库备份或文本词库 (*.bin;*.txt)";
inline constexpr const wchar_t* ChooseFileFilterPattern = L"*.bin;*.txt";
inline constexpr const wchar_t* AllFilesFilterName = L"所有文件 (*.*)";
inline constexpr const wchar_t* AllFilesFilterPattern = L"*.*";
// Shown, with the refusal box's caption, for a chosen file that is not one to read.
inline constexpr const wchar_t* NotADictionaryText =
    L"这个文件不是搜狗拼音输入法的词库备份（.bin）或文本词库（.txt），请重新选择。";
