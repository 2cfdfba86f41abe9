// The engines on real sound: the detector on tone and silence, alignment of
// a short generated recording, recognition of a real read clip.

#include "DtwAligner.h"
#include "Engines.h"
#include "Resampler.h"
#include "SpeechSynthesizer.h"
#include "VoiceActivity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <thread>

using namespace cw::engines;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Quiet noise everywhere, with a voiced sound (a 140 Hz buzz rich in
// harmonics, like a vowel) in [onMs, offMs).
std::vector<int16_t> buzzInNoise(int64_t totalMs, const std::vector<std::pair<int64_t, int64_t>> &voiced) {
    std::mt19937 random(5);
    std::normal_distribution<double> noise(0, 20);
    std::vector<int16_t> out(size_t(totalMs) * 16);
    for (size_t i = 0; i < out.size(); ++i) {
        double v = noise(random);
        const int64_t ms = int64_t(i) / 16;
        for (auto [on, off] : voiced)
            if (ms >= on && ms < off)
                for (int h = 1; h <= 20; ++h)
                    v += 3000.0 / h * std::sin(2 * kPi * 140 * h * double(i) / 16000);
        out[i] = int16_t(std::clamp(v, -32768.0, 32767.0));
    }
    return out;
}

bool readPcmWav(const std::string &path, std::vector<int16_t> &samples) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (size_t pos = 12; pos + 8 <= bytes.size();) {
        const uint32_t size = uint32_t(uint8_t(bytes[pos + 4])) | uint32_t(uint8_t(bytes[pos + 5])) << 8 |
                              uint32_t(uint8_t(bytes[pos + 6])) << 16 | uint32_t(uint8_t(bytes[pos + 7])) << 24;
        if (std::string(&bytes[pos], 4) == "data") {
            const size_t n = std::min<size_t>(size, bytes.size() - pos - 8) / 2;
            samples.resize(n);
            std::memcpy(samples.data(), &bytes[pos + 8], n * 2);
            return true;
        }
        pos += 8 + size + (size & 1);
    }
    return false;
}

struct Fixture {
    std::vector<int16_t> samples;
    std::vector<std::string> lines;
    std::vector<std::pair<int64_t, int64_t>> truth;
};

// The lines spoken one after another with the given pauses, in room noise.
Fixture spoken(const std::vector<std::string> &lines, const std::vector<int64_t> &pausesMs) {
    Fixture f;
    f.lines = lines;
    std::mt19937 random(9);
    std::normal_distribution<double> noise(0, 15);
    auto pad = [&](int64_t ms) {
        for (int64_t i = 0; i < ms * 16; ++i)
            f.samples.push_back(int16_t(noise(random)));
    };
    SpeechSynthesizer voice;
    voice.setSpeaker("f3", 150);  // not the aligner's own rendering
    pad(400);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::vector<int16_t> speech = voice.speak(lines[i], Script::Latin, {});
        const int64_t start = int64_t(f.samples.size()) / 16;
        for (int16_t s : speech)
            f.samples.push_back(int16_t(std::clamp(s * 0.7 + noise(random), -32768.0, 32767.0)));
        f.truth.emplace_back(start, int64_t(f.samples.size()) / 16);
        pad(i < pausesMs.size() ? pausesMs[i] : 400);
    }
    return f;
}

void expectOrdered(const std::vector<TimedLine> &lines, size_t count, int64_t audioMs) {
    ASSERT_EQ(lines.size(), count);
    int64_t previous = 0;
    for (const TimedLine &l : lines) {
        EXPECT_GE(l.startMs, previous);
        EXPECT_LT(l.startMs, l.endMs);
        EXPECT_LE(l.endMs, audioMs);
        previous = l.endMs;
    }
}

}  // namespace

TEST(VoiceActivity, FindsTheBuzzAndTheSilenceAroundIt) {
    const std::vector<int16_t> audio = buzzInNoise(3000, {{700, 1500}, {1800, 2400}});
    const std::vector<uint8_t> frames = detectSpeechFrames(audio.data(), audio.size());
    ASSERT_EQ(frames.size(), 300u);
    const std::vector<Span> pauses = findPauses(frames, 100);
    ASSERT_EQ(pauses.size(), 3u);
    const std::pair<int64_t, int64_t> expected[] = {{0, 700}, {1500, 1800}, {2400, 3000}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(double(pauses[i].startMs), double(expected[i].first), 40) << i;
        EXPECT_NEAR(double(pauses[i].endMs), double(expected[i].second), 40) << i;
    }
    const std::vector<Span> speech = findSpeech(frames, 100);
    ASSERT_EQ(speech.size(), 2u);
    EXPECT_NEAR(double(speech[1].startMs), 1800, 40);
}

TEST(VoiceActivity, SilenceHasNoSpeech) {
    const std::vector<int16_t> quiet = buzzInNoise(1000, {});
    const std::vector<uint8_t> frames = detectSpeechFrames(quiet.data(), quiet.size());
    EXPECT_TRUE(findSpeech(frames, 100).empty());
    const std::vector<int16_t> digitalSilence(16000, 0);
    EXPECT_TRUE(findSpeech(detectSpeechFrames(digitalSilence.data(), digitalSilence.size()), 100).empty());
}

TEST(Resampler, KeepsPitchAndLevel) {
    std::vector<int16_t> tone(22050);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = int16_t(10000 * std::sin(2 * kPi * 1000 * double(i) / 22050));
    const std::vector<int16_t> out = Resampler(22050, 16000).convert(tone);
    EXPECT_NEAR(double(out.size()), 16000, 1);
    int crossings = 0;
    double peak = 0;
    for (size_t i = 1000; i < 15000; ++i) {
        crossings += (out[i - 1] < 0) != (out[i] < 0);
        peak = std::max(peak, std::fabs(double(out[i])));
    }
    EXPECT_NEAR(crossings, 2 * 1000 * 14000 / 16000, 2);
    EXPECT_NEAR(peak, 10000, 300);
}

TEST(Alignment, PutsLinesOnTheSpeech) {
    const Fixture f = spoken({"The harbour was quiet in the evening.", "She folded the letter twice.",
                              "Nobody expected the bridge to open so soon.", "We walked along the river."},
                             {450, 150, 300});
    Audio audio{f.samples.data(), f.samples.size(), 16000};
    int lastDone = -1, lastTotal = 0;
    const EngineResult r = makeSpeechAligner()->align(
        audio, f.lines, [&](int done, int total) { lastDone = done, lastTotal = total; }, {});
    ASSERT_EQ(r.status, EngineStatus::Ok) << r.message;
    expectOrdered(r.lines, f.lines.size(), audio.durationMs());
    for (size_t i = 0; i < f.lines.size(); ++i) {
        EXPECT_EQ(r.lines[i].text, f.lines[i]);
        EXPECT_NEAR(double(r.lines[i].startMs), double(f.truth[i].first), 150) << i;
        EXPECT_NEAR(double(r.lines[i].endMs), double(f.truth[i].second), 150) << i;
    }
    EXPECT_EQ(lastDone, lastTotal);
}

TEST(Alignment, WrongTranscriptStillGivesOrderedLinesAndAWarning) {
    const Fixture f = spoken({"The harbour was quiet in the evening.", "She folded the letter twice.",
                              "Nobody expected the bridge to open so soon."},
                             {400, 400});
    Audio audio{f.samples.data(), f.samples.size(), 16000};
    // Another text altogether, three times as long as what is said.
    const std::vector<std::string> wrong = {
        "A small dog followed them from the market.", "Please remember to close the kitchen door.",
        "一二三四五六七八九十", "。", "The committee will meet again on Thursday.",
        "He said the train was late because of snow.", "The old library has a thousand books about the sea.",
        "They finished the painting just before dinner.", "今天天气很好，我们一起去公园散步吧。"};
    const EngineResult r = makeSpeechAligner()->align(audio, wrong, {}, {});
    ASSERT_EQ(r.status, EngineStatus::Ok) << r.message;
    expectOrdered(r.lines, wrong.size(), audio.durationMs());
    bool warned = false;
    for (const std::string &note : r.notes)
        warned = warned || note.find("warning") != std::string::npos;
    EXPECT_TRUE(warned) << r.notes.front();
}

TEST(Alignment, OddInputStillGivesOrderedLines) {
    const Fixture f = spoken({"The harbour was quiet in the evening.", "She folded the letter twice."}, {400});
    const std::vector<int16_t> silence(16000 * 2, 0);
    struct Case {
        const char *name;
        const std::vector<int16_t> &audio;
        std::vector<std::string> lines;
        const char *warning;  // part of a note that must appear, or null
    } cases[] = {
        {"only silence", silence, {"one line", "two lines"}, "warning"},
        {"nothing to pronounce", f.samples, {"。", "……", "The harbour was quiet.", "♪"}, nullptr},
        {"far more text than audio", f.samples,
         std::vector<std::string>(40, "Nobody expected the bridge to open before the end of the summer."),
         "far longer"},
    };
    AlignerOptions options;
    options.maxSpeechExcessMs = 0;  // three times the audio at most
    for (const Case &c : cases) {
        Audio audio{c.audio.data(), c.audio.size(), 16000};
        const EngineResult r = DtwAligner(options).align(audio, c.lines, {}, {});
        ASSERT_EQ(r.status, EngineStatus::Ok) << c.name << ": " << r.message;
        expectOrdered(r.lines, c.lines.size(), audio.durationMs());
        if (c.warning) {
            bool found = false;
            for (const std::string &note : r.notes)
                found = found || note.find(c.warning) != std::string::npos;
            EXPECT_TRUE(found) << c.name;
        }
    }
}

TEST(Alignment, RefusesWhatCannotBeAligned) {
    const std::vector<int16_t> tiny(16, 0);  // 1 ms
    const EngineResult r = makeSpeechAligner()->align({tiny.data(), tiny.size(), 16000}, {"a", "b"}, {}, {});
    EXPECT_EQ(r.status, EngineStatus::Error);
    EXPECT_FALSE(r.message.empty());
    const std::vector<int16_t> second(16000, 0);
    EXPECT_EQ(makeSpeechAligner()->align({second.data(), second.size(), 8000}, {"a"}, {}, {}).status,
              EngineStatus::Error);
    const EngineResult cancelled =
        makeSpeechAligner()->align({second.data(), second.size(), 16000}, {"a", "b"}, {}, [] { return true; });
    EXPECT_EQ(cancelled.status, EngineStatus::Cancelled);
}

TEST(Recognition, HearsTheWordsOfARealClip) {
    std::vector<int16_t> clip;
    const std::string path =
        "/usr/share/pocketsphinx/test/data/librivox/sense_and_sensibility_01_austen_64kb-0880.wav";
    if (!readPcmWav(path, clip))
        GTEST_SKIP() << "pocketsphinx-testdata is not installed";
    std::string error;
    auto recognizer = makeSpeechRecognizer({}, &error);
    ASSERT_TRUE(recognizer) << error;
    Audio audio{clip.data(), clip.size(), 16000};
    const EngineResult r = recognizer->recognize(audio, {}, {});  // "he was not an ill disposed young man"
    ASSERT_EQ(r.status, EngineStatus::Ok) << r.message;
    expectOrdered(r.lines, r.lines.size(), audio.durationMs());
    ASSERT_FALSE(r.lines.empty());
    std::string all;
    for (const TimedLine &l : r.lines)
        all += l.text + " ";
    EXPECT_EQ(all.rfind("He was not", 0), 0u) << all;
    EXPECT_NE(all.find("young man"), std::string::npos) << all;
    // The same decoder serves the next job.
    EXPECT_EQ(recognizer->recognize(audio, {}, {}).lines.size(), r.lines.size());

    // Speech the English model cannot know is heard as some English words
    // all the same, but with less confidence.
    auto meanConfidence = [](const EngineResult &result) {
        double sum = 0;
        for (const TimedLine &l : result.lines) {
            EXPECT_GE(l.confidence, 0.0);
            EXPECT_LE(l.confidence, 1.0);
            sum += l.confidence;
        }
        return result.lines.empty() ? 0.0 : sum / double(result.lines.size());
    };
    const std::vector<int16_t> mandarin =
        SpeechSynthesizer().speak("今天天气很好，我们一起去公园散步吧。", Script::Han, {});
    const EngineResult foreign = recognizer->recognize({mandarin.data(), mandarin.size(), 16000}, {}, {});
    ASSERT_EQ(foreign.status, EngineStatus::Ok) << foreign.message;
    const double english = meanConfidence(r), other = meanConfidence(foreign);
    EXPECT_GT(english, 0.6);
    EXPECT_LT(other, english - 0.2) << "English " << english;
}

TEST(Recognition, TimesFollowTheSpeechAcrossUtterances) {
    std::vector<int16_t> first, second;
    const std::string folder = "/usr/share/pocketsphinx/test/data/librivox/sense_and_sensibility_01_austen_64kb-";
    if (!readPcmWav(folder + "0880.wav", first) || !readPcmWav(folder + "0930.wav", second))
        GTEST_SKIP() << "pocketsphinx-testdata is not installed";
    // "he was not an ill disposed young man", a second of quiet, "he might
    // even have been made amiable himself", quiet again, the first once more.
    std::vector<int16_t> audio = first;
    const int64_t secondStartMs = int64_t(audio.size() + 16000) / 16;
    audio.resize(audio.size() + 16000, 0);
    audio.insert(audio.end(), second.begin(), second.end());
    const int64_t thirdStartMs = int64_t(audio.size() + 16000) / 16;
    audio.resize(audio.size() + 16000, 0);
    audio.insert(audio.end(), first.begin(), first.end());

    auto recognizer = makeSpeechRecognizer();
    ASSERT_TRUE(recognizer);
    const Audio in{audio.data(), audio.size(), 16000};
    const EngineResult r = recognizer->recognize(in, {}, {});
    ASSERT_EQ(r.status, EngineStatus::Ok) << r.message;
    expectOrdered(r.lines, r.lines.size(), in.durationMs());
    // Every utterance's words land inside it, the later ones included.
    bool sawSecond = false, sawThird = false;
    for (const TimedLine &l : r.lines) {
        if (l.text.find("might") != std::string::npos) {
            sawSecond = true;
            EXPECT_GE(l.startMs, secondStartMs - 200) << l.text;
            EXPECT_LE(l.endMs, thirdStartMs) << l.text;
        }
        if (l.startMs >= thirdStartMs - 200)
            sawThird = true;
        EXPECT_GE(l.endMs - l.startMs, 300) << l.text;
    }
    EXPECT_TRUE(sawSecond);
    EXPECT_TRUE(sawThird);
}

TEST(Engines, WorkersRunSideBySide) {
    const Fixture f = spoken({"The harbour was quiet in the evening.", "She folded the letter twice."}, {400});
    std::vector<int16_t> clip;
    const bool haveClip = readPcmWav(
        "/usr/share/pocketsphinx/test/data/librivox/sense_and_sensibility_01_austen_64kb-0880.wav", clip);
    const Audio speech{f.samples.data(), f.samples.size(), 16000};
    const EngineResult alone = makeSpeechAligner()->align(speech, f.lines, {}, {});
    std::string heard;
    if (haveClip)
        for (const TimedLine &l : makeSpeechRecognizer()->recognize({clip.data(), clip.size(), 16000}, {}, {}).lines)
            heard += l.text;

    // Two workers of each kind at once give what one gives alone.
    std::vector<EngineResult> aligned(2);
    std::vector<std::string> recognised(2);
    std::vector<std::thread> workers;
    for (int w = 0; w < 2; ++w) {
        workers.emplace_back([&, w] { aligned[size_t(w)] = makeSpeechAligner()->align(speech, f.lines, {}, {}); });
        if (haveClip)
            workers.emplace_back([&, w] {
                auto recognizer = makeSpeechRecognizer();
                for (const TimedLine &l : recognizer->recognize({clip.data(), clip.size(), 16000}, {}, {}).lines)
                    recognised[size_t(w)] += l.text;
            });
    }
    for (std::thread &t : workers)
        t.join();
    for (int w = 0; w < 2; ++w) {
        ASSERT_EQ(aligned[size_t(w)].lines.size(), alone.lines.size());
        for (size_t i = 0; i < alone.lines.size(); ++i) {
            EXPECT_EQ(aligned[size_t(w)].lines[i].startMs, alone.lines[i].startMs);
            EXPECT_EQ(aligned[size_t(w)].lines[i].endMs, alone.lines[i].endMs);
        }
        EXPECT_EQ(recognised[size_t(w)], heard);
    }
}

TEST(Recognition, MissingModelIsReported) {
    std::string error;
    EngineConfig config;
    config.englishModelDir = "/nonexistent";
    EXPECT_EQ(makeSpeechRecognizer(config, &error), nullptr);
    EXPECT_NE(error.find("/nonexistent"), std::string::npos);
}
