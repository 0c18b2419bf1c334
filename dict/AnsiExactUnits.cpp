#include "dict/AnsiExactUnits.h"

#include <windows.h>

#include <vector>

const AnsiExactUnits& AnsiExactUnits::System()
{
    static const AnsiExactUnits units;
    return units;
}

AnsiExactUnits::AnsiExactUnits()
{
    if (FromRoundTrips()) return;
    // What is known so far may be wrong: start again, slowly.
    for (std::uint32_t& word : exact) word = 0;
    FromOneCallPerUnit();
}

// Units there and back a few thousand at a time: a call per unit costs more under Wine than
// a transfer of ten thousand entries, and a few kilobytes at a time add nothing to the
// memory that a transfer needs. Without flags the conversion gives a unit the code page
// lacks its default character or a look-alike, and either comes back as another unit: what
// WC_NO_BEST_FIT_CHARS calls not translating directly. Surrogates go in blocks of one kind,
// high or low, so that no two of them form one character.
bool AnsiExactUnits::FromRoundTrips()
{
    constexpr unsigned blockUnits = 0x400;  // a divisor of every run of surrogates
    std::vector<wchar_t> units(blockUnits);
    std::vector<wchar_t> returned(blockUnits);
    std::vector<char> bytes;
    for (unsigned first = 0; first < UnitCount; first += blockUnits) {
        for (unsigned i = 0; i < blockUnits; ++i) units[i] = static_cast<wchar_t>(first + i);
        const int byteCount =
            WideCharToMultiByte(CP_ACP, 0, units.data(), blockUnits, nullptr, 0, nullptr, nullptr);
        if (byteCount <= 0) return false;
        bytes.resize(static_cast<std::size_t>(byteCount));
        if (WideCharToMultiByte(CP_ACP, 0, units.data(), blockUnits, bytes.data(), byteCount,
                                nullptr, nullptr) != byteCount) {
            return false;
        }
        // One character per unit comes back in the same place, or the round trip says
        // nothing about single units (a code page whose characters do not stand alone).
        if (MultiByteToWideChar(CP_ACP, 0, bytes.data(), byteCount, returned.data(), blockUnits) !=
            static_cast<int>(blockUnits)) {
            return false;
        }
        for (unsigned i = 0; i < blockUnits; ++i) {
            if (returned[i] == units[i]) Set(units[i]);
        }
    }
    return true;
}

void AnsiExactUnits::FromOneCallPerUnit()
{
    for (unsigned value = 0; value < UnitCount; ++value) {
        const wchar_t unit = static_cast<wchar_t>(value);
        char bytes[8];
        BOOL usedDefault = FALSE;
        if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &unit, 1, bytes, sizeof(bytes),
                                nullptr, &usedDefault) > 0 &&
            !usedDefault) {
            Set(unit);
        }
    }
}
