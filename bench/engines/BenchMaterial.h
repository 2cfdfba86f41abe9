#pragma once
// Test speech with exact line boundaries for the engine benchmark: real
// read speech from Debian's test data, and speech from synthesisers other
// than the aligner's own voice settings.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>
#include <vector>

struct Clip {
    std::vector<int16_t> samples;  // 16 kHz mono, trimmed to the speech
    std::string text;
    double noiseRms = 0;           // level of the recording's background
    std::vector<int16_t> roomTone; // the recording's own silence around the speech
    std::vector<int16_t> recorded; // the whole recording, room tone and all
    size_t speechFrom = 0;         // where `samples` lies in `recorded`
};

struct LineTruth {
    int64_t startMs = 0, endMs = 0;
};

struct TestSet {
    std::string name;
    std::vector<int16_t> samples;
    std::vector<std::string> lines;
    std::vector<LineTruth> truth;
    double durationSeconds() const { return double(samples.size()) / 16000.0; }
};

bool readWav16kMono(const QString &path, std::vector<int16_t> &samples);

// Cuts the silence before and after the speech of a clip and measures the
// background level.
void trimToSpeech(Clip &clip);

std::vector<Clip> librivoxClips(const QString &folder);
std::vector<Clip> fliteClips(const QStringList &sentences, const QString &workDir);
std::vector<Clip> espeakMandarinClips(const QStringList &sentences, const QString &workDir);

enum class GapFill { Noise, RoomTone, DigitalSilence };

// Clips in order, repeated `rounds` times, with gaps drawn from
// [minGapMs, maxGapMs] filled with white noise at the background level,
// with the recordings' own room tone, or with zeros (speech gated or cut
// into digital silence without its room tone).
TestSet joinClips(const std::string &name, const std::vector<Clip> &clips, int rounds, int minGapMs,
                  int maxGapMs, unsigned seed, GapFill fill = GapFill::Noise);

// Edited audio: each clip whole as recorded, its room tone before and after
// the speech, cut into digital silence (zeros) of [minGapMs, maxGapMs]. The
// truth is the speech, not the room tone.
TestSet spliceClips(const std::string &name, const std::vector<Clip> &clips, int rounds, int minGapMs,
                    int maxGapMs, unsigned seed);
