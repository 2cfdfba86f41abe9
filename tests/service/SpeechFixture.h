#pragma once
// Generated speech with known sentence times: each sentence is synthesised
// on its own, resampled to 16 kHz mono, and joined with silence of chosen
// length, so the true start and end of every sentence are known exactly.

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace cw::testing {

struct SpokenSentence {
    std::string text;
    int64_t startMs = 0;  // first audible sample
    int64_t endMs = 0;    // last audible sample
};

struct SpeechFixture {
    std::vector<int16_t> samples;  // 16 kHz mono
    std::vector<SpokenSentence> sentences;
};

// pausesMs[i] is the silence before sentence i (and the last one after the end).
bool synthesizeSpeech(const std::vector<std::string> &sentences, const std::vector<int> &pausesMs,
                      const QString &workDir, SpeechFixture *out, std::string *error);
bool writeWav16k(const QString &path, const std::vector<int16_t> &samples);
// The 44-byte header of a 16 kHz mono 16-bit WAV holding `dataBytes` of
// samples, for callers that stream the samples themselves.
QByteArray wavHeader16k(uint32_t dataBytes);
// The fixture most tests use: ten English sentences with pauses of 300-900 ms.
std::vector<std::string> standardSentences();
std::vector<int> standardPauses(size_t sentences);

}  // namespace cw::testing
