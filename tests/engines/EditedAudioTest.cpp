// Speech edges in edited audio: lines cut, room tone and all, into digital
// silence. The room tone is background, not speech, whether zeros or more
// room tone lie beyond it.

#include "Engines.h"
#include "NoiseFloor.h"
#include "VoiceActivity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <random>

using namespace cw::engines;

namespace {

constexpr double kPi = 3.14159265358979323846;

double rmsForDb(double db) { return std::sqrt(std::pow(10.0, db / 10.0) - 1.0); }

// Builds a test signal piece by piece; remembers where the bursts lie.
class Signal {
public:
    explicit Signal(double noiseDb) : noise_(0, rmsForDb(noiseDb)) {}

    void zeros(int64_t ms) { samples.insert(samples.end(), size_t(ms) * 16, int16_t(0)); }
    void roomTone(int64_t ms) {
        for (int64_t i = 0; i < ms * 16; ++i)
            samples.push_back(clip(noise_(random_)));
    }
    // Voiced speech-like sound in the same noise: a gliding 120-170 Hz buzz
    // rich in harmonics, swelling four times a second like syllables.
    void burst(int64_t ms, double amplitude = 2500) {
        const int64_t start = int64_t(samples.size()) / 16;
        for (int64_t i = 0; i < ms * 16; ++i) {
            const double t = double(i) / 16000;
            const double pitch = 145 + 25 * std::sin(2 * kPi * 0.7 * t);
            phase_ += 2 * kPi * pitch / 16000;
            const double envelope = 0.65 + 0.35 * std::sin(2 * kPi * 4 * t);
            double v = 0;
            for (int h = 1; h <= 20; ++h)
                v += amplitude / h * std::sin(h * phase_);
            samples.push_back(clip(envelope * v + noise_(random_)));
        }
        bursts.push_back({start, int64_t(samples.size()) / 16});
    }

    std::vector<int16_t> samples;
    std::vector<Span> bursts;

private:
    static int16_t clip(double v) { return int16_t(std::clamp(std::lround(v), -32768L, 32767L)); }
    std::mt19937 random_{3};
    std::normal_distribution<double> noise_;
    double phase_ = 0;
};

enum class Edit {
    Unedited,  // room tone throughout
    Spliced,   // each line with its room tone, cut into digital silence
    Gated,     // the speech alone cut into digital silence
};

Signal twoLines(double noiseDb, Edit edit) {
    Signal s(noiseDb);
    auto between = [&](int64_t ms) { edit == Edit::Unedited ? s.roomTone(ms) : s.zeros(ms); };
    auto tone = [&](int64_t ms) { edit == Edit::Gated ? s.zeros(ms) : s.roomTone(ms); };
    between(400);
    tone(250);
    s.burst(1200);
    tone(300);
    between(350);
    tone(200);
    s.burst(900);
    tone(280);
    between(400);
    return s;
}

const char *nameOf(Edit edit) {
    return edit == Edit::Unedited ? "unedited" : edit == Edit::Spliced ? "spliced" : "gated";
}

bool readPcmWav(const std::string &path, std::vector<int16_t> &samples) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (size_t pos = 12; pos + 8 <= bytes.size();) {
        uint32_t size = 0;
        std::memcpy(&size, &bytes[pos + 4], 4);
        if (std::memcmp(&bytes[pos], "data", 4) == 0) {
            samples.resize(std::min<size_t>(size, bytes.size() - pos - 8) / 2);
            std::memcpy(samples.data(), &bytes[pos + 8], samples.size() * 2);
            return !samples.empty();
        }
        pos += 8 + size + (size & 1);
    }
    return false;
}

}  // namespace

TEST(NoiseFloor, RoomToneBesideTheCutsIsTheBackground) {
    for (const double noiseDb : {30.0, 45.0}) {
        for (const Edit edit : {Edit::Spliced, Edit::Gated, Edit::Unedited}) {
            const std::string name = std::to_string(int(noiseDb)) + " dB, " + nameOf(edit);
            const Signal s = twoLines(noiseDb, edit);
            const FrameLevels levels = measureFrames(s.samples.data(), s.samples.size(), 160);
            ASSERT_EQ(levels.db.size(), s.samples.size() / 160);
            EXPECT_EQ(levels.digitalSilence[0], edit != Edit::Unedited) << name;

            // Over a third of the spliced signal is zeros: a quantile over
            // all frames would put the floor at 0 dB, under the room tone.
            // Gated speech has no room tone; its background is the zeros.
            const std::vector<double> floorDb = localNoiseFloor(levels);
            const double expected = edit == Edit::Gated ? 0.0 : noiseDb;
            for (size_t f = 0; f < floorDb.size(); f += 37)
                EXPECT_NEAR(floorDb[f], expected, 3) << name << ", frame " << f;

            const std::vector<uint8_t> loud = framesAboveFloor(levels, floorDb, 9, 30);
            for (size_t f = 0; f < loud.size(); ++f) {
                const int64_t ms = int64_t(f) * 10;
                bool inside = false, near = false;
                for (const Span &b : s.bursts) {
                    inside = inside || (ms >= b.startMs + 10 && ms + 10 <= b.endMs - 10);
                    near = near || (ms + 10 > b.startMs - 10 && ms < b.endMs + 10);
                }
                if (inside) {
                    EXPECT_TRUE(loud[f]) << name << ", " << ms << " ms";
                } else if (!near) {
                    EXPECT_FALSE(loud[f]) << name << ", " << ms << " ms";
                }
            }
        }
    }
    // One LSB of dither is digital silence too; the quietest real noise is not.
    const std::vector<int16_t> dither = {1, -1, 0, 1, 0, 0, -1, 1};
    EXPECT_TRUE(measureFrames(dither.data(), dither.size(), 8).digitalSilence[0]);
    const std::vector<int16_t> hiss = {3, -2, 1, 2, -3, 0, 2, -1};
    EXPECT_FALSE(measureFrames(hiss.data(), hiss.size(), 8).digitalSilence[0]);
}

TEST(NoiseFloor, CutBordersTellRoomToneFromSpeech) {
    const Signal spliced = twoLines(40, Edit::Spliced), gated = twoLines(40, Edit::Gated);
    const FrameLevels toned = measureFrames(spliced.samples.data(), spliced.samples.size(), 160);
    const FrameLevels bare = measureFrames(gated.samples.data(), gated.samples.size(), 160);
    const std::vector<CutBorder> tonedBorders = cutBorders(toned), bareBorders = cutBorders(bare);
    // Both signals begin and end in zeros: four borders each, two per cut
    // between the lines and one at either end.
    ASSERT_EQ(tonedBorders.size(), 4u);
    ASSERT_EQ(bareBorders.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(tonedBorders[i].medianDb, 40, 2) << i;
        EXPECT_GT(bareBorders[i].medianDb, 55) << i;
    }
    // A dropout shorter than a cut is not an edit.
    std::vector<int16_t> dropout = spliced.samples;
    std::fill(dropout.begin() + 16 * 1000, dropout.begin() + 16 * 1030, int16_t(0));
    EXPECT_EQ(cutBorders(measureFrames(dropout.data(), dropout.size(), 160)).size(), 4u);
}

TEST(NoiseFloor, FollowsTheBackgroundAlongTheRecording) {
    // A quiet room for half a minute, a noisy one for the next.
    Signal quiet(30), noisy(50);
    for (int i = 0; i < 6; ++i) {
        quiet.roomTone(1000);
        quiet.burst(4000, 4000);
        noisy.roomTone(1000);
        noisy.burst(4000, 4000);
    }
    std::vector<int16_t> all = quiet.samples;
    all.insert(all.end(), noisy.samples.begin(), noisy.samples.end());
    const FrameLevels levels = measureFrames(all.data(), all.size(), 160);
    FloorOptions options;
    options.windowFrames = 1000;
    options.stepFrames = 50;
    const std::vector<double> floorDb = localNoiseFloor(levels, options);
    EXPECT_NEAR(floorDb[1000], 30, 3);
    EXPECT_NEAR(floorDb[floorDb.size() - 1000], 50, 3);

    EXPECT_TRUE(localNoiseFloor(FrameLevels{}).empty());
    const std::vector<int16_t> zeros(16000, 0);
    const FrameLevels silent = measureFrames(zeros.data(), zeros.size(), 160);
    for (double v : localNoiseFloor(silent))
        EXPECT_EQ(v, 0.0);
    for (uint8_t v : framesAboveFloor(silent, localNoiseFloor(silent), 9, 30))
        EXPECT_FALSE(v);
}

TEST(VoiceActivity, SpeechEdgesSitOnTheSpeechNotTheRoomTone) {
    for (const double noiseDb : {30.0, 45.0}) {
        for (const Edit edit : {Edit::Spliced, Edit::Gated, Edit::Unedited}) {
            const Signal s = twoLines(noiseDb, edit);
            const std::vector<Span> speech =
                findSpeech(detectSpeechFrames(s.samples.data(), s.samples.size()), 100);
            const std::string name = std::to_string(int(noiseDb)) + " dB, " + nameOf(edit);
            ASSERT_EQ(speech.size(), s.bursts.size()) << name;
            for (size_t i = 0; i < speech.size(); ++i) {
                EXPECT_NEAR(double(speech[i].startMs), double(s.bursts[i].startMs), 30) << name << ", line " << i;
                EXPECT_NEAR(double(speech[i].endMs), double(s.bursts[i].endMs), 30) << name << ", line " << i;
            }
        }
    }
}

TEST(Alignment, EditedRecordingHasItsEdgesOnTheWords) {
    // Three read clips whole, room tone included, cut into digital silence.
    // Where the reader starts and stops in each file (three 10 ms frames in
    // a row 8 dB above its room tone), in ms; 200-420 ms of room tone lie
    // on either side, so edges on the room tone miss by at least 200 ms.
    const std::string folder = "/usr/share/pocketsphinx/test/data/librivox/sense_and_sensibility_01_austen_64kb-";
    const struct {
        const char *id;
        int64_t speechStartMs, speechEndMs;
        const char *text;
    } clips[] = {
        {"0880", 260, 2790, "He was not an ill-disposed young man,"},
        {"0890", 290, 4990, "unless to be rather cold-hearted and rather selfish is to be ill-disposed."},
        {"0930", 280, 2870, "He might even have been made amiable himself."},
    };
    std::vector<int16_t> samples(16 * 300, 0);
    std::vector<std::string> lines;
    std::vector<Span> truth;
    for (const auto &c : clips) {
        std::vector<int16_t> clip;
        if (!readPcmWav(folder + c.id + ".wav", clip))
            GTEST_SKIP() << "pocketsphinx-testdata is not installed";
        const int64_t at = int64_t(samples.size()) / 16;
        samples.insert(samples.end(), clip.begin(), clip.end());
        samples.insert(samples.end(), 16 * 350, 0);
        truth.push_back({at + c.speechStartMs, at + c.speechEndMs});
        lines.push_back(c.text);
    }
    const EngineResult r = makeSpeechAligner()->align({samples.data(), samples.size(), 16000}, lines, {}, {});
    ASSERT_EQ(r.status, EngineStatus::Ok) << r.message;
    ASSERT_EQ(r.lines.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_NEAR(double(r.lines[i].startMs), double(truth[i].startMs), 120) << i;
        EXPECT_NEAR(double(r.lines[i].endMs), double(truth[i].endMs), 120) << i;
    }
}
