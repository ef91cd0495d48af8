#include "support/InstallerPath.h"
#include "utils/Handles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

// Installer.exe loaded as a data file, so its resources can be read without running it.
class InstallerResourcesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_module.reset(LoadLibraryExW(InstallerPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        ASSERT_TRUE(m_module.valid()) << "cannot load Installer.exe, error " << GetLastError();
    }

    std::string Resource(LPCWSTR type, LPCWSTR name) const
    {
        HRSRC found = FindResourceW(m_module.get(), name, type);
        if (!found) return {};
        HGLOBAL loaded = LoadResource(m_module.get(), found);
        const auto* data = static_cast<const char*>(LockResource(loaded));
        return data ? std::string(data, SizeofResource(m_module.get(), found)) : std::string();
    }

    Utils::UniqueModule m_module;
};

TEST_F(InstallerResourcesTest, ManifestAsksForAdministratorAndCommonControls6)
{
    const std::string manifest = Resource(RT_MANIFEST, MAKEINTRESOURCEW(1));
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colors, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

TEST_F(InstallerResourcesTest, WindowIconIsGroup145WithSizesFrom16To256)
{
    const std::string group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(145));
    ASSERT_GE(group.size(), 6u);
    const WORD count = *reinterpret_cast<const WORD*>(group.data() + 4);
    ASSERT_EQ(group.size(), 6 + count * sizeof(GroupIconEntry));
    std::set<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        const auto* entry = reinterpret_cast<const GroupIconEntry*>(group.data() + 6 + i * sizeof(GroupIconEntry));
        sizes.insert(entry->width == 0 ? 256 : entry->width); // 0 stands for 256
        EXPECT_FALSE(Resource(RT_ICON, MAKEINTRESOURCEW(entry->id)).empty());
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 24, 32, 48, 64, 128, 256}));
}

std::wstring VersionString(const std::vector<char>& block, const std::wstring& name)
{
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::wstring path = L"\\StringFileInfo\\080404b0\\" + name;
    if (!VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !value) return {};
    return value;
}

TEST(InstallerVersionTest, CarriesTheProductIdentity)
{
    const std::wstring path = InstallerPath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(7, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, 9));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(7, 1));

    EXPECT_EQ(VersionString(block, L"FileVersion"), L"1.7.9");
    EXPECT_EQ(VersionString(block, L"ProductVersion"), L"1.7.9");
    EXPECT_EQ(VersionString(block, L"InternalName"), L"Installer");
    EXPECT_EQ(VersionString(block, L"ProductName"), L"LumaCut");
    EXPECT_EQ(VersionString(block, L"OriginalFilename"), L"Installer.exe");
}

} // namespace
