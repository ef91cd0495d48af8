#pragma once

#include <memory>
#include <optional>
#include <string>

class COutputProtocol;

namespace Utils {
class Process;
}

// What happens to output that arrives after a "State" or "Error" line settled the outcome.
enum class AfterVerdict {
    Discard,     // read and drop it, so the child never blocks on a full pipe
    KeepParsing, // parse it like everything before
};

// Reads the running child's standard output into `protocol`, in reads of at most 1024 bytes,
// until the child has exited and what it wrote has been read, or until nobody can write to the
// pipe any more. A child that has exited is never waited for on a pipe that something it
// started still holds open. Blocks the calling thread (a runner's worker). Returns the last
// settled parse result (PARSE_SUCCESS or PARSE_FAILURE), or PARSE_UNSETTLED.
int ReadChildOutput(Utils::Process& child, COutputProtocol& protocol, AfterVerdict after);

// Starts `commandLine` as a hidden child held in `child`, reads its output as ReadChildOutput
// does, waits for it to exit and closes it. Returns the settled parse result, or nothing when
// the child could not be started (the command line did not fit, or process creation failed).
// `child` is set while the child runs, so its owner can see it; it is empty again afterwards.
std::optional<int> RunChild(std::unique_ptr<Utils::Process>& child, const std::wstring& commandLine,
                            COutputProtocol& protocol, AfterVerdict after);
