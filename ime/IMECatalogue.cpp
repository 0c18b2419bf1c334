#include "ime/IMECatalogue.h"

#include <algorithm>

#include "ime/ChinesePinyinInputMethodList.h"

std::vector<IME_INFO> IMECatalogue;
int detectedImeCount = 0;

int DetectPinyinIMEs()
{
    ChinesePinyinInputMethodList list;
    if (!list.LoadFromRegistry()) return 0;

    // A text may name several IMEs; each type is tried in type order, and the first text
    // that names a type decides its place.
    for (const auto& method : list.GetInputMethods()) {
        for (int t = 0; t < IMETypeCount; ++t) {
            if (method.layoutText.find(IMEDisplayNames[t]) == std::wstring::npos) continue;
            const auto type = static_cast<IME_TYPE>(t);
            const bool known = std::any_of(IMECatalogue.begin(), IMECatalogue.end(),
                                           [type](const IME_INFO& info) { return info.type == type; });
            if (!known) IMECatalogue.push_back({IMEDisplayNames[t], type, IsTransferCapable(type)});
        }
    }
    return static_cast<int>(IMECatalogue.size());
}
