#pragma once
// Runs an operator's program without a shell, in a process group of its
// own, reading its standard output as it comes and keeping the tail of its
// standard error; the whole group is killed on a time-out or a cancel.

#include "SpeechEngine.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace cw::engines {

// Blank-separated arguments; double quotes group (\" and \\ inside them).
// False with a reason on an open quote or an empty command.
bool splitCommandLine(const std::string &line, std::vector<std::string> *arguments, std::string *error);

// The executable a program name runs: itself when it holds a slash, else
// the first match on PATH. Empty when there is none.
std::string findProgram(const std::string &name);

struct CommandLimits {
    int64_t timeLimitMs = 60000;
    size_t maxOutputBytes = size_t(64) << 20;
    size_t errorTailBytes = 2048;
};

struct CommandOutcome {
    enum class End { Exited, Signalled, TimedOut, Cancelled, OutputTooLarge, Refused, NotStarted };
    End end = End::NotStarted;
    int code = 0;               // exit status, or the signal
    std::string errorTail;      // the last errorTailBytes of standard error
    bool errorTruncated = false;
    std::string startError;     // why it did not start
};

// Gets each piece of standard output as it arrives; false stops the run
// (End::Refused) and kills the group.
using OutputFn = std::function<bool(const char *data, size_t size)>;

CommandOutcome runCommand(const std::vector<std::string> &arguments, const CommandLimits &limits,
                          const OutputFn &onOutput, const CancelFn &cancel);

// Standard error as one log line: line breaks become " | ", other control
// characters '?', and a cut-off start is marked.
std::string logLine(const std::string &text, bool truncated);

}  // namespace cw::engines
