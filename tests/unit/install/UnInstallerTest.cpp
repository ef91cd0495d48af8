#include "EventRecorder.h"
#include "TestPackages.h"

#include "install/InstallEvents.h"
#include "install/Installer.h"
#include "install/UnInstaller.h"
#include "support/TempDir.h"
#include "utils/Privileges.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using TestPackages::Exists;

const char* TrueFalse(bool value)
{
    return value ? "true" : "false";
}

TEST(UnInstallerCommandLineTest, ProbesOfTheSessionAndTheOldDirectoryLast)
{
    std::wstring user;
    const bool consoleAdmin = Utils::GetConsoleUserName(user) && Utils::IsAdminAccount(user);
    const std::string admin = TrueFalse(consoleAdmin), member = TrueFalse(Utils::IsAdministrator());
    CUnInstaller uninstaller([](int32_t, double, const wchar_t*) {}, L"C:\\Temp\\copy of uninst.ep",
                             L"C:\\Program Files\\LumaCut");
    EXPECT_EQ(uninstaller.BuildCommandLine(), L"C:\\Temp\\copy of uninst.ep /S -adminact=" +
                                                  std::wstring(admin.begin(), admin.end()) + L" -authorizationact=" +
                                                  std::wstring(member.begin(), member.end()) +
                                                  L" -console=show _?=C:\\Program Files\\LumaCut");
}

// Runs CUnInstaller to its end and returns its events.
std::vector<Event> RunUninstaller(const std::wstring& uninstaller, const std::wstring& oldDirectory,
                                  std::wstring* commandLine = nullptr)
{
    EventRecorder recorder;
    {
        CUnInstaller runner(recorder.Callback(), uninstaller, oldDirectory);
        runner.Start();
        if (commandLine) *commandLine = runner.commandLine();
    } // waits for the run to end
    return recorder.Events();
}

class UnInstallerPackageTest : public ::testing::Test {
protected:
    TempDir m_temp;
    const std::wstring m_dir = m_temp / L"Old LumaCut";
    const std::wstring m_copy = m_temp / L"uninst-copy.ep";

    // Installs the variant's package into m_dir and copies its uninstaller out, as the
    // orchestrator runs a copy of an older version's uninstaller.
    void Install(const std::wstring& variant)
    {
        EventRecorder recorder;
        {
            CInstaller installer(recorder.Callback(), L"\"" + TestPackages::Package(variant) + L"\"", m_dir, false,
                                 false, false);
            installer.Run();
        }
        ASSERT_TRUE(Exists(m_dir + L"\\lumacutout.exe"));
        ASSERT_TRUE(CopyFileW((m_dir + L"\\uninst.ep").c_str(), m_copy.c_str(), FALSE));
    }
};

TEST_F(UnInstallerPackageTest, EachVariantGivesItsEventSequenceAndRemovesTheProduct)
{
    const std::vector<Event> start = {{5002, 0, L""}, {5002, 0.3, L""}, {5002, 0.8, L""}};
    struct Case {
        std::wstring variant;
        std::vector<Event> end;
    };
    const std::vector<Case> cases = {
        // Reading goes on after the verdict until the uninstaller exits.
        {L"success", {{5003, 0, L""}, {5002, 1, L""}}},          {L"fail", {{5005, 0, L"安装包卸载失败"}}},
        {L"error", {{5005, 0, L"cannot remove files"}}},         {L"nostate", {{5003, 1, L""}}},
        {L"utf8", {{5003, 0, L""}, {5005, 0, L"卸载后的输出"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.variant.begin(), c.variant.end()));
        Install(c.variant);
        std::wstring commandLine;
        std::vector<Event> expected = start;
        expected.insert(expected.end(), c.end.begin(), c.end.end());
        EXPECT_EQ(RunUninstaller(m_copy, m_dir, &commandLine), expected);

        EXPECT_FALSE(Exists(m_dir + L"\\lumacutout.exe"));
        EXPECT_FALSE(Exists(m_dir + L"\\uninst.ep"));
        EXPECT_FALSE(Exists(m_dir));
        // NSIS itself takes the _?= item off the end.
        const std::wstring suffix = L" _?=" + m_dir;
        ASSERT_EQ(commandLine.substr(commandLine.size() - suffix.size()), suffix);
        EXPECT_EQ(TestPackages::ReadUtf16File(m_temp / L"uninst-cmdline.txt"),
                  commandLine.substr(0, commandLine.size() - suffix.size()));
        DeleteFileW(m_copy.c_str());
    }
}

TEST_F(UnInstallerPackageTest, AMissingUninstallerGivesExactlyOneEvent)
{
    const std::vector<Event> expected = {{5004, 1, L"可执行卸载文件不存在"}};
    EXPECT_EQ(RunUninstaller(m_temp / L"missing.ep", m_dir), expected);
}

TEST_F(UnInstallerPackageTest, AnUninstallerThatCannotStartGives5004WithValue2)
{
    const std::wstring notAProgram = m_temp / L"not-a-program.ep";
    Utils::UniqueFile file(CreateFileW(notAProgram.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.get(), "text", 4, &written, nullptr));
    file.reset();
    const std::vector<Event> expected = {{5002, 0, L""}, {5004, 2, L""}};
    EXPECT_EQ(RunUninstaller(notAProgram, m_dir), expected);
    // A command line that does not fit 1024 characters is refused, not cut.
    EXPECT_EQ(RunUninstaller(TestPackages::OutputChild(), m_temp / std::wstring(1100, L'd')), expected);
}

} // namespace
