// The pinyin IMEs installed on this machine, detected once at start-up.
#pragma once

#include <vector>

#include "ime/ImeType.h"

// At most one entry per IME_TYPE, in order of first detection.
extern std::vector<IME_INFO> IMECatalogue;

// The size of IMECatalogue, set once by the entry point from DetectPinyinIMEs.
extern int detectedImeCount;

// Fills IMECatalogue from the keyboard layouts, then the text services, and returns its size
// (0 to 4).
int DetectPinyinIMEs();
