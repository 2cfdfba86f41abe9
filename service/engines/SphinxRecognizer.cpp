#include "SphinxRecognizer.h"

#include "LineTiming.h"

#include <pocketsphinx.h>
#include <sphinxbase/err.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <sys/stat.h>

namespace cw::engines {

namespace {

bool fileExists(const std::string &path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

constexpr int kMsPerFrame = 10;

}  // namespace

std::vector<Span> planUtterances(const std::vector<Span> &speech, int64_t audioMs, int64_t maxMs,
                                 int64_t paddingMs) {
    std::vector<Span> joined;
    for (const Span &s : speech) {
        if (!joined.empty() && s.endMs - joined.back().startMs <= maxMs) {
            joined.back().endMs = s.endMs;
            continue;
        }
        // A region longer than allowed is cut into equal pieces.
        const int64_t pieces = std::max<int64_t>(1, (s.lengthMs() + maxMs - 1) / maxMs);
        for (int64_t k = 0; k < pieces; ++k)
            joined.push_back({s.startMs + s.lengthMs() * k / pieces, s.startMs + s.lengthMs() * (k + 1) / pieces});
    }
    std::vector<Span> padded = joined;
    for (size_t i = 0; i < joined.size(); ++i) {
        const int64_t lowest = i ? (joined[i - 1].endMs + joined[i].startMs) / 2 : 0;
        const int64_t highest = i + 1 < joined.size() ? (joined[i].endMs + joined[i + 1].startMs) / 2 : audioMs;
        padded[i].startMs = std::max(lowest, joined[i].startMs - paddingMs);
        padded[i].endMs = std::min(highest, joined[i].endMs + paddingMs);
    }
    return padded;
}

std::string readableWord(const std::string &decoderWord) {
    if (decoderWord.empty() || decoderWord[0] == '<' || decoderWord[0] == '[' ||
        decoderWord.rfind("++", 0) == 0)
        return {};
    const size_t paren = decoderWord.find('(');
    return paren == std::string::npos || paren == 0 ? decoderWord : decoderWord.substr(0, paren);
}

SphinxRecognizer::SphinxRecognizer(RecognizerOptions options) : options_(std::move(options)) {
    static std::once_flag quiet;
    std::call_once(quiet, [] { err_set_logfp(nullptr); });
    const std::string hmm = options_.modelDir + "/en-us";
    const std::string lm = options_.modelDir + "/en-us.lm.bin";
    const std::string dict = options_.modelDir + "/cmudict-en-us.dict";
    for (const std::string &path : {hmm, lm, dict})
        if (!fileExists(path)) {
            loadError_ = "English speech model missing: " + path;
            return;
        }
    // Silence removal shifts word times in long utterances; the pauses are
    // cut out before decoding instead.
    // The flat-lexicon second pass costs a third of the time and, on read
    // speech, gains nothing over the tree search with a best-path rescoring.
    // Each utterance is normalised by its own cepstral mean: the default
    // running mean carries over from job to job, so a result would depend
    // on the jobs the decoder served before.
    std::vector<std::string> args = {"-hmm", hmm, "-lm", lm, "-dict", dict, "-remove_silence", "no",
                                      "-fwdflat", "no", "-cmn", "batch"};
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    cmd_ln_t *config = cmd_ln_parse_r(nullptr, ps_args(), int32(argv.size()), argv.data(), TRUE);
    if (!config) {
        loadError_ = "speech recogniser configuration refused";
        return;
    }
    {
        // Loading touches the library's global log and configuration state.
        static std::mutex loading;
        std::lock_guard<std::mutex> lock(loading);
        decoder_ = ps_init(config);
    }
    cmd_ln_free_r(config);
    if (!decoder_)
        loadError_ = "speech recogniser failed to load its model";
}

SphinxRecognizer::~SphinxRecognizer() {
    if (decoder_)
        ps_free(decoder_);
}

bool SphinxRecognizer::decode(const int16_t *samples, size_t count, int64_t offsetMs,
                              std::vector<TimedWord> &words, const CancelFn &cancel) {
    if (cancel && cancel())
        return false;
    // Whole utterances (at most maxUtteranceMs) at once: the per-utterance
    // mean needs them complete.
    if (ps_start_utt(decoder_) < 0)
        return false;
    if (ps_process_raw(decoder_, samples, count, FALSE, TRUE) < 0) {
        ps_end_utt(decoder_);
        return false;
    }
    ps_end_utt(decoder_);
    logmath_t *logmath = ps_get_logmath(decoder_);
    // This decoder keeps counting frames from one utterance to the next; the
    // first segment (the sentence start) marks where this one begins.
    bool first = true;
    int base = 0;
    for (ps_seg_t *seg = ps_seg_iter(decoder_); seg; seg = ps_seg_next(seg)) {
        int startFrame = 0, endFrame = 0;
        ps_seg_frames(seg, &startFrame, &endFrame);
        if (first) {
            base = startFrame;
            first = false;
        }
        const std::string text = readableWord(ps_seg_word(seg));
        if (text.empty())
            continue;
        // A word's confidence is its posterior in the lattice the best-path
        // pass has already scored: free to read, low where rivals were close.
        int32 acoustic = 0, language = 0, backoff = 0;
        const int32 posterior = ps_seg_prob(seg, &acoustic, &language, &backoff);
        TimedWord word{text, offsetMs + int64_t(startFrame - base) * kMsPerFrame,
                       offsetMs + int64_t(endFrame - base + 1) * kMsPerFrame};
        word.confidence = std::clamp(logmath_exp(logmath, posterior), 0.0, 1.0);
        words.push_back(std::move(word));
    }
    return true;
}

EngineResult SphinxRecognizer::recognizeWords(const Audio &audio, const ProgressFn &progress,
                                              const CancelFn &cancel, std::vector<TimedWord> &words,
                                              size_t *utteranceCount) {
    EngineResult result;
    if (!decoder_) {
        result.message = loadError_;
        return result;
    }
    if (audio.sampleRate != 16000) {
        result.message = "recognition needs 16 kHz audio";
        return result;
    }
    const int64_t audioMs = audio.durationMs();
    const std::vector<uint8_t> speech = detectSpeechFrames(audio.samples, audio.count, audio.sampleRate);
    const std::vector<Span> pauses = findPauses(speech, options_.splitPauseMs);
    const std::vector<Span> utterances =
        speech.empty() ? std::vector<Span>{{0, audioMs}}
                       : planUtterances(findSpeech(speech, options_.splitPauseMs), audioMs,
                                        options_.maxUtteranceMs, options_.paddingMs);
    if (utteranceCount)
        *utteranceCount = utterances.size();

    words.clear();
    const int total = int(std::min<int64_t>(audioMs, INT32_MAX));
    for (const Span &u : utterances) {
        const size_t first = size_t(u.startMs) * 16, last = std::min(audio.count, size_t(u.endMs) * 16);
        if (last <= first)
            continue;
        if (!decode(audio.samples + first, last - first, u.startMs, words, cancel)) {
            result.status = cancel && cancel() ? EngineStatus::Cancelled : EngineStatus::Error;
            result.message = result.status == EngineStatus::Cancelled ? "cancelled" : "the decoder failed";
            return result;
        }
        if (progress)
            progress(int(std::min<int64_t>(u.endMs, total)), total);
    }
    fitWordsToPauses(words, pauses);
    result.status = EngineStatus::Ok;
    return result;
}

EngineResult SphinxRecognizer::recognize(const Audio &audio, const ProgressFn &progress, const CancelFn &cancel) {
    std::vector<TimedWord> words;
    size_t utterances = 0;
    EngineResult result = recognizeWords(audio, progress, cancel, words, &utterances);
    if (result.status != EngineStatus::Ok)
        return result;
    const int64_t audioMs = audio.durationMs();
    result.lines = segmentWords(words, options_.lines, audioMs);
    enforceLineOrder(result.lines, audioMs);
    double sum = 0;
    for (const TimedWord &w : words)
        sum += w.confidence;
    char confidence[48];
    std::snprintf(confidence, sizeof confidence, ", confidence mean %.2f",
                  words.empty() ? 0.0 : sum / double(words.size()));
    result.notes.push_back("recognition (English only): " + std::to_string(utterances) + " utterances, " +
                           std::to_string(words.size()) + " words, " + std::to_string(result.lines.size()) +
                           " lines" + confidence);
    return result;
}

}  // namespace cw::engines
