#include "install/ChildOutput.h"

#include "install/InstallEvents.h"
#include "install/OutputProtocol.h"
#include "utils/Process.h"

#include <windows.h>

#include <algorithm>
#include <exception>
#include <string>

namespace {

constexpr DWORD kChunkBytes = 1024;
// Between reads that find the pipe empty the reader waits for the child's exit, 1 ms at first
// and twice as long each time up to 100 ms: output that comes in bursts is read without a
// pause, and an idle child costs ten polls a second.
constexpr DWORD kFirstWaitMilliseconds = 1;
constexpr DWORD kLongestWaitMilliseconds = 100;

enum class ReadState { Data, Empty, Ended };

// Reads what the pipe holds now, at most kChunkBytes, without blocking on an empty pipe.
ReadState ReadChunk(HANDLE pipe, std::string& chunk)
{
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return ReadState::Ended;
    if (available == 0) return ReadState::Empty;
    chunk.resize(kChunkBytes);
    DWORD read = 0;
    if (!ReadFile(pipe, chunk.data(), std::min(available, kChunkBytes), &read, nullptr) || read == 0)
        return ReadState::Ended;
    chunk.resize(read);
    return ReadState::Data;
}

} // namespace

int ReadChildOutput(Utils::Process& child, COutputProtocol& protocol, AfterVerdict after)
{
    int verdict = PARSE_UNSETTLED;
    const auto parsing = [&] { return verdict == PARSE_UNSETTLED || after == AfterVerdict::KeepParsing; };
    std::string chunk;
    DWORD wait = kFirstWaitMilliseconds;
    for (bool exited = false;;) {
        const ReadState state = ReadChunk(child.out.read.get(), chunk);
        if (state == ReadState::Data) {
            if (parsing())
                if (const int result = protocol.Feed(chunk); result != PARSE_UNSETTLED) verdict = result;
            wait = kFirstWaitMilliseconds;
            continue;
        }
        if (state == ReadState::Ended || exited) break;
        // Wakes at once when the child exits; then what is left in the pipe is read.
        exited = WaitForSingleObject(child.processHandle(), wait) != WAIT_TIMEOUT;
        wait = std::min(wait * 2, kLongestWaitMilliseconds);
    }
    if (parsing())
        if (const int result = protocol.Finish(); result != PARSE_UNSETTLED) verdict = result;
    return verdict;
}

std::optional<int> RunChild(std::unique_ptr<Utils::Process>& child, const std::wstring& commandLine,
                            COutputProtocol& protocol, AfterVerdict after)
{
    try {
        child = std::make_unique<Utils::Process>();
        // Refuses a command line that does not fit its buffer rather than cutting it.
        child->Create(commandLine);
    } catch (const std::exception&) {
        child.reset();
        return std::nullopt;
    }
    const int verdict = ReadChildOutput(*child, protocol, after);
    WaitForSingleObject(child->processHandle(), INFINITE);
    child->Close();
    child.reset();
    return verdict;
}
