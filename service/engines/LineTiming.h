#pragma once
// Rules every timed result obeys, whatever the engine computed: lines in
// order, start < end, no overlap, inside the audio. And the pause snapping
// that puts alignment boundaries where the speaker actually stops.

#include "SpeechEngine.h"
#include "VoiceActivity.h"

#include <vector>

namespace cw::engines {

// Clamps and pushes lines apart so they obey the rules; each line keeps at
// least min(100 ms, audio / lines). False when the audio has fewer
// milliseconds than there are lines.
bool enforceLineOrder(std::vector<TimedLine> &lines, int64_t audioMs);

struct SnapOptions {
    int64_t searchMs = 450;        // how far from the estimate a pause may lie
    double lengthBonus = 0.3;      // ms of distance forgiven per ms of pause
    int64_t bonusCapMs = 500;
};

// Moves each boundary (first start, each end/start pair, last end) onto the
// nearest suitable pause: an end goes to where the pause begins, a start to
// where speech resumes. Each pause serves at most one boundary, in order.
void snapToPauses(std::vector<TimedLine> &lines, const std::vector<Span> &pauses,
                  const SnapOptions &options = {});

}  // namespace cw::engines
