#pragma once
// English speech recognition with pocketsphinx. The decoder stays resident
// (loading the model costs a third of a second), so keep one recognizer per
// worker thread; a recognizer is not safe to share between threads.

#include "LineSegmenter.h"
#include "SpeechEngine.h"
#include "VoiceActivity.h"

#include <string>
#include <vector>

struct ps_decoder_s;

namespace cw::engines {

struct RecognizerOptions {
    std::string modelDir;           // holds en-us/, en-us.lm.bin, cmudict-en-us.dict
    int64_t splitPauseMs = 300;     // pauses that may separate utterances
    int64_t maxUtteranceMs = 15000;
    int64_t paddingMs = 150;        // silence kept around each utterance
    SegmentRules lines;
};

// Stretches of the audio to decode one by one: speech regions joined while
// they fit maxMs, each padded into the surrounding silence without overlap.
std::vector<Span> planUtterances(const std::vector<Span> &speech, int64_t audioMs, int64_t maxMs,
                                 int64_t paddingMs);

// The word as the reader sees it, or empty for fillers, silences and
// sentence marks; alternative pronunciations ("word(2)") lose their suffix.
std::string readableWord(const std::string &decoderWord);

class SphinxRecognizer : public Recognizer {
public:
    explicit SphinxRecognizer(RecognizerOptions options);
    ~SphinxRecognizer() override;
    SphinxRecognizer(const SphinxRecognizer &) = delete;
    SphinxRecognizer &operator=(const SphinxRecognizer &) = delete;

    bool ok() const { return decoder_ != nullptr; }
    const std::string &loadError() const { return loadError_; }

    EngineResult recognize(const Audio &audio, const ProgressFn &progress, const CancelFn &cancel) override;
    // The words heard, fitted to the pauses, before they become lines (for
    // measuring the segmenter). Status and message as recognize() gives them.
    EngineResult recognizeWords(const Audio &audio, const ProgressFn &progress, const CancelFn &cancel,
                                std::vector<TimedWord> &words, size_t *utterances = nullptr);

private:
    bool decode(const int16_t *samples, size_t count, int64_t offsetMs, std::vector<TimedWord> &words,
                const CancelFn &cancel);

    RecognizerOptions options_;
    ps_decoder_s *decoder_ = nullptr;
    std::string loadError_;
};

}  // namespace cw::engines
