#include "app/RunLog.h"

#include <windows.h>
#include <lmcons.h>

#include <cstdio>

#include "Version.h"
#include "win/UniqueHandles.h"

namespace {

// Another PC's append holds a shared log only for the moment of its write; a reader that
// opened it without sharing (an editor, a collecting script) may hold it for a while.
constexpr ULONGLONG RetryForMs = 5000;
constexpr DWORD RetryEveryMs = 50;
// A line is one write, and one write over a share is one request only up to some tens of
// kilobytes: no field may grow without bound (a path or an argument may be 32767 units).
constexpr std::size_t FieldCapacity = 1024;  // units

// A unit that a reader of the log may take for a line end or a column's end, or that does not
// belong in a line at all: the ASCII and C1 controls (U+0085 is a line end to Unicode-aware
// readers), and the Unicode line and paragraph separators, at which editors and viewers break.
bool BreaksTheLine(wchar_t unit)
{
    return unit < 0x20 || (unit >= 0x7F && unit <= 0x9F) || unit == 0x2028 || unit == 0x2029;
}

// The text as one field: each unit that could break the line's columns becomes a space.
std::string Field(const std::wstring& text)
{
    std::wstring clean = text.substr(0, FieldCapacity);
    for (wchar_t& unit : clean) {
        if (BreaksTheLine(unit)) unit = L' ';
    }
    if (clean.empty()) return "-";
    // A lone surrogate (a file name may hold one) becomes U+FFFD: the line stays valid UTF-8.
    const int size = WideCharToMultiByte(CP_UTF8, 0, clean.data(), static_cast<int>(clean.size()),
                                         nullptr, 0, nullptr, nullptr);
    if (size <= 0) return "-";
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, clean.data(), static_cast<int>(clean.size()), bytes.data(),
                        size, nullptr, nullptr);
    return bytes;
}

std::wstring ComputerName()
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &size) ? std::wstring(name, wcsnlen(name, size)) : L"";
}

std::wstring UserName()
{
    wchar_t name[UNLEN + 1] = {};
    DWORD size = UNLEN + 1;
    return GetUserNameW(name, &size) ? std::wstring(name, wcsnlen(name, UNLEN + 1)) : L"";
}

std::string UtcTime()
{
    SYSTEMTIME now{};
    GetSystemTime(&now);
    char text[32] = {};
    std::snprintf(text, sizeof(text), "%04u-%02u-%02uT%02u:%02u:%02uZ", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond);
    return text;
}

// Append access: every write lands at the end of the file as it is at that moment, with no
// position of ours that another writer could overtake. Read access as well where it is
// granted, since taking turns (below) needs it; a share that lets users only append to its
// log still gets their lines.
win::unique_hfile OpenForAppending(const std::wstring& path, DWORD& error)
{
    for (const DWORD access : {DWORD{FILE_APPEND_DATA | FILE_READ_DATA}, DWORD{FILE_APPEND_DATA}}) {
        win::unique_hfile file(CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) return file;
        error = GetLastError();
        if (error != ERROR_ACCESS_DENIED) break;
    }
    return win::unique_hfile();
}

// Writes the bytes at the file's end while no other copy of the program writes to it.
// Windows' file systems and its file shares place an append whole, but not every file system,
// server or emulation does: one that reads the end and then writes there lets two writers
// overwrite each other's lines. The copies take turns through a lock on one byte far beyond
// any log's end, which no reader or writer of the log's content ever meets. A handle that
// cannot lock (append access alone, a file system without locks) appends without a turn.
// ERROR_LOCK_VIOLATION while another copy has its turn; written is what reached the file.
DWORD AppendInTurn(HANDLE file, const char* bytes, DWORD size, DWORD& written)
{
    constexpr ULONGLONG turnOffset = 1ULL << 62;  // within the signed offsets of POSIX servers
    OVERLAPPED turn{};
    turn.Offset = static_cast<DWORD>(turnOffset);
    turn.OffsetHigh = static_cast<DWORD>(turnOffset >> 32);
    bool locked = false;
    if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &turn)) {
        locked = true;
    } else if (GetLastError() == ERROR_LOCK_VIOLATION) {
        return ERROR_LOCK_VIOLATION;
    }
    written = 0;
    DWORD error = NO_ERROR;
    if (!WriteFile(file, bytes, size, &written, nullptr)) {
        error = GetLastError();
    } else if (written != size) {
        error = ERROR_WRITE_FAULT;  // a short write: part of the line is there already
    }
    if (locked) UnlockFileEx(file, 0, 1, 0, &turn);
    return error;
}

}  // namespace

std::string RunLog::LineOf(const RunRecord& record)
{
    std::string line = UtcTime();
    for (const std::string& field :
         {Field(ComputerName()), Field(UserName()),
          std::string("lexiferry " LEXIFERRY_PRODUCT_VERSION), std::to_string(record.exitCode),
          std::to_string(record.readCount), std::to_string(record.writtenCount),
          Field(record.sentence)}) {
        line += '\t';
        line += field;
    }
    line += "\r\n";
    return line;
}

bool RunLog::Append(const RunRecord& record) const
{
    return AppendBytes(LineOf(record));
}

bool RunLog::AppendBytes(const std::string& bytes) const
{
    if (path_.empty() || bytes.empty() || bytes.size() > MAXDWORD) return false;
    const DWORD size = static_cast<DWORD>(bytes.size());
    const ULONGLONG deadline = GetTickCount64() + RetryForMs;
    for (;;) {
        DWORD error = NO_ERROR;
        win::unique_hfile file = OpenForAppending(path_, error);
        if (file) {
            DWORD written = 0;
            error = AppendInTurn(file.get(), bytes.data(), size, written);
            if (error == NO_ERROR) return true;
            if (written != 0) return false;
        }
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) return false;
        if (GetTickCount64() >= deadline) return false;
        Sleep(RetryEveryMs);
    }
}
