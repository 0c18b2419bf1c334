// One copy of the program at a time, whether it opens its window or runs quietly: two
// transfers into one user's Kestrix dictionary at once would import the entries twice.
#pragma once

#include "win/UniqueHandles.h"

class SingleInstance {
public:
    // False when another copy holds the mutex. A mutex that cannot be made for another reason
    // only loses the protection: the program goes on as the first copy.
    bool Claim();

private:
    // Owned for the whole run; the last handle's close ends the mutex, so a later copy may
    // start.
    win::unique_handle mutex_;
};
