#include "support/TempDir.h"
#include "utils/Paths.h"

#include <gtest/gtest.h>

namespace {

bool IsDirectory(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(CreateDirectoriesTest, CreatesEveryMissingLevelAndIsSafeToRepeat)
{
    TempDir temp;
    const std::wstring path = temp / L"Apps\\Tools";
    ASSERT_FALSE(IsDirectory(temp / L"Apps"));
    EXPECT_TRUE(Utils::CreateDirectories(path));
    EXPECT_TRUE(IsDirectory(temp / L"Apps"));
    EXPECT_TRUE(IsDirectory(path));
    EXPECT_TRUE(Utils::CreateDirectories(path));
    EXPECT_TRUE(Utils::CreateDirectories(path + L"\\")) << "a trailing backslash";
}

TEST(CreateDirectoriesTest, RefusesPathsOver260CharactersAndCreatesNothing)
{
    TempDir temp;
    std::wstring path = temp / L"first\\";
    path += std::wstring(261 - path.size(), L'x');
    ASSERT_EQ(path.size(), 261u);
    EXPECT_FALSE(Utils::CreateDirectories(path));
    EXPECT_FALSE(IsDirectory(temp / L"first"));
}

TEST(CreateDirectoriesTest, FailsWhenALevelIsAFile)
{
    TempDir temp;
    const std::wstring file = temp / L"file";
    Utils::UniqueFile(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr)).reset();
    EXPECT_FALSE(Utils::CreateDirectories(file + L"\\below"));
}

TEST(GetTempDirTest, ReturnsTheSameCreatedFolderEveryTime)
{
    const std::wstring first = Utils::GetTempDir();
    ASSERT_FALSE(first.empty());
    EXPECT_NE(first.find(L"\\~TarVoTemp.92482B06FB471E17\\"), std::wstring::npos);
    EXPECT_EQ(first.back(), L'\\');
    EXPECT_TRUE(IsDirectory(first));
    EXPECT_EQ(Utils::GetTempDir(), first);
}

} // namespace
