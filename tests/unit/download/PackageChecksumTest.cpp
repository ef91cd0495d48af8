#include "download/PackageChecksum.h"

#include "support/TempDir.h"
#include "utils/Handles.h"

#include <gtest/gtest.h>

#include <string>

namespace {

void WriteBytes(const std::wstring& path, const std::string& bytes)
{
    Utils::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

constexpr char kMd5Hex[] = "0123456789abcdef0123456789abcdef";

TEST(PackageChecksumTest, ExpectedChecksumIsTheFolderHoldingThePackage)
{
    const struct {
        const char* url;
        const char* expected;
    } cases[] = {
        {"http://h/packages/0123456789abcdef0123456789abcdef/LumaCutSetup.exe", kMd5Hex},
        {"http://h/LumaCutSetup.exe", "h"},
        {"http://h/a/b/", "b"},
        {"LumaCutSetup.exe", ""},
        {"/LumaCutSetup.exe", ""},
        {"dir/LumaCutSetup.exe", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(PackageChecksum::ExpectedFromUrl(c.url), c.expected) << c.url;
}

TEST(PackageChecksumTest, FileMd5IsLowerCaseHexOfTheWholeFile)
{
    TempDir dir;
    const struct {
        std::string content;
        const char* md5;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {std::string(300000, 'a'), "92712d77c46f3ee77d7ac6caba4fe2ba"}, // more than one read block
    };
    for (const auto& c : cases) {
        WriteBytes(dir / L"package.exe", c.content);
        EXPECT_EQ(PackageChecksum::FileMd5(dir / L"package.exe"), c.md5) << c.content.size();
    }
    EXPECT_EQ(PackageChecksum::FileMd5(dir / L"missing.exe"), "");
}

TEST(PackageChecksumTest, VerdictComparesExactly)
{
    TempDir dir;
    WriteBytes(dir / L"package.exe", "abc");
    const std::string md5 = "900150983cd24fb0d6963f7d28e17f72";
    const struct {
        std::string expected;
        std::wstring file;
        PackageChecksum::Verdict verdict;
    } cases[] = {
        {md5, L"package.exe", PackageChecksum::Verdict::Match},
        {"900150983CD24FB0D6963F7D28E17F72", L"package.exe", PackageChecksum::Verdict::Mismatch},
        {kMd5Hex, L"package.exe", PackageChecksum::Verdict::Mismatch},
        {md5.substr(1), L"package.exe", PackageChecksum::Verdict::NoExpected},
        {md5 + "0", L"package.exe", PackageChecksum::Verdict::NoExpected},
        {"", L"package.exe", PackageChecksum::Verdict::NoExpected},
        // A file whose digest cannot be computed is accepted, as the rule says.
        {md5, L"missing.exe", PackageChecksum::Verdict::Match},
    };
    for (const auto& c : cases) EXPECT_EQ(PackageChecksum::Check(c.expected, dir / c.file), c.verdict) << c.expected;
}

} // namespace
