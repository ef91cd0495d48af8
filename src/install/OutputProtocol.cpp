#include "install/OutputProtocol.h"

#include "install/InstallEvents.h"
#include "utils/DebugLog.h"
#include "utils/Text.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cwchar>
#include <span>

namespace {

constexpr wchar_t kWhiteSpace[] = L" \t\r\n\v\f";

std::wstring Trimmed(const std::wstring& text)
{
    const size_t first = text.find_first_not_of(kWhiteSpace);
    if (first == std::wstring::npos) return {};
    return text.substr(first, text.find_last_not_of(kWhiteSpace) - first + 1);
}

double NumberOf(const std::wstring& value)
{
    double number = 0;
    return swscanf(value.c_str(), L"%lf", &number) == 1 ? number : 0;
}

int IntegerOf(const std::wstring& value)
{
    int number = 0;
    return swscanf(value.c_str(), L"%d", &number) == 1 ? number : 0;
}

// A decimal code-page number; 0 (the ANSI code page) when the text holds no number or one
// outside the 32-bit range.
int CodePageNumberOf(const std::wstring& value)
{
    wchar_t* end = nullptr;
    errno = 0;
    const long long number = std::wcstoll(value.c_str(), &end, 10);
    if (end == value.c_str() || errno == ERANGE || number < INT_MIN || number > INT_MAX) return 0;
    return static_cast<int>(number);
}

// Decodes one line; a code page the system does not know decodes as the ANSI code page, so
// the ASCII verdict lines of a package that announced one stay readable.
std::wstring Decode(std::string_view bytes, int codePage)
{
    if (const size_t zero = bytes.find('\0'); zero != std::string_view::npos) bytes = bytes.substr(0, zero);
    const UINT page =
        codePage == 0 || IsValidCodePage(static_cast<UINT>(codePage)) ? static_cast<UINT>(codePage) : CP_ACP;
    return Utils::ToWide(std::string(bytes), page);
}

} // namespace

// The actions of the two dialects' tables. Each gets the value (the line after the key and
// its "=", at most kMaxValueLength characters) and returns the parse result of the line.
struct ProtocolActions {
    using Action = int (*)(COutputProtocol&, const std::wstring& value);
    struct Rule {
        std::wstring_view key; // with its "="
        Action action;
    };

    static int SendText(COutputProtocol& protocol, int32_t code, const std::wstring& text)
    {
        protocol.Send(code, 0.0, text.c_str());
        return PARSE_UNSETTLED;
    }

    static int Progress(COutputProtocol& protocol, const std::wstring& value)
    {
        protocol.Send(IST_CODE_PROGRESS, NumberOf(value), L"");
        return PARSE_UNSETTLED;
    }
    static int InstPath(COutputProtocol& protocol, const std::wstring& value)
    {
        return SendText(protocol, IST_VALUE_INSTALL_PATH, value);
    }
    static int State(COutputProtocol& protocol, const std::wstring& value)
    {
        const std::wstring state = Trimmed(value);
        if (state == L"Success") {
            protocol.Send(INSTALL_SUCCESS, 0.0, L"");
            return PARSE_SUCCESS;
        }
        if (state == L"Fail") {
            protocol.Send(IST_CODE_FAIL, 0.0, L"安装包安装失败");
            return PARSE_FAILURE;
        }
        return PARSE_UNSETTLED;
    }
    static int InstallVersion(COutputProtocol& protocol, const std::wstring& value)
    {
        auto& version = protocol.m_packageVersion;
        swscanf(value.c_str(), L"%d.%d.%d", &version[0], &version[1], &version[2]);
        return PARSE_UNSETTLED;
    }
    static int ExePath(COutputProtocol& protocol, const std::wstring& value)
    {
        LOG_LINE(L"CInstaller::Parse", L"ExePath: %s", value.c_str());
        return SendText(protocol, IST_VALUE_EXE_PATH, value);
    }
    static int StartExe(COutputProtocol& protocol, const std::wstring& value)
    {
        return SendText(protocol, IST_VALUE_EXE_PATH, value);
    }
    static int Uninstaller(COutputProtocol& protocol, const std::wstring& value)
    {
        return SendText(protocol, IST_VALUE_UNINSTALLER, value);
    }
    static int UninstEp(COutputProtocol& protocol, const std::wstring& value)
    {
        return SendText(protocol, IST_VALUE_UNINSTALL_EP, value);
    }
    static int Error(COutputProtocol& protocol, const std::wstring& value)
    {
        protocol.Send(IST_CODE_FAIL, 1000.0, value.c_str());
        return PARSE_FAILURE;
    }
    static int TopShow(COutputProtocol& protocol, const std::wstring& value)
    {
        protocol.Send(IST_VALUE_TOP_SHOW, IntegerOf(value), L"");
        return PARSE_UNSETTLED;
    }
    static int FinishClose(COutputProtocol& protocol, const std::wstring& value)
    {
        protocol.Send(IST_VALUE_FINISH_CLOSE, IntegerOf(value), L"");
        return PARSE_UNSETTLED;
    }
    static int StartUrl(COutputProtocol& protocol, const std::wstring& value)
    {
        return SendText(protocol, IST_VALUE_START_URL, value);
    }
    static int StartupStyle(COutputProtocol& protocol, const std::wstring& value)
    {
        const std::wstring style = Trimmed(value);
        const double number = style == L"AutoStartup" ? 1 : style == L"UserStartup" ? 2 : 0;
        protocol.Send(IST_VALUE_STARTUP_STYLE, number, L"");
        return PARSE_UNSETTLED;
    }
    static int Encode(COutputProtocol& protocol, const std::wstring& value)
    {
        const std::wstring name = Trimmed(value);
        protocol.m_codePage = name == L"UTF8" ? CP_UTF8 : name == L"ACP" ? 0 : CodePageNumberOf(name);
        return PARSE_UNSETTLED;
    }
    static int Message(COutputProtocol& protocol, const std::wstring& value)
    {
        return SendText(protocol, IST_VALUE_MESSAGE, value);
    }

    static int UninstallProgress(COutputProtocol& protocol, const std::wstring& value)
    {
        protocol.Send(UNIST_CODE_PROGRESS, NumberOf(value), L"");
        return PARSE_UNSETTLED;
    }
    static int UninstallError(COutputProtocol& protocol, const std::wstring& value)
    {
        protocol.Send(UNIST_CODE_ERROR, 0.0, value.c_str());
        return PARSE_FAILURE;
    }
    static int UninstallState(COutputProtocol& protocol, const std::wstring& value)
    {
        const std::wstring state = Trimmed(value);
        if (state == L"Success") {
            protocol.Send(UNIST_CODE_SUCCESS, 0.0, L"");
            return PARSE_SUCCESS;
        }
        if (state == L"Fail") {
            protocol.Send(UNIST_CODE_ERROR, 0.0, L"安装包卸载失败");
            return PARSE_FAILURE;
        }
        return PARSE_UNSETTLED;
    }
    static int UninstallEncode(COutputProtocol& protocol, const std::wstring& value)
    {
        protocol.m_codePage = Trimmed(value) == L"UTF8" ? CP_UTF8 : 0;
        return PARSE_UNSETTLED;
    }

    // Keys in matching order: the first key a line begins with decides.
    static constexpr Rule kInstall[] = {
        {L"Progress=", &Progress},
        {L"InstPath=", &InstPath},
        {L"State=", &State},
        {L"InstallVersion=", &InstallVersion},
        {L"ExePath=", &ExePath},
        {L"StartExe=", &StartExe},
        {L"UninstExePath=", &Uninstaller},
        {L"UninstExe=", &Uninstaller},
        {L"UninstEp=", &UninstEp},
        {L"Error=", &Error},
        {L"TopShowDetention=", &TopShow},
        {L"FinsihCloseDetention=", &FinishClose},
        {L"StartUrl=", &StartUrl},
        {L"StartupStyle=", &StartupStyle},
        {L"Encode=", &Encode},
        {L"Message=", &Message},
    };
    static constexpr Rule kUninstall[] = {
        {L"Progress=", &UninstallProgress},
        {L"Error=", &UninstallError},
        {L"State=", &UninstallState},
        {L"Encode=", &UninstallEncode},
    };

    static std::span<const Rule> Table(COutputProtocol::Dialect dialect)
    {
        if (dialect == COutputProtocol::Dialect::Install) return kInstall;
        return kUninstall;
    }
};

COutputProtocol::COutputProtocol(Dialect dialect, DownloadCallback callback)
    : m_dialect(dialect), m_callback(std::move(callback))
{}

int COutputProtocol::ParseText(const std::wstring& text)
{
    int result = PARSE_UNSETTLED;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        if (const int line = ParseLine(text.substr(start, end - start)); line != PARSE_UNSETTLED) result = line;
        start = end + 1;
    }
    return result;
}

int COutputProtocol::Feed(std::string_view bytes)
{
    int result = PARSE_UNSETTLED;
    // A line feed byte never occurs inside a multi-byte character of the code pages a package
    // may announce (UTF-8 and the double-byte ANSI code pages), so lines split safely as bytes.
    for (size_t end; (end = bytes.find('\n')) != std::string_view::npos; bytes.remove_prefix(end + 1)) {
        KeepPending(bytes.substr(0, end));
        const std::string line = std::move(m_pending);
        m_pending.clear();
        if (const int parsed = ParseBytesLine(line); parsed != PARSE_UNSETTLED) result = parsed;
    }
    KeepPending(bytes);
    return result;
}

void COutputProtocol::KeepPending(std::string_view bytes)
{
    // Only the start of a line can matter (the key and a value of kMaxValueLength characters),
    // so a child writing an endless line costs bounded memory.
    m_pending.append(
        bytes.substr(0, std::min(bytes.size(), kMaxLineBytes - std::min(kMaxLineBytes, m_pending.size()))));
}

int COutputProtocol::Finish()
{
    if (m_pending.empty()) return PARSE_UNSETTLED;
    const std::string last = std::move(m_pending);
    m_pending.clear();
    return ParseBytesLine(last);
}

int COutputProtocol::ParseBytesLine(std::string_view line)
{
    return line.empty() ? PARSE_UNSETTLED : ParseLine(Decode(line, m_codePage));
}

int COutputProtocol::ParseLine(const std::wstring& line)
{
    for (const ProtocolActions::Rule& rule : ProtocolActions::Table(m_dialect)) {
        if (line.compare(0, rule.key.size(), rule.key) != 0) continue;
        return rule.action(*this, line.substr(rule.key.size(), kMaxValueLength));
    }
    return PARSE_UNSETTLED;
}

void COutputProtocol::Send(int32_t code, double value, const wchar_t* text) const
{
    m_callback(code, value, text);
}
