#pragma once

#include "download/DownloadCallback.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The key=value protocol that the product package and an older version's uninstaller write to
// their standard output. One object reads the output of one child: it decodes the bytes with
// the code page the child announced ("Encode="), splits them into lines and sends the event
// its dialect's table gives for each line.
//
// Bytes are kept until their line is complete, so a line, or a multi-byte character, cut by a
// read boundary is parsed whole. Each complete line is decoded with the code page in force when
// it is reached: an "Encode=" line applies from the next line on.
//
// Not thread-safe: one reader thread drives it; the callback runs on that thread.
class COutputProtocol {
public:
    enum class Dialect {
        Install,   // the package's full vocabulary
        Uninstall, // the uninstaller's: Progress, Error, State, Encode
    };

    // The longest value kept from a line; longer values are cut to this length.
    static constexpr size_t kMaxValueLength = 771;

    COutputProtocol(Dialect dialect, DownloadCallback callback);

    // Parses complete text: every line, including a last one without a line feed. Returns
    // PARSE_SUCCESS or PARSE_FAILURE for the last "State"/"Error" line met, else PARSE_UNSETTLED.
    int ParseText(const std::wstring& text);

    // Takes bytes as they were read. Complete lines are parsed; an incomplete last line is
    // kept for the next call. Returns as ParseText for the lines parsed by this call.
    int Feed(std::string_view bytes);

    // End of the output: parses a kept incomplete line as the last line.
    int Finish();

    // Code page of the output still to come (0 is the system's ANSI code page).
    int codePage() const { return m_codePage; }

    // Major, minor and build from the last "InstallVersion=" line; zeros before one.
    const std::array<int, 3>& packageVersion() const { return m_packageVersion; }

private:
    friend struct ProtocolActions;

    // Bytes kept of one line; enough for any key and a value of kMaxValueLength characters.
    static constexpr size_t kMaxLineBytes = 8192;

    void KeepPending(std::string_view bytes);
    int ParseBytesLine(std::string_view line);
    int ParseLine(const std::wstring& line);
    void Send(int32_t code, double value, const wchar_t* text) const;

    Dialect m_dialect;
    DownloadCallback m_callback;
    int m_codePage = 0;
    std::array<int, 3> m_packageVersion{};
    std::string m_pending; // bytes of the incomplete last line
};
