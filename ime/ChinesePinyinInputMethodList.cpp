#include "ime/ChinesePinyinInputMethodList.h"

#include "ime/KeyboardLayoutScan.h"

bool ChinesePinyinInputMethodList::LoadFromRegistry()
{
    if (!CollectLayoutTexts()) return false;
    const std::vector<std::wstring> texts = LayoutTexts;
    for (const std::wstring& text : texts) methods_.emplace_back(text);
    return true;
}
