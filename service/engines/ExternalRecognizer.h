#pragma once
// Recognition by an operator's program: it gets a 16 kHz mono WAV and a
// language hint on its command line and prints one JSON object per word,
// {"word":"hello","start":1.23,"end":1.50} (seconds; "confidence" 0..1 is
// optional), on standard output. The words become lines through the same
// segmenter as the built-in recogniser's.

#include "CommandRunner.h"
#include "LineSegmenter.h"
#include "SpeechEngine.h"

#include <string>
#include <vector>

namespace cw::engines {

struct RecognizerCommand {
    std::vector<std::string> arguments;  // the program and its own arguments
    std::string language = "en";         // passed as --language LANG
    // The program may run floorMs plus perAudioMs for each millisecond of audio.
    int64_t floorMs = 60000;
    double perAudioMs = 2.0;
    std::string tempDir;  // for the WAV it reads; empty: $TMPDIR, else /tmp
    CommandLimits output;  // its time limit is set per job
    SegmentRules lines;
};

int64_t recognizerTimeLimitMs(const RecognizerCommand &command, int64_t audioMs);

// One line of the program's output. Blank lines give no word. False with a
// reason for anything but an object with a string "word" and numbers
// "start" <= "end" (seconds) starting inside the audio (one second of
// slack); times past the end are pulled back to it, a confidence outside
// 0..1 to its edge, and one left out counts as 0.
bool parseWordLine(const std::string &line, int64_t audioMs, std::vector<TimedWord> &words, std::string *error);

class ExternalRecognizer : public Recognizer {
public:
    explicit ExternalRecognizer(RecognizerCommand command);
    EngineResult recognize(const Audio &audio, const ProgressFn &progress, const CancelFn &cancel) override;

private:
    RecognizerCommand command_;
};

}  // namespace cw::engines
