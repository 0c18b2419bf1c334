// The quiet mode's record of a run: one line appended to a file that the runs on many PCs may
// share, for the administrator who deployed the program to collect.
#pragma once

#include <cstdint>
#include <string>

struct RunRecord {
    int exitCode = 0;
    std::uint32_t readCount = 0;
    std::int32_t writtenCount = 0;
    std::wstring sentence;  // one English sentence saying what happened
};

class RunLog {
public:
    explicit RunLog(std::wstring path) : path_(std::move(path)) {}

    // The record's line, stamped with the time, the computer, the user and the version. False
    // when it could not be written; nothing else depends on that.
    bool Append(const RunRecord& record) const;

    // Appends bytes in one write at the file's end, which the file system keeps whole against
    // other processes appending at the same time, on this PC or through a share. A file that
    // another writer holds (shared access refused, or a range locked) is tried again for a few
    // seconds. False when the bytes could not be written; a write that got part of them out is
    // never repeated, so no line is ever written twice.
    bool AppendBytes(const std::string& bytes) const;

    // UTF-8 without a mark, ending in CR LF, fields separated by TAB: the UTC time as
    // YYYY-MM-DDTHH:MM:SSZ, the computer name, the user name, "lexiferry <version>", the exit
    // code, entries read, entries written, the sentence. No field holds a TAB, a control
    // character or a Unicode line or paragraph separator: each became a space.
    static std::string LineOf(const RunRecord& record);

private:
    std::wstring path_;
};
