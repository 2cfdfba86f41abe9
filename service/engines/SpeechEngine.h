#pragma once
// What the service asks of a speech engine: 16 kHz mono samples (and, for
// alignment, the transcript's lines) in, timed lines out. The server owns
// framing, accounts and charging; engines know nothing of them.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace cw::engines {

struct TimedLine {
    int64_t startMs = 0;
    int64_t endMs = 0;
    std::string text;         // UTF-8, one line
    double confidence = 1.0;  // 0..1: how sure the engine is of text and times
};

struct Audio {
    const int16_t *samples = nullptr;
    size_t count = 0;
    int sampleRate = 16000;
    int64_t durationMs() const { return sampleRate ? int64_t(count) * 1000 / sampleRate : 0; }
};

enum class EngineStatus { Ok, Error, TimedOut, Cancelled };

struct EngineResult {
    EngineStatus status = EngineStatus::Error;
    std::vector<TimedLine> lines;
    std::string message;  // why, when not Ok
    std::vector<std::string> notes;  // for the service log: confidence, warnings
};

// done/total in any unit the engine likes; called from the engine's thread.
using ProgressFn = std::function<void(int done, int total)>;
// Polled now and then; true asks the engine to stop with Cancelled.
using CancelFn = std::function<bool()>;

class Aligner {
public:
    virtual ~Aligner() = default;
    // Every line comes back, in order, start < end, no overlap, inside the audio.
    virtual EngineResult align(const Audio &audio, const std::vector<std::string> &lines,
                               const ProgressFn &progress, const CancelFn &cancel) = 0;
};

class Recognizer {
public:
    virtual ~Recognizer() = default;
    virtual EngineResult recognize(const Audio &audio, const ProgressFn &progress,
                                   const CancelFn &cancel) = 0;
};

}  // namespace cw::engines
