// Times the transfer engine's read-filter-convert-write path on realistic Sogou exports of
// growing size, against the bound for the same file measured in the same run: one read of
// the whole file, one conversion of the whole content to the ANSI code page, one write. Then
// the same entries as a Sogou backup of the SGPU layout, given as a /from file is, against the
// export's engine.
//
//   lexiferry_bench [entry counts...]       default 10000 100000 1000000; prints a Markdown
//                                           table of the results on standard output
//   lexiferry_bench --child MODE EXPORT     one measurement in a fresh process, so that its
//                                           peak working set is its own (used by the above)
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "bench/RealisticExport.h"
#include "dict/CreateDictionaryFile.h"
#include "dict/DictionaryFileSogou.h"
#include "dict/SogouSyllables.h"
#include "tests/support/SogouBackupWriter.h"
#include "win/UniqueHandles.h"

namespace {

constexpr int Repeats = 5;  // the fastest of five runs of each measurement

double Now()
{
    LARGE_INTEGER counter{};
    LARGE_INTEGER frequency{};
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

PROCESS_MEMORY_COUNTERS MemoryCounters()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return counters;
}

std::wstring TempDirectoryPath()
{
    wchar_t directory[MAX_PATH] = {};
    const DWORD length = GetTempPathW(MAX_PATH, directory);
    return length > 0 && length < MAX_PATH ? std::wstring(directory, length) : L".\\";
}

bool WriteWholeFile(const std::wstring& path, const void* data, DWORD size)
{
    win::unique_hfile file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.get(), data, size, &written, nullptr) && written == size;
}

// The Sogou file with its export already made: the staged export is copied into place, and
// the clock starts when the engine takes over.
class StagedSogouFile : public DictionaryFileSogou {
public:
    explicit StagedSogouFile(std::wstring staged)
        : DictionaryFileSogou(DictionaryFileMode::Read), staged_(std::move(staged))
    {
    }
    bool Export(const wchar_t* path) override
    {
        const bool copied = CopyFileW(staged_.c_str(), path, FALSE) != FALSE;
        start = Now();
        return copied;
    }
    double start = 0;

private:
    std::wstring staged_;
};

// The engine's path exactly as a transfer runs it, without the IME's own import.
int MeasureEngine(const std::wstring& exportPath, bool writeEntries, std::size_t& written)
{
    StagedSogouFile source(exportPath);
    if (!source.Open()) return 1;
    std::unique_ptr<DictionaryFileBase> destination =
        CreateDictionaryFile(IME_TYPE_KESTRIX, DictionaryFileMode::Write);
    if (!destination) return 1;
    DictionaryEntry entry;
    written = 0;
    while (source.ReadEntry(entry)) {
        if (writeEntries && destination->WriteEntry(entry)) ++written;
    }
    // The last block reaches the file before the IME would be called.
    if (!destination->Flush()) return 1;
    std::printf("%.6f", Now() - source.start);
    return 0;
}

// A backup given as the user's file, from opening it to the finished import file.
int MeasureBackup(const std::wstring& backupPath, std::size_t& written)
{
    const double start = Now();
    bool refused = false;
    std::unique_ptr<DictionaryFileBase> source = OpenSogouUserFile(backupPath.c_str(), refused);
    std::unique_ptr<DictionaryFileBase> destination =
        CreateDictionaryFile(IME_TYPE_KESTRIX, DictionaryFileMode::Write);
    if (!source || !destination) return 1;
    DictionaryEntry entry;
    written = 0;
    while (source->ReadEntry(entry)) {
        if (destination->WriteEntry(entry)) ++written;
    }
    if (!destination->Flush()) return 1;
    std::printf("%.6f", Now() - start);
    return 0;
}

// The entries of the export at exportPath, as its reader hands them out, as an SGPU backup in
// the same order. Empty where the export can't be read, or holds a syllable that has no number.
std::string BackupOf(const std::wstring& exportPath)
{
    std::vector<std::pair<std::wstring_view, std::uint16_t>> table;
    for (std::uint16_t number = 0; number < SogouSyllableCount; ++number) {
        table.emplace_back(SogouSyllable(number), number);
    }
    std::sort(table.begin(), table.end());
    const std::unique_ptr<DictionaryFileBase> source = OpenSogouTextFile(exportPath.c_str());
    if (!source) return {};
    std::vector<testsupport::BackupEntry> entries;
    for (DictionaryEntry entry; source->ReadEntry(entry);) {
        testsupport::BackupEntry backup;
        // The reading's syllables, separated by single spaces.
        const std::wstring_view pinyin = entry.pinyin;
        for (std::size_t at = 0; at <= pinyin.size();) {
            const std::size_t next = std::min(pinyin.find(L' ', at), pinyin.size());
            const std::wstring_view syllable = pinyin.substr(at, next - at);
            const auto found = std::lower_bound(table.begin(), table.end(),
                                                std::make_pair(syllable, std::uint16_t{0}));
            if (found == table.end() || found->first != syllable) return {};
            backup.syllables.push_back(found->second);
            at = next + 1;
        }
        backup.word = std::move(entry.word);
        entries.push_back(std::move(backup));
    }
    return testsupport::SgpuBackup(entries);
}

// One read, one conversion, one write: what no reading of the same file can beat.
int MeasureBound(const std::wstring& exportPath)
{
    const double start = Now();
    win::unique_hfile file(CreateFileW(exportPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
    const DWORD size = file ? GetFileSize(file.get(), nullptr) : 0;
    std::unique_ptr<char[]> content(new (std::nothrow) char[size]);
    DWORD read = 0;
    if (!content || !ReadFile(file.get(), content.get(), size, &read, nullptr) || read != size) {
        return 1;
    }
    const auto* units = reinterpret_cast<const wchar_t*>(content.get()) + 1;  // past the mark
    const int unitCount = static_cast<int>(size / 2 - 1);
    // Code page 936 needs at most two bytes for a unit.
    const int capacity = unitCount * 2;
    std::unique_ptr<char[]> converted(new (std::nothrow) char[capacity]);
    const int bytes = converted ? WideCharToMultiByte(CP_ACP, 0, units, unitCount, converted.get(),
                                                      capacity, nullptr, nullptr)
                                : 0;
    if (bytes <= 0 || !WriteWholeFile(TempDirectoryPath() + L"bound.tmp", converted.get(),
                                      static_cast<DWORD>(bytes))) {
        return 1;
    }
    std::printf("%.6f", Now() - start);
    DeleteFileW((TempDirectoryPath() + L"bound.tmp").c_str());
    return 0;
}

int RunChild(const std::wstring& mode, const std::wstring& exportPath)
{
    const PROCESS_MEMORY_COUNTERS idle = MemoryCounters();
    std::size_t written = 0;
    int result = 1;
    if (mode == L"engine") result = MeasureEngine(exportPath, true, written);
    if (mode == L"read") result = MeasureEngine(exportPath, false, written);
    if (mode == L"bound") result = MeasureBound(exportPath);
    if (mode == L"backup") result = MeasureBackup(exportPath, written);
    const PROCESS_MEMORY_COUNTERS after = MemoryCounters();
    std::printf(" %zu %zu %zu\n", written, static_cast<std::size_t>(after.PeakWorkingSetSize),
                static_cast<std::size_t>(idle.WorkingSetSize));
    return result;
}

struct ChildResult {
    double seconds = 0;
    std::size_t written = 0;
    std::size_t peakWorkingSet = 0;
    std::size_t idleWorkingSet = 0;
};

bool RunMeasurement(const std::wstring& mode, const std::wstring& exportPath, ChildResult& result)
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine =
        L"\"" + std::wstring(self) + L"\" --child " + mode + L" \"" + exportPath + L"\"";

    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) return false;
    win::unique_handle reader(readEnd);
    win::unique_handle writer(writeEnd);
    SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writer.get();
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::fprintf(stderr, "cannot start the %ls measurement: error %lu\n", mode.c_str(),
                     GetLastError());
        return false;
    }
    win::unique_handle processHandle(process.hProcess);
    win::unique_handle threadHandle(process.hThread);
    writer.reset();

    std::string output;
    char buffer[256];
    DWORD read = 0;
    while (ReadFile(reader.get(), buffer, sizeof(buffer), &read, nullptr) && read != 0) {
        output.append(buffer, read);
    }
    WaitForSingleObject(processHandle.get(), INFINITE);
    DWORD exitCode = 1;
    GetExitCodeProcess(processHandle.get(), &exitCode);
    if (exitCode == 0 &&
        std::sscanf(output.c_str(), "%lf %zu %zu %zu", &result.seconds, &result.written,
                    &result.peakWorkingSet, &result.idleWorkingSet) == 4) {
        return true;
    }
    std::fprintf(stderr, "the %ls measurement ended with 0x%lX and printed \"%s\"\n", mode.c_str(),
                 exitCode, output.c_str());
    return false;
}

// The fastest of the repeats; the working sets of the fastest run.
bool Measure(const std::wstring& mode, const std::wstring& exportPath, ChildResult& best)
{
    for (int i = 0; i < Repeats; ++i) {
        ChildResult result;
        if (!RunMeasurement(mode, exportPath, result)) return false;
        if (i == 0 || result.seconds < best.seconds) best = result;
    }
    return true;
}

double MiB(std::size_t bytes)
{
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

int RunBenchmark(const std::vector<std::size_t>& sizes)
{
    // A directory of our own for the exports and the dictionary files, inherited by the
    // children: nothing else in the prefix sees "sogou.tmp" or "kestrix.tmp" appear.
    const std::wstring directory =
        TempDirectoryPath() + L"lexiferry-bench-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(directory.c_str(), nullptr);
    SetEnvironmentVariableW(L"TEMP", directory.c_str());
    SetEnvironmentVariableW(L"TMP", directory.c_str());

    std::printf(
        "| Entries | Export | Written | Engine | Entries/s | Bound | Ratio to bound "
        "| Read and parse only | Peak working set | Idle working set "
        "| Aim: 2 × export + 16 MiB |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    int status = 0;
    std::string backupRows;
    for (std::size_t entries : sizes) {
        const bench::RealisticExport generated = bench::MakeRealisticExport(entries);
        const std::wstring exportPath =
            directory + L"\\export-" + std::to_wstring(entries) + L".txt";
        if (!WriteWholeFile(exportPath, generated.bytes.data(),
                            static_cast<DWORD>(generated.bytes.size()))) {
            std::fprintf(stderr, "cannot write the export of %zu entries\n", entries);
            return 1;
        }
        ChildResult engine;
        ChildResult bound;
        ChildResult read;
        if (!Measure(L"bound", exportPath, bound) || !Measure(L"engine", exportPath, engine) ||
            !Measure(L"read", exportPath, read)) {
            std::fprintf(stderr, "a measurement of %zu entries failed\n", entries);
            return 1;
        }
        if (engine.written != generated.transferable) {
            std::fprintf(stderr, "%zu entries written, %zu expected\n", engine.written,
                         generated.transferable);
            status = 1;
        }
        const double size = MiB(generated.bytes.size());
        std::printf(
            "| %zu | %.1f MiB | %zu | %.3f s | %.0f | %.3f s | %.2f× | %.3f s "
            "| %.1f MiB | %.1f MiB | %.1f MiB |\n",
            entries, size, engine.written, engine.seconds,
            static_cast<double>(entries) / engine.seconds, bound.seconds,
            engine.seconds / bound.seconds, read.seconds, MiB(engine.peakWorkingSet),
            MiB(engine.idleWorkingSet), 2 * size + 16);
        std::fflush(stdout);
        const std::string backupBytes = BackupOf(exportPath);
        DeleteFileW(exportPath.c_str());
        const std::wstring backupPath =
            directory + L"\\backup-" + std::to_wstring(entries) + L".bin";
        ChildResult backup;
        if (backupBytes.empty() ||
            !WriteWholeFile(backupPath, backupBytes.data(),
                            static_cast<DWORD>(backupBytes.size())) ||
            !Measure(L"backup", backupPath, backup)) {
            std::fprintf(stderr, "the backup of %zu entries could not be measured\n", entries);
            return 1;
        }
        if (backup.written != generated.transferable) {
            std::fprintf(stderr, "%zu entries of the backup written, %zu expected\n",
                         backup.written, generated.transferable);
            status = 1;
        }
        char row[512];
        std::snprintf(row, sizeof(row),
                      "| %zu | %.1f MiB | %zu | %.3f s | %.0f | %.3f s | %.2f× | %.1f MiB "
                      "| %.1f MiB |\n",
                      entries, MiB(backupBytes.size()), backup.written, backup.seconds,
                      static_cast<double>(entries) / backup.seconds, engine.seconds,
                      backup.seconds / engine.seconds, MiB(backup.peakWorkingSet),
                      MiB(engine.peakWorkingSet));
        backupRows += row;
        DeleteFileW(backupPath.c_str());
    }
    // The backups' table, after a blank line.
    std::printf(
        "\n| Entries | SGPU backup | Written | Engine | Entries/s | Export's engine "
        "| Ratio to the export | Peak working set | Export's peak working set |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n%s", backupRows.c_str());
    RemoveDirectoryW(directory.c_str());
    return status;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 4 && std::wcscmp(argv[1], L"--child") == 0) return RunChild(argv[2], argv[3]);
    std::vector<std::size_t> sizes;
    for (int i = 1; i < argc; ++i) {
        const long long value = std::wcstoll(argv[i], nullptr, 10);
        if (value <= 0) {
            std::fprintf(stderr, "usage: lexiferry_bench [entry counts...]\n");
            return 2;
        }
        sizes.push_back(static_cast<std::size_t>(value));
    }
    if (sizes.empty()) sizes = {10000, 100000, 1000000};
    return RunBenchmark(sizes);
}
