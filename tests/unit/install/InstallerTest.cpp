#include "EventRecorder.h"
#include "TestPackages.h"

#include "app/LaunchSettings.h"
#include "install/InstallEvents.h"
#include "install/Installer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using TestPackages::Exists;

TEST(InstallerCommandLineTest, SwitchesInOrderWithTheUnquotedDirectoryLast)
{
    struct Case {
        const char* name;
        bool ssc, dsc, adminact, authorizationact;
        std::wstring language, instCmd, directory, expected;
    };
    const std::vector<Case> cases = {
        {"directory with a space", true, false, true, true, L"", L"", L"C:\\Program Files\\LumaCut",
         L"\"C:\\p\\setup.exe\" /S -console=show -version=1.0.0 -adminact=true -authorizationact=true -dsc=false "
         L"-ssc=true -instdir=\"C:\\Program Files\\LumaCut\" /D=C:\\Program Files\\LumaCut"},
        {"language and extra command", false, true, false, false, L"en", L"/x -y=1", L"D:\\L",
         L"\"C:\\p\\setup.exe\" /S -console=show -version=1.0.0 -adminact=false -authorizationact=false -dsc=true "
         L"-ssc=false -inslang=\"en\" /x -y=1 -instdir=\"D:\\L\" /D=D:\\L"},
        {"no directory", false, false, false, true, L"", L"", L"",
         L"\"C:\\p\\setup.exe\" /S -console=show -version=1.0.0 -adminact=false -authorizationact=true -dsc=false "
         L"-ssc=false"},
    };
    const std::wstring savedInstCmd = g_LaunchSettings.m_InstCmd;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_LaunchSettings.m_InstCmd = c.instCmd;
        CInstaller installer([](int32_t, double, const wchar_t*) {}, L"\"C:\\p\\setup.exe\"", L"ignored", !c.ssc,
                             !c.dsc, !c.adminact);
        installer.SetInstallDirectory(c.directory);
        installer.SetSsc(c.ssc);
        installer.SetDsc(c.dsc);
        installer.SetAdminact(c.adminact);
        installer.SetAuthorizationact(c.authorizationact);
        installer.SetInstallLanguage(c.language);
        EXPECT_EQ(installer.BuildCommandLine(), c.expected);
    }
    g_LaunchSettings.m_InstCmd = savedInstCmd;
}

TEST(InstallerCommandLineTest, ConstructorFlagsAndDefaults)
{
    CInstaller installer([](int32_t, double, const wchar_t*) {}, L"\"p.exe\"", L"", true, false, true);
    // The first flag is -ssc=, the second -dsc=; -authorizationact= starts true.
    EXPECT_EQ(installer.BuildCommandLine(),
              L"\"p.exe\" /S -console=show -version=1.0.0 -adminact=true -authorizationact=true -dsc=false -ssc=true");
    EXPECT_EQ(installer.codePage(), 0);
}

std::wstring Quoted(const std::wstring& path)
{
    return L"\"" + path + L"\"";
}

// Runs `package` (quoted, possibly followed by arguments) through CInstaller into `directory`
// and returns its events once the run has ended.
std::vector<Event> RunPackage(const std::wstring& package, const std::wstring& directory,
                              std::wstring* commandLine = nullptr)
{
    EventRecorder recorder({IST_CODE_FAIL, INSTALL_SUCCESS});
    {
        CInstaller installer(recorder.Callback(), package, directory, false, false, false);
        installer.Run();
        EXPECT_TRUE(recorder.WaitForFinal());
        if (commandLine) *commandLine = installer.commandLine();
    }
    return recorder.Events();
}

class InstallerPackageTest : public ::testing::Test {
protected:
    TempDir m_temp;
    const std::wstring m_dir = m_temp / L"Lumi Cut";

    static std::vector<Event> Join(std::vector<Event> a, const std::vector<Event>& b)
    {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }
    // Every variant's events: the run's start, the variant's first lines, the package's first
    // progress and path, then `after`.
    std::vector<Event> Common(const std::vector<Event>& before, const std::vector<Event>& after) const
    {
        return Join(Join(Join({{2001, 0, L""}, {2002, 0, L""}}, before), {{2002, 0.1, L""}, {3000, 0, m_dir}}), after);
    }
    // What the package reports after installing its files.
    std::vector<Event> Tail() const
    {
        return {{2002, 0.9, L""},
                {3001, 0, m_dir + L"\\lumacutout.exe"},
                {3003, 0, m_dir + L"\\uninst.ep"},
                {3005, 1, L""}};
    }
};

TEST_F(InstallerPackageTest, EachVariantGivesItsEventSequence)
{
    const std::wstring installing = L"正在安装，请稍候";
    const std::wstring done = L"安装完成";
    struct Case {
        std::wstring variant;
        std::vector<Event> before, after;
    };
    const std::vector<Case> cases = {
        {L"success", {}, {{2003, 0, L""}}},
        {L"fail", {}, {{2004, 0, L"安装包安装失败"}}},
        {L"error", {}, {{2004, 1000, L"disk is full"}}},
        {L"nostate", {}, {{2003, 1, L""}}},
        {L"utf8", {{3009, 0, installing}}, {{3009, 0, done}, {2003, 0, L""}}},
        {L"cp936", {{3009, 0, installing}}, {{3009, 0, done}, {2003, 0, L""}}},
        {L"pieces", {{3009, 0, installing}}, {{3009, 0, done}, {2003, 0, L""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.variant.begin(), c.variant.end()));
        std::wstring commandLine;
        const std::vector<Event> events = RunPackage(Quoted(TestPackages::Package(c.variant)), m_dir, &commandLine);
        EXPECT_EQ(events, Join(Common(c.before, Tail()), c.after));

        // The package installed its files where /D= told it and saw the whole command line
        // (NSIS itself takes the /D= item off the end).
        EXPECT_TRUE(Exists(m_dir + L"\\lumacutout.exe"));
        EXPECT_TRUE(Exists(m_dir + L"\\uninst.ep"));
        const std::wstring suffix = L" /D=" + m_dir;
        ASSERT_EQ(commandLine.substr(commandLine.size() - suffix.size()), suffix);
        EXPECT_EQ(TestPackages::ReadUtf16File(m_dir + L"\\cmdline.txt"),
                  commandLine.substr(0, commandLine.size() - suffix.size()));
        TempDir::RemoveTree(m_dir);
    }
}

TEST_F(InstallerPackageTest, SlowProgressArrivesWhileThePackageRuns)
{
    EventRecorder recorder({IST_CODE_FAIL, INSTALL_SUCCESS});
    CInstaller installer(recorder.Callback(), Quoted(TestPackages::Package(L"slow")), m_dir, false, false, false);
    installer.Run();
    ASSERT_TRUE(recorder.WaitForFinal());
    const std::vector<Event> steps = {{2002, 0.2, L""}, {2002, 0.4, L""}, {2002, 0.6, L""}, {2002, 0.8, L""}};
    EXPECT_EQ(recorder.Events(), Join(Common({}, Join(steps, Tail())), {{2003, 0, L""}}));
    // The package sleeps 2.4 s between its 0.2 and its verdict: 0.2 was not held back until the end.
    EXPECT_GE(recorder.TickOf(2003, 0) - recorder.TickOf(2002, 0.2), 1500u);
}

TEST_F(InstallerPackageTest, APackageThatCannotStartGives2004WithValue2)
{
    const std::vector<Event> failed = {{2001, 0, L""}, {2002, 0, L""}, {2004, 2, L""}};
    EXPECT_EQ(RunPackage(Quoted(m_temp / L"missing.exe"), m_dir), failed);
    // A command line that does not fit 1024 characters is refused, not cut.
    EXPECT_EQ(RunPackage(Quoted(TestPackages::Package(L"success")), m_temp / std::wstring(600, L'd')), failed);
    EXPECT_FALSE(Exists(m_temp / std::wstring(600, L'd')));
}

TEST_F(InstallerPackageTest, RunCanBeRepeated)
{
    EventRecorder recorder;
    {
        CInstaller installer(recorder.Callback(), Quoted(TestPackages::Package(L"nostate")), m_dir, false, false,
                             false);
        installer.Run();
        installer.Run(); // waits for the first run
    }                    // waits for the second
    const auto events = recorder.Events();
    EXPECT_EQ(events.size(), 2 * Common({}, Join(Tail(), {{2003, 1, L""}})).size());
    EXPECT_EQ(std::count(events.begin(), events.end(), Event{2001, 0, L""}), 2);
    EXPECT_EQ(std::count(events.begin(), events.end(), Event{2003, 1, L""}), 2);
}

TEST_F(InstallerPackageTest, OutputAfterTheVerdictIsReadButNotReported)
{
    // The child writes far more than a pipe holds after its verdict; the run must still end.
    const std::vector<Event> expected = {{2001, 0, L""}, {2002, 0, L""}, {2003, 0, L""}};
    EXPECT_EQ(RunPackage(Quoted(TestPackages::OutputChild()) + L" flood", m_dir), expected);
}

TEST_F(InstallerPackageTest, AnExitedPackageIsNotWaitedForThroughAPipeItsChildHolds)
{
    EventRecorder recorder({IST_CODE_FAIL, INSTALL_SUCCESS});
    CInstaller installer(recorder.Callback(), Quoted(TestPackages::OutputChild()) + L" orphan", L"", false, false,
                         false);
    installer.Run();
    const bool ended = recorder.WaitForFinal(20000);
    const std::vector<Event> events = recorder.Events();
    ASSERT_GE(events.size(), 3u);
    ASSERT_EQ(events[2].code, 3009);
    // Stop the holder in every case, so a failure does not leave the test waiting.
    const DWORD holder = std::stoul(events[2].text);
    Utils::UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, holder));
    const bool holderWasRunning = process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
    if (process) TerminateProcess(process.get(), 0);
    EXPECT_TRUE(ended);
    EXPECT_TRUE(holderWasRunning);
    const std::vector<Event> expected = {
        {2001, 0, L""}, {2002, 0, L""}, {3009, 0, events[2].text}, {2002, 0.5, L""}, {2003, 1, L""}};
    EXPECT_EQ(recorder.Events(), expected);
}

} // namespace
