// TEMPORARY until the branch that reads the user's own Sogou text file is merged.
#include <memory>

#include "dict/DictionaryFileBase.h"

std::unique_ptr<DictionaryFileBase> OpenSogouTextFile(const wchar_t*)
{
    return nullptr;
}
