// The Sogou user dictionary from a text file of the export tool's line format that the user
// made: exported with Sogou's dictionary manager, or written by a converter as "Sogou pinyin
// text". The file is the user's own and stays as it is.
#pragma once

#include <cstddef>

#include "dict/DictionaryFileSogou.h"

// Final: nothing may give it a temporary file, which the base would delete.
class DictionaryFileSogouText final : public DictionaryFileSogou {
public:
    DictionaryFileSogouText();

    // Reads the whole file at path, in its encoding (in the .cpp), and closes it at once. False
    // when it can't be opened or read: missing, a folder or a device, unreadable, over 4 GiB,
    // or too large to decode. A file in none of the encodings reads, and gives no entry.
    // Lines end in CR LF, CR or LF.
    bool ReadUserFile(const wchar_t* path);
    // The same for a file of the user's that the caller has opened (win::OpenUserFileToRead),
    // read from its start. The caller closes it.
    bool ReadUserFile(HANDLE source);

    // Whether the first count bytes of a user's file hold an entry that ReadUserFile would read
    // from it, decoded by the same rule. Unless they are the whole file they are cut after their
    // last line end first: a character cut in two would spoil the decoding of them all.
    static bool HeadHoldsEntry(const unsigned char* head, std::size_t count, bool wholeFile);

private:
    bool DecodeText();
    // True with the decoded text, and true with no content at all (the file gives no entry)
    // when it decoded in no encoding; false when the decoding could not be made (no memory).
    bool KeepDecodedOrDiscard(Decoding decoding);
};
