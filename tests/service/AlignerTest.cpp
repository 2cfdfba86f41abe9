// The energy aligner: placement rules on made-up speech spans, and real
// generated speech with known sentence times.

#include "EnergyAligner.h"
#include "SpeechFixture.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

using namespace cw::service;

namespace {

void expectOrderedInside(const std::vector<TimeSpan> &placed, size_t lines, int64_t durationMs)
{
    ASSERT_EQ(placed.size(), lines);
    int64_t floor = 0;
    for (const TimeSpan &line : placed) {
        EXPECT_GE(line.startMs, floor);
        EXPECT_LT(line.startMs, line.endMs);
        EXPECT_LE(line.endMs, durationMs);
        floor = line.endMs;
    }
}

}  // namespace

TEST(EnergyAligner, PlacementKeepsEveryLineOrderedAndInside)
{
    struct Case {
        const char *name;
        std::vector<TimeSpan> speech;
        int64_t duration;
        std::vector<size_t> weights;
    } cases[] = {
        {"one line per span", {{1000, 3000}, {3500, 6000}, {7000, 9000}}, 10000, {10, 12, 9}},
        {"more lines than pauses", {{0, 5000}, {5400, 9000}}, 9000, {5, 5, 5, 5, 5}},
        {"more pauses than lines", {{0, 500}, {800, 1200}, {1500, 2000}, {2400, 3000}, {3300, 4000}}, 4000, {3, 3}},
        {"no speech found", {}, 3000, {1, 2, 3}},
        {"a line per millisecond", {{0, 10}}, 10, std::vector<size_t>(10, 1)},
        {"single line", {{200, 900}}, 1000, {40}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        expectOrderedInside(EnergyAligner::placeLines(c.speech, c.duration, c.weights), c.weights.size(), c.duration);
    }
}

TEST(EnergyAligner, BoundariesMoveIntoThePausesBetweenSentences)
{
    // Three sentences whose lengths mislead the proportional guess: the
    // boundaries still belong in the two pauses.
    const std::vector<TimeSpan> speech = {{1000, 2000}, {2600, 6000}, {6500, 7000}};
    const auto placed = EnergyAligner::placeLines(speech, 8000, {30, 30, 30});
    ASSERT_EQ(placed.size(), 3u);
    EXPECT_NEAR(placed[0].endMs, 2000, 60);
    EXPECT_NEAR(placed[1].startMs, 2600, 60);
    EXPECT_NEAR(placed[1].endMs, 6000, 60);
    EXPECT_NEAR(placed[2].startMs, 6500, 60);
}

TEST(EnergyAligner, CountsSpokenCharacters)
{
    EXPECT_EQ(EnergyAligner::spokenLength("a b  c"), 3u);
    EXPECT_EQ(EnergyAligner::spokenLength("你好，世界"), 5u);
    EXPECT_EQ(EnergyAligner::spokenLength("   "), 1u);  // never zero: every line needs some time
}

TEST(EnergyAligner, RefusesWhatCannotBeAlignedAndStopsWhenCancelled)
{
    std::vector<int16_t> samples(16000, 1000);
    const cw::engines::Audio audio{samples.data(), samples.size(), 16000};
    EnergyAligner aligner;
    EXPECT_EQ(aligner.align(audio, {}, {}, {}).status, cw::engines::EngineStatus::Error);
    EXPECT_EQ(aligner.align(audio, std::vector<std::string>(1001, "x"), {}, {}).status, cw::engines::EngineStatus::Error);
    std::vector<int16_t> longer(16000 * 600, 1000);
    const cw::engines::Audio longAudio{longer.data(), longer.size(), 16000};
    EXPECT_EQ(aligner.align(longAudio, {"a"}, {}, [] { return true; }).status, cw::engines::EngineStatus::Cancelled);
}

TEST(EnergyAligner, AlignsGeneratedSpeechWithinAFewFrames)
{
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    const auto sentences = cw::testing::standardSentences();
    cw::testing::SpeechFixture fixture;
    std::string error;
    ASSERT_TRUE(cw::testing::synthesizeSpeech(sentences, cw::testing::standardPauses(sentences.size()), work.path(),
                                              &fixture, &error))
        << error;
    // Low background noise, as in a quiet room.
    uint32_t seed = 1;
    for (int16_t &sample : fixture.samples) {
        seed = seed * 1664525u + 1013904223u;
        sample = int16_t(std::clamp(int(sample) + int(seed >> 24) - 128, -32768, 32767));
    }
    const cw::engines::Audio audio{fixture.samples.data(), fixture.samples.size(), 16000};
    EnergyAligner aligner;
    int progressCalls = 0;
    const auto result = aligner.align(audio, sentences, [&](int, int) { ++progressCalls; }, {});
    ASSERT_EQ(result.status, cw::engines::EngineStatus::Ok);
    ASSERT_EQ(result.lines.size(), sentences.size());
    EXPECT_GT(progressCalls, 0);
    for (size_t i = 0; i < sentences.size(); ++i) {
        EXPECT_EQ(result.lines[i].text, sentences[i]);
        EXPECT_NEAR(double(result.lines[i].startMs), double(fixture.sentences[i].startMs), 120) << i;
        EXPECT_NEAR(double(result.lines[i].endMs), double(fixture.sentences[i].endMs), 120) << i;
    }
}

TEST(SpeechActivity, ThresholdFollowsNoiseThatChangesOnTheWay)
{
    // A quiet minute of slow speech, then a minute of 2 s speech / 0.5 s
    // pause where the pauses hold noise far above the first minute's silence.
    std::vector<float> energies;
    for (int cycle = 0; cycle < 24; ++cycle) {
        energies.insert(energies.end(), 100, 70.0f);
        energies.insert(energies.end(), 150, 20.0f);
    }
    for (int cycle = 0; cycle < 24; ++cycle) {
        energies.insert(energies.end(), 200, 70.0f);
        energies.insert(energies.end(), 50, 48.0f);
    }
    const SpeechActivityOptions options;
    auto pausesInSecondMinute = [&](const std::vector<float> &thresholds) {
        int pauses = 0;
        const auto spans = speechSpans(energies, thresholds, options);
        for (size_t i = 1; i < spans.size(); ++i)
            pauses += spans[i].startMs > 60000 ? 1 : 0;
        return pauses;
    };
    const std::vector<float> global(energies.size(), speechThreshold(energies));
    EXPECT_EQ(pausesInSecondMinute(global), 0);
    EXPECT_GE(pausesInSecondMinute(localThresholds(energies, options.frameMs)), 15);
    // A steady recording keeps one threshold throughout.
    std::vector<float> steady;
    for (int cycle = 0; cycle < 48; ++cycle) {
        steady.insert(steady.end(), 200, 70.0f);
        steady.insert(steady.end(), 50, 20.0f);
    }
    const auto thresholds = localThresholds(steady, options.frameMs);
    EXPECT_EQ(*std::min_element(thresholds.begin(), thresholds.end()), *std::max_element(thresholds.begin(), thresholds.end()));
}
