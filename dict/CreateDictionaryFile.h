// Makes the opened dictionary file of an IME.
#pragma once

#include <memory>

#include "dict/DictionaryFileBase.h"
#include "ime/ImeType.h"

// Kestrix and Sogou have a dictionary file; every other type gives none, without touching
// the disk. Also none when the file could not be opened (for Sogou in Read mode: when the
// export failed); its temporary file is then already deleted.
std::unique_ptr<DictionaryFileBase> CreateDictionaryFile(IME_TYPE type, DictionaryFileMode mode);
