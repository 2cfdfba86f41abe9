#include "InstantEngine.h"

namespace cw::service {

namespace {

engines::EngineResult spread(const engines::Audio &audio, const std::vector<std::string> &lines,
                             const engines::CancelFn &cancel)
{
    engines::EngineResult result;
    if (cancel && cancel()) {
        result.status = engines::EngineStatus::Cancelled;
        return result;
    }
    const int64_t total = audio.durationMs();
    const int64_t count = int64_t(lines.size());
    if (count == 0 || total < 2 * count) {
        result.message = "audio too short for the lines";
        return result;
    }
    for (int64_t i = 0; i < count; ++i)
        result.lines.push_back({total * i / count, total * (i + 1) / count - 1, lines[size_t(i)], 0.0});
    result.status = engines::EngineStatus::Ok;
    result.notes.push_back("instant engine");
    return result;
}

class InstantAligner : public engines::Aligner {
public:
    engines::EngineResult align(const engines::Audio &audio, const std::vector<std::string> &lines,
                                const engines::ProgressFn &, const engines::CancelFn &cancel) override
    {
        return spread(audio, lines, cancel);
    }
};

class InstantRecognizer : public engines::Recognizer {
public:
    engines::EngineResult recognize(const engines::Audio &audio, const engines::ProgressFn &,
                                    const engines::CancelFn &cancel) override
    {
        return spread(audio, {"(instant engine)"}, cancel);
    }
};

}  // namespace

std::unique_ptr<engines::Aligner> makeInstantAligner()
{
    return std::make_unique<InstantAligner>();
}

std::unique_ptr<engines::Recognizer> makeInstantRecognizer()
{
    return std::make_unique<InstantRecognizer>();
}

}  // namespace cw::service
