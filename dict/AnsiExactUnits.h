// Which UTF-16 units the system's ANSI code page holds exactly: those that come back from a
// round trip through it as themselves, rather than as its default character or a look-alike
// ("best fit"). Knowing it per unit lets a writer refuse a text with one look at each unit
// and convert many accepted texts with one call.
#pragma once

#include <cstdint>

class AnsiExactUnits {
public:
    // Built at the first call, from the system's own conversion: a process's ANSI code page
    // never changes while it runs. Meant for a code page other than UTF-8, where a unit on
    // its own says nothing about a surrogate pair.
    static const AnsiExactUnits& System();

    bool HoldsExactly(wchar_t unit) const
    {
        const unsigned value = static_cast<unsigned>(unit);
        return (exact[value / 32] >> (value % 32)) & 1u;
    }

private:
    static constexpr unsigned UnitCount = 0x10000;

    AnsiExactUnits();
    bool FromRoundTrips();
    void FromOneCallPerUnit();
    void Set(wchar_t unit) { exact[unit / 32u] |= 1u << (unit % 32u); }

    std::uint32_t exact[UnitCount / 32] = {};
};
