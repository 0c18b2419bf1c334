// Dictionary files whose "export" writes bytes the test chose, so that the reading side can
// be tested byte by byte without an export tool.
#pragma once

#include <string>
#include <vector>

#include "dict/DictionaryFileBase.h"
#include "dict/DictionaryFileSogou.h"

namespace testsupport {

class FixtureFile : public DictionaryFileBase {
public:
    explicit FixtureFile(std::string bytes, DictionaryFileMode mode = DictionaryFileMode::Read);
    bool Export(const wchar_t* path) override;
    bool Import() override { return true; }
    bool WriteEntry(const DictionaryEntry&) override { return true; }
    void UseEncoding(TextEncoding value) { SetEncoding(value); }

    bool exportSucceeds = true;

private:
    std::string bytes_;
};

class FixtureSogouFile : public DictionaryFileSogou {
public:
    explicit FixtureSogouFile(std::string bytes);
    bool Export(const wchar_t* path) override;

private:
    std::string bytes_;
};

// UTF-16LE bytes of the text, without a mark.
std::string Utf16Bytes(const std::wstring& text);
std::vector<std::wstring> AllLines(DictionaryFileBase& file);

}  // namespace testsupport
