#include "app/Transform.h"

#include <windows.h>

#include <cstdio>

#include "dict/CreateDictionaryFile.h"

namespace {

// Only the worker thread formats result text, one job at a time.
wchar_t ResultBuffer[256];

}  // namespace

Transform::Transform(IME_TYPE sourceType, IME_TYPE destinationType)
    : source(sourceType), destination(destinationType)
{
}

Transform::~Transform()
{
    // The source first: its export may be large, and it is of no use any more.
    sourceFile.reset();
    destinationFile.reset();
}

bool Transform::Run()
{
    sourceFile = CreateDictionaryFile(source, DictionaryFileMode::Read);
    destinationFile = CreateDictionaryFile(destination, DictionaryFileMode::Write);
    if (!sourceFile || !destinationFile) return false;

    DictionaryEntry entry;
    while (sourceFile->ReadEntry(entry)) {
        ++readCount;
        if (destinationFile->WriteEntry(entry)) ++writtenCount;
    }
    if (writtenCount != 0) return destinationFile->Import();

    std::fputs("dictionary transform failed\n", stdout);
    std::fflush(stdout);
    return false;
}

std::wstring& Transform::GetResultText(std::wstring& text) const
{
    const auto name = [](IME_TYPE type) {
        return (type >= 0 && type < IMETypeCount) ? IMEDisplayNames[type] : L"";
    };
    // 成功从%s向%s导入 %d 条词条
    wsprintfW(ResultBuffer, L"\x6210\x529F\x4ECE%s\x5411%s\x5BFC\x5165 %d \x6761\x8BCD\x6761\n",
              name(source), name(destination), writtenCount);
    text = ResultBuffer;
    return text;
}
