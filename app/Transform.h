// One transfer of user-dictionary entries from a source IME to a destination IME.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ime/ImeType.h"

class DictionaryFileBase;

class Transform {
public:
    Transform(IME_TYPE source, IME_TYPE destination);
    ~Transform();
    Transform(const Transform&) = delete;
    Transform& operator=(const Transform&) = delete;

    // Exports, filters, writes and imports. True when the destination imported the entries.
    bool Run();
    // The success line, for example "成功从搜狗拼音输入法向Kestrix拼音输入法导入 3 条词条\n".
    std::wstring& GetResultText(std::wstring& text) const;

    // Entries the source delivered, and entries the destination accepted.
    std::uint32_t ReadCount() const { return readCount; }
    std::int32_t WrittenCount() const { return writtenCount; }

private:
    IME_TYPE source;
    IME_TYPE destination;
    std::unique_ptr<DictionaryFileBase> sourceFile;
    std::unique_ptr<DictionaryFileBase> destinationFile;
    std::uint32_t readCount = 0;
    std::int32_t writtenCount = 0;
};
