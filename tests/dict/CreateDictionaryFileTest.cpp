#include "dict/CreateDictionaryFile.h"

#include <gtest/gtest.h>

#include "tests/support/PrefixInstall.h"
#include "tests/support/ProcessTempDirectory.h"
#include "tests/support/ScratchRegistry.h"

namespace {

using testsupport::FileExists;

bool DirectoryIsEmpty(const std::wstring& directory)
{
    WIN32_FIND_DATAW found = {};
    HANDLE search = FindFirstFileW((directory + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return true;
    bool empty = true;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") empty = false;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return empty;
}

TEST(CreateDictionaryFile, OtherImesHaveNoFileAndTouchNothing)
{
    testsupport::ProcessTempDirectory temp;
    testsupport::ScratchRegistry registry;
    for (IME_TYPE type :
         {IME_TYPE_QQ, IME_TYPE_MICROSOFT, static_cast<IME_TYPE>(-1), static_cast<IME_TYPE>(4)}) {
        for (DictionaryFileMode mode : {DictionaryFileMode::Read, DictionaryFileMode::Write}) {
            EXPECT_EQ(nullptr, CreateDictionaryFile(type, mode));
        }
    }
    EXPECT_TRUE(DirectoryIsEmpty(temp.Directory()));
}

TEST(CreateDictionaryFile, KestrixWriteFileTruncatesAndIsDeletedWithTheObject)
{
    testsupport::ProcessTempDirectory temp;
    const std::wstring path = temp.Directory() + L"kestrix.tmp";
    ASSERT_TRUE(testsupport::WriteFileBytes(path, "left from an earlier run"));
    {
        std::unique_ptr<DictionaryFileBase> file =
            CreateDictionaryFile(IME_TYPE_KESTRIX, DictionaryFileMode::Write);
        ASSERT_NE(nullptr, file);
        EXPECT_EQ("", testsupport::ReadFileBytes(path));
    }
    EXPECT_FALSE(FileExists(path));
}

TEST(CreateDictionaryFile, SogouWithoutInstallationGivesNoneAndLeavesNoFile)
{
    testsupport::ProcessTempDirectory temp;
    testsupport::ScratchRegistry registry;
    EXPECT_EQ(nullptr, CreateDictionaryFile(IME_TYPE_SOGOU, DictionaryFileMode::Read));
    EXPECT_TRUE(DirectoryIsEmpty(temp.Directory()));

    // A tool that can't be started fails the same way.
    registry.SetString(L"SOFTWARE\\sogouinput", nullptr, L"C:\\no such directory");
    registry.SetString(L"SOFTWARE\\sogouinput", L"version", L"1.0");
    ASSERT_TRUE(testsupport::WriteFileBytes(temp.Directory() + L"sogou.tmp", "stale"));
    EXPECT_EQ(nullptr, CreateDictionaryFile(IME_TYPE_SOGOU, DictionaryFileMode::Read));
    EXPECT_TRUE(DirectoryIsEmpty(temp.Directory()));
}

TEST(CreateDictionaryFile, TemporaryDirectoryThatDoesNotFitGivesNone)
{
    testsupport::ProcessTempVariable temp(L"C:\\" + std::wstring(250, L'd'));
    EXPECT_EQ(nullptr, CreateDictionaryFile(IME_TYPE_KESTRIX, DictionaryFileMode::Write));
}

}  // namespace
