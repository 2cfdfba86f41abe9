#pragma once
// A first aligner that needs no model: it finds speech by energy and spreads
// the lines over it by their length, moving each line boundary into the
// nearest fitting pause.

#include "SpeechActivity.h"
#include "engines/SpeechEngine.h"

#include <string>
#include <vector>

namespace cw::service {

class EnergyAligner : public engines::Aligner {
public:
    engines::EngineResult align(const engines::Audio &audio, const std::vector<std::string> &lines,
                                const engines::ProgressFn &progress, const engines::CancelFn &cancel) override;

    // The pure core, on spans already found: start/end per line, in order.
    static std::vector<TimeSpan> placeLines(const std::vector<TimeSpan> &speech, int64_t durationMs,
                                            const std::vector<size_t> &weights);
    // Characters that take speaking time: code points that are not white space.
    static size_t spokenLength(const std::string &utf8Line);
};

}  // namespace cw::service
