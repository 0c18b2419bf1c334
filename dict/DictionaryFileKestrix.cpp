#include "dict/DictionaryFileKestrix.h"

#include <imm.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "win/UniqueHandles.h"

namespace {

constexpr wchar_t KestrixImeFile[] = L"KestrixPinyin2.ime";
constexpr UINT ImeFileCapacity = 260;  // units

wchar_t AsciiLower(wchar_t unit)
{
    return (unit >= L'A' && unit <= L'Z') ? static_cast<wchar_t>(unit - L'A' + L'a') : unit;
}

bool EqualIgnoringAsciiCase(const wchar_t* left, std::size_t leftLength, const wchar_t* right)
{
    const std::size_t rightLength = wcslen(right);
    if (leftLength != rightLength) return false;
    for (std::size_t i = 0; i < leftLength; ++i) {
        if (AsciiLower(left[i]) != AsciiLower(right[i])) return false;
    }
    return true;
}

// TAB, CR and LF separate the import file's columns and lines; other control characters
// have no place in a word or a reading either.
bool HasControlCharacter(const std::wstring& text)
{
    return std::any_of(text.begin(), text.end(),
                       [](wchar_t unit) { return unit < 0x20 || (unit >= 0x7F && unit <= 0x9F); });
}

}  // namespace

DictionaryFileKestrix::DictionaryFileKestrix(DictionaryFileMode fileMode)
    : DictionaryFileBase(fileMode)
{
    ComposePath(KestrixTempFileName);
    SetEncoding(TextEncoding::Ansi);
}

bool DictionaryFileKestrix::WriteEntry(const DictionaryEntry& entry)
{
    if (!IsTransferable(entry)) return false;
    if (HasControlCharacter(entry.word) || HasControlCharacter(entry.pinyin)) return false;
    return WriteTextPieces(this, {entry.word, L"\t1\t", entry.pinyin, L"\r\n"});
}

bool DictionaryFileKestrix::Import()
{
    // The IME reads the file by its path while we keep it open: every line must have reached
    // it, and a file that failed to take its lines is never handed over.
    return Flush() && ImportIntoKestrixIme(Path()) != 0;
}

LRESULT ImportIntoKestrixIme(const wchar_t* path)
{
    // A cut path would name another file.
    if (path == nullptr ||
        wcsnlen(path, DictionaryFileBase::PathCapacity) >= DictionaryFileBase::PathCapacity) {
        return 0;
    }
    const int count = GetKeyboardLayoutList(0, nullptr);
    if (count <= 0) return 0;
    std::vector<HKL> layouts(static_cast<std::size_t>(count));
    const int fetched = GetKeyboardLayoutList(count, layouts.data());
    if (fetched <= 0) return 0;
    layouts.resize(std::min<std::size_t>(layouts.size(), static_cast<std::size_t>(fetched)));

    for (HKL layout : layouts) {
        wchar_t fileName[ImeFileCapacity] = {};
        const UINT length = ImmGetIMEFileNameW(layout, fileName, ImeFileCapacity);
        if (length == 0 || length >= ImeFileCapacity) continue;
        if (!EqualIgnoringAsciiCase(fileName, wcsnlen(fileName, length), KestrixImeFile)) continue;

        // The IME gets its own copy: the escape's argument is not const.
        wchar_t argument[DictionaryFileBase::PathCapacity] = {};
        wmemcpy(argument, path, wcsnlen(path, DictionaryFileBase::PathCapacity - 1));
        win::unique_himc context(ImmCreateContext());
        return ImmEscapeW(layout, context.get(), KestrixImportEscape, argument);
    }
    return 0;
}
