// Reads the text services (text input processors) registered for Simplified Chinese: how the
// IMEs made since Windows 8 register themselves, with no keyboard layout of their own.
#pragma once

#include <string>
#include <vector>

// One language profile of a text service.
struct TextServiceProfile {
    std::wstring classId;      // the text service's key name, as enumerated
    std::wstring description;  // its "Description"; empty when it has none that can be read
};

// Every profile under HKLM\SOFTWARE\Microsoft\CTF\TIP\<class id>\LanguageProfile\0x00000804:
// the class ids in enumeration order, each with its profiles in enumeration order. A key that
// is missing or cannot be read, or a name that does not fit, is left out; the rest is read.
std::vector<TextServiceProfile> CollectTextServiceProfiles();
