#include "SpeechSynthesizer.h"

#include "Resampler.h"

#include <espeak-ng/speak_lib.h>

#include <cstdlib>
#include <mutex>

namespace cw::engines {

namespace {

std::mutex &espeakMutex() {
    static std::mutex m;
    return m;
}

struct SynthesisSink {
    std::vector<int16_t> samples;
    const CancelFn *cancel = nullptr;
    bool cancelled = false;
};

int collectSamples(short *wav, int count, espeak_EVENT *events) {
    auto *sink = events ? static_cast<SynthesisSink *>(events->user_data) : nullptr;
    if (!sink)
        return 0;
    if (wav && count > 0)
        sink->samples.insert(sink->samples.end(), wav, wav + count);
    if (sink->cancel && *sink->cancel && (*sink->cancel)()) {
        sink->cancelled = true;
        return 1;  // asks the library to stop this text
    }
    return 0;
}

// Returns the synthesiser's output rate, or 0 when the library is unusable.
// Called with the mutex held.
int initializedRate() {
    static int rate = -1;
    if (rate < 0) {
        rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
        if (rate > 0)
            espeak_SetSynthCallback(collectSamples);
        else
            rate = 0;
    }
    return rate;
}

std::string voiceName(Script script) {
    // The plain Mandarin voice reads tone digits as English numbers.
    return script == Script::Han ? "cmn-latn-pinyin" : "en-us";
}

constexpr int kSilenceThreshold = 300;  // about -40 dBFS

}  // namespace

std::pair<size_t, size_t> audibleRange(const std::vector<int16_t> &samples, int threshold) {
    size_t first = 0;
    while (first < samples.size() && std::abs(samples[first]) <= threshold)
        ++first;
    size_t last = samples.size();
    while (last > first && std::abs(samples[last - 1]) <= threshold)
        --last;
    return {first, last};
}

std::vector<int16_t> SpeechSynthesizer::speak(const std::string &utf8Line, Script fallback,
                                              const CancelFn &cancel) {
    lastError_.clear();
    SynthesisSink sink;
    sink.cancel = &cancel;
    int rate = 0;
    {
        std::lock_guard<std::mutex> lock(espeakMutex());
        rate = initializedRate();
        if (rate == 0) {
            lastError_ = "speech synthesiser unavailable";
            return {};
        }
        for (const VoiceRun &run : splitVoiceRuns(utf8Line, fallback)) {
            const std::string voice = voiceName(run.script) + (variant_.empty() ? "" : "+" + variant_);
            if (espeak_SetVoiceByName(voice.c_str()) != EE_OK) {
                lastError_ = "synthesiser voice missing: " + voice;
                return {};
            }
            espeak_SetParameter(espeakRATE, rate_ > 0 ? rate_ : espeakRATE_NORMAL, 0);
            const espeak_ERROR said = espeak_Synth(run.text.c_str(), run.text.size() + 1, 0, POS_CHARACTER, 0,
                                                   espeakCHARS_UTF8, nullptr, &sink);
            if (sink.cancelled)
                return {};
            if (said != EE_OK) {
                lastError_ = "speech synthesis failed";
                return {};
            }
        }
    }
    const auto [first, last] = audibleRange(sink.samples, kSilenceThreshold);
    std::vector<int16_t> speech(sink.samples.begin() + long(first), sink.samples.begin() + long(last));
    if (rate == kSampleRate)
        return speech;
    return Resampler(rate, kSampleRate).convert(speech);
}

}  // namespace cw::engines
