#include "EventRecorder.h"

#include "install/InstallEvents.h"
#include "install/OutputProtocol.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using Dialect = COutputProtocol::Dialect;
using Chunks = std::vector<std::string>;

// UTF-8 and GBK (code page 936) bytes of "中文".
const std::string kUtf8Chinese = "\xE4\xB8\xAD\xE6\x96\x87";
const std::string kGbkChinese = "\xD6\xD0\xCE\xC4";
const std::wstring kChinese = L"\u4e2d\u6587";

struct Outcome {
    std::vector<Event> events;
    int result;
    int codePage;
};

// Feeds the chunks as separate reads, then ends the output; the result is the last settled one.
Outcome Feed(Dialect dialect, const Chunks& chunks)
{
    EventRecorder recorder;
    COutputProtocol protocol(dialect, recorder.Callback());
    int result = PARSE_UNSETTLED;
    for (const std::string& chunk : chunks)
        if (const int parsed = protocol.Feed(chunk); parsed != PARSE_UNSETTLED) result = parsed;
    if (const int parsed = protocol.Finish(); parsed != PARSE_UNSETTLED) result = parsed;
    return {recorder.Events(), result, protocol.codePage()};
}

struct Case {
    const char* name;
    Chunks chunks;
    std::vector<Event> events;
    int result;
};

void Check(Dialect dialect, const std::vector<Case>& cases)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome outcome = Feed(dialect, c.chunks);
        EXPECT_EQ(outcome.events, c.events);
        EXPECT_EQ(outcome.result, c.result);
    }
}

TEST(OutputProtocolTest, InstallDialectKeys)
{
    Check(
        Dialect::Install,
        {
            {"progress then success", {"Progress=0.4\nState=Success\n"}, {{2002, 0.4, L""}, {2003, 0, L""}}, 1},
            {"progress without a number", {"Progress=abc\nProgress=\n"}, {{2002, 0, L""}, {2002, 0, L""}}, 0},
            {"install path keeps its carriage return", {"InstPath=C:\\LumaCut\r\n"}, {{3000, 0, L"C:\\LumaCut\r"}}, 0},
            {"state success, trimmed", {"State= Success \r\n"}, {{2003, 0, L""}}, 1},
            {"state fail", {"State=Fail\n"}, {{2004, 0, L"安装包安装失败"}}, 1000},
            {"other state sends nothing", {"State=Done\nState=success\n"}, {}, 0},
            {"install version sends nothing", {"InstallVersion=1.2.3\n"}, {}, 0},
            {"exe path and start exe share 3001",
             {"ExePath=a.exe\nStartExe=b.exe\n"},
             {{3001, 0, L"a.exe"}, {3001, 0, L"b.exe"}},
             0},
            {"both uninstaller keys share 3002",
             {"UninstExePath=u1\nUninstExe=u2\n"},
             {{3002, 0, L"u1"}, {3002, 0, L"u2"}},
             0},
            {"uninstall entry", {"UninstEp=C:\\x\\uninst.ep\n"}, {{3003, 0, L"C:\\x\\uninst.ep"}}, 0},
            {"error", {"Error=disk is full\n"}, {{2004, 1000, L"disk is full"}}, 1000},
            {"detentions",
             {"TopShowDetention=7\nFinsihCloseDetention=5\nTopShowDetention=x\n"},
             {{3007, 7, L""}, {3008, 5, L""}, {3007, 0, L""}},
             0},
            {"only the misspelt key is known", {"FinishCloseDetention=5\n"}, {}, 0},
            {"start url", {"StartUrl=https://www.lumacut.example/\n"}, {{3004, 0, L"https://www.lumacut.example/"}}, 0},
            {"startup styles",
             {"StartupStyle=NonStartup\nStartupStyle= AutoStartup\r\nStartupStyle=UserStartup\nStartupStyle=Later\n"},
             {{3005, 0, L""}, {3005, 1, L""}, {3005, 2, L""}, {3005, 0, L""}},
             0},
            {"message", {"Message=hello\n"}, {{3009, 0, L"hello"}}, 0},
            {"empty value", {"Message=\nInstPath=\n"}, {{3009, 0, L""}, {3000, 0, L""}}, 0},
        });
}

TEST(OutputProtocolTest, LinesThatMatchNoKey)
{
    Check(Dialect::Install, {
                                {"key without its =", {"Progress 0.5\nProgress:0.5\nProgressive=1\n"}, {}, 0},
                                {"keys are case-sensitive", {"progress=0.5\nstate=Success\n"}, {}, 0},
                                {"key not at the start", {" State=Success\nx=State=Success\n"}, {}, 0},
                                {"empty lines and garbage", {"\n\n\r\n=\n=x\ngarbage\n"}, {}, 0},
                                {"binary bytes", {"\x01\xff\xfe\x80\x00\x7f\n\x90State\n"s}, {}, 0},
                            });
}

TEST(OutputProtocolTest, FirstMatchingKeyAloneHandlesTheLine)
{
    Check(Dialect::Install,
          {
              {"error swallows the rest", {"Error=State=Success\n"}, {{2004, 1000, L"State=Success"}}, 1000},
              {"progress swallows the rest", {"Progress=0.5State=Success\n"}, {{2002, 0.5, L""}}, 0},
          });
}

TEST(OutputProtocolTest, TheLastVerdictOfAReadCounts)
{
    Check(Dialect::Install,
          {
              {"error then success", {"Error=x\nState=Success\n"}, {{2004, 1000, L"x"}, {2003, 0, L""}}, 1},
              {"success then fail",
               {"State=Success\nState=Fail\n"},
               {{2003, 0, L""}, {2004, 0, L"安装包安装失败"}},
               1000},
          });
}

TEST(OutputProtocolTest, ValuesAreCutTo771Characters)
{
    const std::string longText(100 * 1024, 'a');
    // A 100 KB line arriving in reads of 1024 bytes, then a verdict.
    Chunks chunks;
    const std::string output = "Message=" + longText + "\nState=Success\n";
    for (size_t i = 0; i < output.size(); i += 1024) chunks.push_back(output.substr(i, 1024));
    const Outcome outcome = Feed(Dialect::Install, chunks);
    const std::vector<Event> expected = {{3009, 0, std::wstring(771, L'a')}, {2003, 0, L""}};
    EXPECT_EQ(outcome.events, expected);
    EXPECT_EQ(outcome.result, 1);
}

TEST(OutputProtocolTest, AZeroByteEndsTheTextOfItsLine)
{
    Check(Dialect::Install,
          {
              {"zero inside a value", {"Message=ab\0cd\nState=Success\n"s}, {{3009, 0, L"ab"}, {2003, 0, L""}}, 1},
          });
}

TEST(OutputProtocolTest, LinesAndCharactersCutByReadsAreParsedWhole)
{
    Check(Dialect::Install,
          {
              {"key cut", {"Prog", "ress=0.5\n"}, {{2002, 0.5, L""}}, 0},
              {"value cut", {"Progress=0.", "25\nState=Succ", "ess\n"}, {{2002, 0.25, L""}, {2003, 0, L""}}, 1},
              {"line end in its own read", {"Error=late", "\n"}, {{2004, 1000, L"late"}}, 1000},
              {"last line without a line feed", {"Message=a\nState=Success"}, {{3009, 0, L"a"}, {2003, 0, L""}}, 1},
              {"utf-8 character cut",
               {"Encode=UTF8\nMessage=" + kUtf8Chinese.substr(0, 2), kUtf8Chinese.substr(2, 3),
                kUtf8Chinese.substr(5) + "\n"},
               {{3009, 0, kChinese}},
               0},
              {"gbk character cut",
               {"Encode=936\nMessage=" + kGbkChinese.substr(0, 1), kGbkChinese.substr(1) + "\n"},
               {{3009, 0, kChinese}},
               0},
          });
}

// Every way of cutting one output in two gives the events of the uncut output.
TEST(OutputProtocolTest, EventsDoNotDependOnWhereReadsEnd)
{
    const std::string output = "Encode=UTF8\nProgress=0.5\nMessage=" + kUtf8Chinese +
                               "\r\nInstPath=C:\\x\nStartupStyle=AutoStartup\nState=Success\n";
    const Outcome whole = Feed(Dialect::Install, {output});
    ASSERT_EQ(whole.events.size(), 5u);
    EXPECT_EQ(whole.events[1], (Event{3009, 0, kChinese + L"\r"}));
    for (size_t cut = 1; cut < output.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        const Outcome split = Feed(Dialect::Install, {output.substr(0, cut), output.substr(cut)});
        EXPECT_EQ(split.events, whole.events);
        EXPECT_EQ(split.result, whole.result);
    }
    Chunks bytes;
    for (const char c : output) bytes.emplace_back(1, c);
    EXPECT_EQ(Feed(Dialect::Install, bytes).events, whole.events);
}

TEST(OutputProtocolTest, EncodeSelectsTheCodePageOfTheLinesAfterIt)
{
    struct EncodeCase {
        const char* name;
        std::string encodeLine;
        int codePage;
    };
    const std::vector<EncodeCase> cases = {
        {"utf8", "Encode=UTF8\n", 65001},
        {"utf8 trimmed", "Encode= UTF8 \r\n", 65001},
        {"acp", "Encode=ACP\n", 0},
        {"number", "Encode=936\n", 936},
        {"not a number", "Encode=Latin\n", 0},
        {"beyond 32 bits", "Encode=99999999999\n", 0},
        {"below 32 bits", "Encode=-99999999999\n", 0},
    };
    for (const EncodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Feed(Dialect::Install, {c.encodeLine}).codePage, c.codePage);
    }

    Check(Dialect::Install,
          {
              {"utf-8 text", {"Encode=UTF8\nMessage=" + kUtf8Chinese + "\n"}, {{3009, 0, kChinese}}, 0},
              {"gbk text", {"Encode=936\n", "Message=" + kGbkChinese + "\n"}, {{3009, 0, kChinese}}, 0},
              {"back to the ANSI code page", {"Encode=UTF8\nEncode=ACP\nMessage=abc\n"}, {{3009, 0, L"abc"}}, 0},
              // A code page the system does not know still lets the verdict through.
              {"unknown code page", {"Encode=12345\nState=Fail\n"}, {{2004, 0, L"安装包安装失败"}}, 1000},
          });
}

TEST(OutputProtocolTest, ExePathIsTraced)
{
    LogCapture log;
    Feed(Dialect::Install, {"ExePath=C:\\p\\lumacutout.exe\n"});
    const auto lines = log.Matching(L"(CInstaller::Parse)");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(L": ExePath: C:\\p\\lumacutout.exe"), std::wstring::npos) << lines[0];
}

TEST(OutputProtocolTest, PackageVersionIsKeptWithoutEvent)
{
    EventRecorder recorder;
    COutputProtocol protocol(Dialect::Install, recorder.Callback());
    EXPECT_EQ(protocol.packageVersion(), (std::array<int, 3>{0, 0, 0}));
    protocol.Feed("InstallVersion=2.10.345\n");
    EXPECT_EQ(protocol.packageVersion(), (std::array<int, 3>{2, 10, 345}));
    EXPECT_TRUE(recorder.Events().empty());
}

TEST(OutputProtocolTest, UninstallDialect)
{
    Check(Dialect::Uninstall,
          {
              {"progress", {"Progress=0.3\n"}, {{5002, 0.3, L""}}, 0},
              {"error", {"Error=locked\n"}, {{5005, 0, L"locked"}}, 1000},
              {"state success", {"State=Success \r\n"}, {{5003, 0, L""}}, 1},
              {"state fail", {"State=Fail\n"}, {{5005, 0, L"安装包卸载失败"}}, 1000},
              {"install keys are ignored",
               {"InstPath=x\nMessage=y\nExePath=z\nStartupStyle=AutoStartup\nUninstEp=u\nTopShowDetention=1\n"},
               {},
               0},
              {"utf8", {"Encode=UTF8\nError=" + kUtf8Chinese + "\n"}, {{5005, 0, kChinese}}, 1000},
          });
    EXPECT_EQ(Feed(Dialect::Uninstall, {"Encode=UTF8\n"}).codePage, 65001);
    // Only UTF-8 can be announced to the uninstall reader.
    EXPECT_EQ(Feed(Dialect::Uninstall, {"Encode=936\n"}).codePage, 0);
}

TEST(OutputProtocolTest, ParseTextTakesCompleteText)
{
    EventRecorder recorder;
    COutputProtocol protocol(Dialect::Install, recorder.Callback());
    EXPECT_EQ(protocol.ParseText(L"Message=\u4e2d\nState=Success"), 1);
    const std::vector<Event> expected = {{3009, 0, L"\u4e2d"}, {2003, 0, L""}};
    EXPECT_EQ(recorder.Events(), expected);
}

} // namespace
