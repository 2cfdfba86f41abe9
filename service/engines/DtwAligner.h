#pragma once
// Transcript alignment by synthesis: each line is spoken by the synthesiser,
// the synthetic speech is warped onto the recording (MFCC + DTW), the line
// boundaries are carried across and snapped to the pauses of the recording.

#include "Dtw.h"
#include "LineTiming.h"
#include "SpeechEngine.h"

namespace cw::engines {

struct AlignerOptions {
    DtwOptions dtw;
    SnapOptions snap;
    int64_t leadingSilenceMs = 300;  // around and between the synthetic lines,
    int64_t lineGapMs = 100;         // so pauses of the recording have a match
    int64_t minPauseMs = 60;
    // A transcript whose speech would run past max(ratio x audio, audio +
    // excess) is spread by length instead of being spoken.
    int64_t maxSpeechRatio = 3;
    int64_t maxSpeechExcessMs = 10 * 60 * 1000;
    // Pull of speech/pause agreement in the warp, against unit-variance MFCCs:
    // 4-5 keeps boundaries between run-together read lines; below 3 a line
    // end may slide onto a short pause in the next line, above 6 the
    // cepstra lose their say.
    float pauseWeight = 4.5f;
};

class DtwAligner : public Aligner {
public:
    explicit DtwAligner(AlignerOptions options = {}) : options_(options) {}

    EngineResult align(const Audio &audio, const std::vector<std::string> &lines,
                       const ProgressFn &progress, const CancelFn &cancel) override;

private:
    AlignerOptions options_;
};

}  // namespace cw::engines
