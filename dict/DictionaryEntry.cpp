#include "dict/DictionaryEntry.h"

#include <algorithm>

bool IsTransferable(const DictionaryEntry& entry)
{
    if (entry.pinyin.size() < 2 || entry.word.size() < 2) return false;
    return std::none_of(entry.word.begin(), entry.word.end(), [](wchar_t unit) {
        return (unit >= L'A' && unit <= L'Z') || (unit >= L'a' && unit <= L'z');
    });
}
