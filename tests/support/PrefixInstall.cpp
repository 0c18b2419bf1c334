#include "tests/support/PrefixInstall.h"

#include <gtest/gtest.h>

#include <utility>

#include "tests/support/EnvironmentOverride.h"
#include "win/UniqueHandles.h"

namespace testsupport {

namespace {

constexpr wchar_t sogouKey[] = L"SOFTWARE\\sogouinput";
constexpr wchar_t layoutsKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Keyboard Layouts";
constexpr wchar_t kestrixLayoutText[] = L"Kestrix\x62FC\x97F3\x8F93\x5165\x6CD5";
constexpr wchar_t sogouLayoutKey[] = L"E0F10804";
constexpr wchar_t sogouLayoutText[] = L"\x641C\x72D7\x62FC\x97F3\x8F93\x5165\x6CD5";
constexpr wchar_t textServicesKey[] = L"SOFTWARE\\Microsoft\\CTF\\TIP";

void SetStringValue(HKEY key, const wchar_t* name, const std::wstring& value)
{
    EXPECT_EQ(ERROR_SUCCESS,
              RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))));
}

win::unique_hkey CreateKey(HKEY parent, const std::wstring& path)
{
    win::unique_hkey key;
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, key.put(), nullptr))
        << "cannot create registry key";
    return key;
}

void RegisterLayout(const std::wstring& layoutKey, const wchar_t* text, const wchar_t* imeFile)
{
    win::unique_hkey layout =
        CreateKey(HKEY_LOCAL_MACHINE, std::wstring(layoutsKey) + L"\\" + layoutKey);
    SetStringValue(layout.get(), L"Layout Text", text);
    SetStringValue(layout.get(), L"Layout File", L"kbdus.dll");
    if (imeFile != nullptr) SetStringValue(layout.get(), L"Ime File", imeFile);
}

void UnregisterLayout(const std::wstring& layoutKey)
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(layoutsKey) + L"\\" + layoutKey).c_str());
}

// With a trailing backslash; empty where there is no such directory.
std::wstring DirectoryFrom(UINT(WINAPI* get)(LPWSTR, UINT))
{
    wchar_t directory[MAX_PATH] = {};
    const UINT length = get(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return std::wstring(directory, length) + L"\\";
}

// The system directory of this process's width: a 32-bit process's system32 is redirected
// to syswow64 on 64-bit Windows.
std::wstring SystemDirectory()
{
    return DirectoryFrom(GetSystemDirectoryW);
}

// The system directory of the other width, as this process reaches it; empty where a 64-bit
// prefix has no 32-bit half.
std::wstring OtherWidthSystemDirectory()
{
    if constexpr (sizeof(void*) == 8) {
        return DirectoryFrom(GetSystemWow64DirectoryW);
    } else {
        const std::wstring windows = DirectoryFrom(GetWindowsDirectoryW);
        return windows.empty() ? windows : windows + L"Sysnative\\";
    }
}

// Where the stand-in IME at imePath records what its escape received.
std::wstring RecordBeside(const std::wstring& imePath, const wchar_t* extension)
{
    return imePath.substr(0, imePath.find_last_of(L'.')) + extension;
}

// What the stand-in IME at imePath received, and how it was steered.
void DeleteRecordsBeside(const std::wstring& imePath)
{
    for (const wchar_t* extension : {L".dic", L".calls", L".ini"}) {
        DeleteFileW(RecordBeside(imePath, extension).c_str());
    }
}

}  // namespace

std::wstring BuildTreePath(const wchar_t* variable, const std::wstring& relative)
{
    const std::wstring tree = EnvironmentVariable(variable);
    if (tree.empty()) return {};
    // The build tree is a Unix path; the prefix reaches the Unix root through drive Z:.
    std::wstring path = L"Z:" + tree + L"/" + relative;
    for (wchar_t& unit : path) {
        if (unit == L'/') unit = L'\\';
    }
    return path;
}

std::wstring StandinDirectory()
{
    return BuildTreePath(L"LEXIFERRY_TEST_BINARY_DIR", L"standins\\");
}

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveDirectoryTree(const std::wstring& directory)
{
    WIN32_FIND_DATAW found = {};
    HANDLE search = FindFirstFileW((directory + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = directory + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveDirectoryTree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(directory.c_str());
}

bool CreateDirectoryPath(const std::wstring& directory)
{
    if (directory.empty()) return false;
    if (FileExists(directory)) return true;
    const size_t slash = directory.find_last_of(L'\\');
    if (slash != std::wstring::npos && slash > 2) CreateDirectoryPath(directory.substr(0, slash));
    return CreateDirectoryW(directory.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

std::string Utf16Export(const std::vector<std::wstring>& lines)
{
    std::wstring text = L"\xFEFF";
    for (const std::wstring& line : lines) text += line + L"\r\n";
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

namespace {

std::string EncodedBytes(UINT codePage, const std::wstring& text)
{
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(size > 0 ? size : 0, '\0');
    if (size > 0) {
        WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                            size, nullptr, nullptr);
    }
    return bytes;
}

}  // namespace

std::string AnsiBytes(const std::wstring& text)
{
    return EncodedBytes(CP_ACP, text);
}

std::string Utf8Bytes(const std::wstring& text)
{
    return EncodedBytes(CP_UTF8, text);
}

SogouToolInstall::SogouToolInstall(std::wstring root, std::wstring version, RegistryView view)
    : root_(std::move(root)), version_(std::move(version)), view_(view)
{
    EXPECT_TRUE(CreateDirectoryPath(ToolDirectory().substr(0, ToolDirectory().size() - 1)));
    EXPECT_TRUE(CopyFileW((StandinDirectory() + L"sgtool.exe").c_str(),
                          (ToolDirectory() + L"sgtool.exe").c_str(), FALSE))
        << "sgtool.exe stand-in missing; is the test built after the stand-ins?";
    win::unique_hkey key;
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, sogouKey, 0, nullptr, 0,
                                             KEY_ALL_ACCESS | static_cast<REGSAM>(view_), nullptr,
                                             key.put(), nullptr));
    SetStringValue(key.get(), nullptr, root_);
    SetStringValue(key.get(), L"version", version_);
    // So that the IME discovery finds Sogou as well; this layout has no IME file.
    RegisterLayout(sogouLayoutKey, sogouLayoutText, nullptr);
}

SogouToolInstall::~SogouToolInstall()
{
    DeleteKey();
    UnregisterLayout(sogouLayoutKey);
    RemoveDirectoryTree(root_);
}

void SogouToolInstall::RemoveLayout() const
{
    UnregisterLayout(sogouLayoutKey);
}

win::unique_hkey SogouToolInstall::OpenKey(REGSAM access) const
{
    win::unique_hkey key;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, sogouKey, 0, access | static_cast<REGSAM>(view_), key.put());
    return key;
}

bool SogouToolInstall::KeyIn(RegistryView view)
{
    win::unique_hkey key;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, sogouKey, 0,
                         KEY_QUERY_VALUE | static_cast<REGSAM>(view), key.put()) == ERROR_SUCCESS;
}

void SogouToolInstall::DeleteKey() const
{
    win::unique_hkey software;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0,
                      KEY_ALL_ACCESS | static_cast<REGSAM>(view_),
                      software.put()) == ERROR_SUCCESS) {
        RegDeleteTreeW(software.get(), L"sogouinput");
    }
}

std::wstring SogouToolInstall::ToolDirectory() const
{
    return root_ + L"\\" + version_ + L"\\";
}

void SogouToolInstall::SetExport(const std::string& bytes) const
{
    EXPECT_TRUE(WriteFileBytes(ToolDirectory() + L"sgtool.out", bytes));
}

void SogouToolInstall::SetExportLines(const std::vector<std::wstring>& lines) const
{
    SetExport(Utf16Export(lines));
}

void SogouToolInstall::SetBehaviour(const SgToolBehaviour& behaviour) const
{
    const std::string ini = "[sgtool]\r\nwrite=" + std::to_string(behaviour.write ? 1 : 0) +
                            "\r\ndelayMs=" + std::to_string(behaviour.delayMs) +
                            "\r\nexitCode=" + std::to_string(behaviour.exitCode) +
                            "\r\ncrash=" + std::to_string(behaviour.crash ? 1 : 0) +
                            "\r\nwriteLimit=" + std::to_string(behaviour.writeLimit) +
                            "\r\nhang=" + std::to_string(behaviour.hang ? 1 : 0) +
                            "\r\nchild=" + std::to_string(behaviour.child ? 1 : 0) + "\r\n";
    EXPECT_TRUE(WriteFileBytes(ToolDirectory() + L"sgtool.ini", ini));
}

std::wstring SogouToolInstall::ReceivedCommandLine() const
{
    return ReadFileUnits(ToolDirectory() + L"sgtool.cmdline");
}

std::wstring SogouToolInstall::ReceivedCurrentDirectory() const
{
    return ReadFileUnits(ToolDirectory() + L"sgtool.cwd");
}

void SogouToolInstall::ForgetRuns() const
{
    for (const wchar_t* record : {L"sgtool.cmdline", L"sgtool.cwd", L"sgtool.log"}) {
        DeleteFileW((ToolDirectory() + record).c_str());
    }
}

bool SogouToolInstall::ExportExistedAtStart() const
{
    return RecordedAtStart("exportExisted") == "1";
}

std::string SogouToolInstall::RecordedAtStart(const std::string& name) const
{
    // Lines of name=value, each ending in CR LF.
    const std::string log = ReadFileBytes(ToolDirectory() + L"sgtool.log");
    for (std::size_t start = 0; start < log.size();) {
        std::size_t end = log.find("\r\n", start);
        if (end == std::string::npos) end = log.size();
        const std::string line = log.substr(start, end - start);
        if (line.size() > name.size() && line.compare(0, name.size(), name) == 0 &&
            line[name.size()] == '=') {
            return line.substr(name.size() + 1);
        }
        start = end + 2;
    }
    return {};
}

void SogouToolInstall::UseConsoleTool() const
{
    EXPECT_TRUE(CopyFileW((StandinDirectory() + L"sgtool_console.exe").c_str(),
                          (ToolDirectory() + L"sgtool.exe").c_str(), FALSE))
        << "sgtool_console.exe stand-in missing";
}

KestrixImeInstall::KestrixImeInstall(std::wstring layoutKey, std::wstring imeFile)
    : layoutKey_(std::move(layoutKey)), imeFile_(std::move(imeFile))
{
    installedPath_ = SystemDirectory() + imeFile_;
    // A copy that this process has loaded through an earlier escape can't be replaced; it
    // is the same stand-in then.
    const bool copied = CopyFileW((StandinDirectory() + L"KestrixPinyin2.ime").c_str(),
                                  installedPath_.c_str(), FALSE) != FALSE;
    EXPECT_TRUE(copied || FileExists(installedPath_)) << "KestrixPinyin2.ime stand-in missing";
    // A run killed before its destructor leaves its records behind, and a test of either width
    // reads both widths' records: clear both, whichever width left them.
    const std::wstring otherDirectory = OtherWidthSystemDirectory();
    DeleteRecordsBeside(installedPath_);
    if (!otherDirectory.empty()) DeleteRecordsBeside(otherDirectory + imeFile_);
    // Asked for, the other width may still be missing: the prefix may have no half for it.
    const std::wstring otherWidth = BuildTreePath(L"LEXIFERRY_TEST_PEER_BINARY_DIR", L"standins\\");
    if (!otherWidth.empty()) {
        otherWidthMissing_ = EnvironmentVariable(L"LEXIFERRY_TEST_PEER_UNRUNNABLE");
        if (otherWidthMissing_.empty()) {
            otherWidthPath_ = otherDirectory + imeFile_;
            EXPECT_TRUE(!otherDirectory.empty() &&
                        (CopyFileW((otherWidth + L"KestrixPinyin2.ime").c_str(),
                                   otherWidthPath_.c_str(), FALSE) ||
                         FileExists(otherWidthPath_)))
                << "cannot install the other width's stand-in IME";
        }
    }
    RegisterLayout(layoutKey_, kestrixLayoutText, imeFile_.c_str());
}

void KestrixImeInstall::ForgetImports() const
{
    DeleteFileW(RecordPath(L".dic").c_str());
    DeleteFileW(RecordPath(L".calls").c_str());
}

KestrixImeInstall::~KestrixImeInstall()
{
    UnregisterLayout(layoutKey_);
    DeleteRecordsBeside(installedPath_);
    DeleteFileW(installedPath_.c_str());  // fails while loaded; unreachable without its layout
    if (OtherWidthWanted()) {
        DeleteRecordsBeside(otherWidthPath_);
        DeleteFileW(otherWidthPath_.c_str());
    }
}

std::wstring KestrixImeInstall::RecordPath(const wchar_t* extension) const
{
    return RecordBeside(installedPath_, extension);
}

bool KestrixImeInstall::OtherWidthInstalled() const
{
    return OtherWidthWanted() && FileExists(otherWidthPath_);
}

std::string KestrixImeInstall::WhyNoOtherWidth() const
{
    if (OtherWidthWanted()) return {};
    if (!otherWidthMissing_.empty()) return Utf8Bytes(otherWidthMissing_);
    return "no build tree of the other width given (LEXIFERRY_TEST_PEER_BINARY_DIR)";
}

std::string KestrixImeInstall::OtherWidthReceivedBytes() const
{
    return OtherWidthWanted() ? ReadFileBytes(RecordBeside(otherWidthPath_, L".dic")) : "";
}

void KestrixImeInstall::SetRefuse(bool refuse) const
{
    EXPECT_TRUE(WriteFileBytes(RecordPath(L".ini"), refuse ? "[ime]\r\nrefuse=1\r\n" : ""));
}

std::string KestrixImeInstall::ReceivedBytes() const
{
    return ReadFileBytes(RecordPath(L".dic"));
}

std::vector<std::wstring> KestrixImeInstall::ReceivedPaths() const
{
    const std::wstring text = ReadFileUnits(RecordPath(L".calls"));
    std::vector<std::wstring> paths;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) end = text.size();
        paths.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return paths;
}

TextServiceInstall::TextServiceInstall(std::wstring classId, const std::wstring& profileId,
                                       const std::wstring& description)
    : classKey_(std::wstring(textServicesKey) + L"\\" + std::move(classId))
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, classKey_.c_str());
    win::unique_hkey profile =
        CreateKey(HKEY_LOCAL_MACHINE, classKey_ + L"\\LanguageProfile\\0x00000804\\" + profileId);
    SetStringValue(profile.get(), L"Description", description);
}

TextServiceInstall::~TextServiceInstall()
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, classKey_.c_str());
}

namespace {

void SaveValue(HKEY key, const wchar_t* name, bool& present, DWORD& type, std::vector<BYTE>& data)
{
    DWORD size = 0;
    present = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    if (!present) return;
    data.resize(size);
    if (RegQueryValueExW(key, name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) {
        present = false;
    }
}

}  // namespace

TempDirectoryOverride::TempDirectoryOverride(std::wstring directory)
    : directory_(std::move(directory)), environment_(directory_)
{
    EXPECT_TRUE(CreateDirectoryPath(directory_));
    win::unique_hkey environment = CreateKey(HKEY_CURRENT_USER, L"Environment");
    SaveValue(environment.get(), L"TEMP", savedTemp_.present, savedTemp_.type, savedTemp_.data);
    SaveValue(environment.get(), L"TMP", savedTmp_.present, savedTmp_.type, savedTmp_.data);
    SetStringValue(environment.get(), L"TEMP", directory_);
    SetStringValue(environment.get(), L"TMP", directory_);
}

TempDirectoryOverride::~TempDirectoryOverride()
{
    win::unique_hkey environment = CreateKey(HKEY_CURRENT_USER, L"Environment");
    for (auto [name, saved] : {std::pair{L"TEMP", &savedTemp_}, std::pair{L"TMP", &savedTmp_}}) {
        if (saved->present) {
            RegSetValueExW(environment.get(), name, 0, saved->type, saved->data.data(),
                           static_cast<DWORD>(saved->data.size()));
        } else {
            RegDeleteValueW(environment.get(), name);
        }
    }
    RemoveDirectoryTree(directory_);
}

}  // namespace testsupport
