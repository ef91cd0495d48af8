#include "utils/Exception.h"
#include "utils/Process.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Reads a pipe until every writer has closed it.
std::string ReadAll(HANDLE pipe)
{
    std::string data;
    char buffer[1024];
    DWORD read = 0;
    while (ReadFile(pipe, buffer, sizeof(buffer), &read, nullptr) && read > 0) data.append(buffer, read);
    return data;
}

std::wstring SystemDirectory()
{
    wchar_t dir[MAX_PATH] = {};
    GetSystemDirectoryW(dir, MAX_PATH);
    return dir;
}

TEST(ProcessTest, ChildOutputAndErrorArriveOnTheirOwnPipes)
{
    Utils::Process process;
    process.Create(L"\"" + SystemDirectory() + L"\\cmd.exe\" /c echo to-out& echo to-err 1>&2");
    // The parent's copies of the child's ends are gone, so the reads end with the child.
    EXPECT_EQ(process.out.write.get(), nullptr);
    EXPECT_EQ(process.err.write.get(), nullptr);
    EXPECT_EQ(process.in.read.get(), nullptr);

    const std::string out = ReadAll(process.out.read.get());
    const std::string err = ReadAll(process.err.read.get());
    EXPECT_NE(out.find("to-out"), std::string::npos) << out;
    EXPECT_EQ(out.find("to-err"), std::string::npos) << out;
    EXPECT_NE(err.find("to-err"), std::string::npos) << err;

    ASSERT_EQ(WaitForSingleObject(process.processHandle(), 10000), WAIT_OBJECT_0);
    process.Close();
    EXPECT_EQ(process.processHandle(), nullptr);
    EXPECT_EQ(process.out.read.get(), nullptr);
}

TEST(ProcessTest, ChildExitCodeIsReadable)
{
    Utils::Process process;
    process.Create(L"\"" + SystemDirectory() + L"\\cmd.exe\" /c exit 3");
    ReadAll(process.out.read.get());
    ASSERT_EQ(WaitForSingleObject(process.processHandle(), 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(process.processHandle(), &code));
    EXPECT_EQ(code, 3u);
}

TEST(ProcessTest, AMissingProgramThrows)
{
    Utils::Process process;
    EXPECT_THROW(process.Create(L"C:\\no\\such\\program.exe /S"), Utils::Exception);
    process.Close();
}

TEST(ProcessTest, ACommandLineThatDoesNotFitIsRefusedUntouched)
{
    Utils::Process process;
    const std::wstring fits(Utils::Process::kCommandLineCapacity - 1, L'a');
    const std::wstring tooLong(Utils::Process::kCommandLineCapacity, L'a');
    try {
        process.Create(tooLong);
        FAIL() << "expected Utils::Exception";
    } catch (const Utils::Exception& e) {
        EXPECT_STREQ(e.what(), "");
    }
    EXPECT_STREQ(process.commandLine(), L"") << "nothing was copied";
    // 1023 characters fit; the program does not exist, so creation itself fails.
    EXPECT_THROW(process.Create(fits), Utils::Exception);
    EXPECT_EQ(std::wstring(process.commandLine()), fits);
}

TEST(ExceptionTest, WhatGivesTheMessageOrTheFallback)
{
    EXPECT_STREQ(Utils::Exception().what(), "Unknown exception");
    EXPECT_STREQ(Utils::Exception(L"").what(), "");
    EXPECT_STREQ(Utils::Exception(L"pipe failed").what(), "pipe failed");
}

} // namespace
