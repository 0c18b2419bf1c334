#include "ime/IMECatalogue.h"

#include <windows.h>

#include <algorithm>

#include "ime/ChinesePinyinInputMethodList.h"
#include "ime/TextServiceScan.h"

std::vector<IME_INFO> IMECatalogue;
int detectedImeCount = 0;

namespace {

// The class ids under which the IMEs register their text services; installers write the
// description in English or in Chinese, so the id alone is enough.
constexpr const wchar_t* SogouClassId = L"{E7EA138E-69F8-11D7-A6EA-00065B844310}";
constexpr const wchar_t* MicrosoftPinyinClassId = L"{81D4E9C9-1D3B-41BC-9E6C-4B40BF79E35E}";

// Appends the type unless it is catalogued already: the first detection decides its place.
void Catalogue(IME_TYPE type)
{
    const bool known = std::any_of(IMECatalogue.begin(), IMECatalogue.end(),
                                   [type](const IME_INFO& info) { return info.type == type; });
    if (!known) IMECatalogue.push_back({IMEDisplayNames[type], type, IsTransferCapable(type)});
}

// One text may name several IMEs: each type is tried in type order.
template <typename Recognises>
void CatalogueEach(Recognises recognises)
{
    for (int t = 0; t < IMETypeCount; ++t) {
        const auto type = static_cast<IME_TYPE>(t);
        if (recognises(type)) Catalogue(type);
    }
}

bool Names(const std::wstring& text, IME_TYPE type)
{
    return text.find(IMEDisplayNames[type]) != std::wstring::npos;
}

// Registry names are compared without regard to case.
bool IsClassId(const std::wstring& classId, const wchar_t* expected)
{
    return CompareStringOrdinal(classId.c_str(), static_cast<int>(classId.size()), expected, -1,
                                TRUE) == CSTR_EQUAL;
}

bool IsTextServiceOf(const TextServiceProfile& profile, IME_TYPE type)
{
    switch (type) {
        case IME_TYPE_SOGOU:
            return IsClassId(profile.classId, SogouClassId) || Names(profile.description, type);
        case IME_TYPE_MICROSOFT:
            return IsClassId(profile.classId, MicrosoftPinyinClassId) ||
                   Names(profile.description, type);
        case IME_TYPE_QQ:
            return Names(profile.description, type);
        case IME_TYPE_KESTRIX:
            break;  // its import needs the input context of its keyboard layout
    }
    return false;
}

}  // namespace

int DetectPinyinIMEs()
{
    ChinesePinyinInputMethodList list;
    if (list.LoadFromRegistry()) {
        for (const auto& method : list.GetInputMethods()) {
            CatalogueEach([&method](IME_TYPE type) { return Names(method.layoutText, type); });
        }
    }
    // After every layout, so that an IME registered both ways keeps its layout's place.
    for (const TextServiceProfile& profile : CollectTextServiceProfiles()) {
        CatalogueEach([&profile](IME_TYPE type) { return IsTextServiceOf(profile, type); });
    }
    return static_cast<int>(IMECatalogue.size());
}
