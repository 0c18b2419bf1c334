#include "tests/dict/FixtureFile.h"

#include "tests/support/PrefixInstall.h"

namespace testsupport {

FixtureFile::FixtureFile(std::string bytes, DictionaryFileMode mode)
    : DictionaryFileBase(mode), bytes_(std::move(bytes))
{
    ComposePath(L"fixture.tmp");
}

bool FixtureFile::Export(const wchar_t* path)
{
    return exportSucceeds && WriteFileBytes(path, bytes_);
}

FixtureSogouFile::FixtureSogouFile(std::string bytes)
    : DictionaryFileSogou(DictionaryFileMode::Read), bytes_(std::move(bytes))
{
}

bool FixtureSogouFile::Export(const wchar_t* path)
{
    return WriteFileBytes(path, bytes_);
}

std::string Utf16Bytes(const std::wstring& text)
{
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

std::vector<std::wstring> AllLines(DictionaryFileBase& file)
{
    std::vector<std::wstring> lines;
    std::wstring line;
    while (file.ReadLine(line)) lines.push_back(line);
    return lines;
}

}  // namespace testsupport
