// Figures of the service on this machine: alignment boundary error on
// generated speech, jobs per minute and real-time factor, and many
// concurrent large uploads with random cuts. Everything on 127.0.0.1.

#include "EnergyAligner.h"
#include "RawClient.h"
#include "ServiceProcess.h"
#include "SpeechFixture.h"

#include <voxlink.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

using namespace cw;
using Clock = std::chrono::steady_clock;

namespace {

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct BoundaryError {
    std::vector<double> errorsMs;
    void add(const std::vector<testing::SpokenSentence> &truth, const std::vector<engines::TimedLine> &lines)
    {
        for (size_t i = 0; i < truth.size() && i < lines.size(); ++i) {
            errorsMs.push_back(std::fabs(double(lines[i].startMs - truth[i].startMs)));
            errorsMs.push_back(std::fabs(double(lines[i].endMs - truth[i].endMs)));
        }
    }
    double mean() const
    {
        double sum = 0;
        for (double e : errorsMs)
            sum += e;
        return errorsMs.empty() ? 0 : sum / double(errorsMs.size());
    }
    double max() const { return errorsMs.empty() ? 0 : *std::max_element(errorsMs.begin(), errorsMs.end()); }
};

std::vector<std::string> secondSentences()
{
    return {"The train leaves at seven.", "Please keep your ticket with you.",
            "Food and drinks are sold in the middle car, next to the quiet zone.", "We will arrive in two hours.",
            "Enjoy your journey."};
}

void alignmentAccuracy(const QString &work)
{
    struct Case {
        const char *name;
        std::vector<std::string> sentences;
        std::vector<int> pauses;
    };
    const auto standard = testing::standardSentences();
    std::vector<Case> cases = {
        {"mixed pauses 300-900 ms", standard, testing::standardPauses(standard.size())},
        {"short pauses 260-340 ms", standard, {}},
        {"long pauses 800-1500 ms", standard, {}},
        {"second text, mixed", secondSentences(), testing::standardPauses(secondSentences().size())},
    };
    std::mt19937 random(7);
    for (size_t i = 0; i <= standard.size(); ++i) {
        cases[1].pauses.push_back(260 + int(random() % 80));
        cases[2].pauses.push_back(800 + int(random() % 700));
    }
    BoundaryError all;
    for (const Case &c : cases) {
        testing::SpeechFixture fixture;
        std::string error;
        if (!testing::synthesizeSpeech(c.sentences, c.pauses, work, &fixture, &error)) {
            std::printf("speech synthesis failed: %s\n", error.c_str());
            return;
        }
        engines::Audio audio{fixture.samples.data(), fixture.samples.size(), 16000};
        service::EnergyAligner aligner;
        const auto result = aligner.align(audio, c.sentences, {}, {});
        BoundaryError one;
        one.add(fixture.sentences, result.lines);
        all.add(fixture.sentences, result.lines);
        std::printf("  %-26s %2zu lines, %5.1f s audio: boundary error mean %6.1f ms, max %6.1f ms\n", c.name,
                    c.sentences.size(), double(audio.durationMs()) / 1000, one.mean(), one.max());
    }
    std::printf("alignment boundary error (all %zu boundaries): mean %.1f ms, max %.1f ms\n", all.errorsMs.size(),
                all.mean(), all.max());
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir work;
    if (!work.isValid())
        return 1;
    std::printf("== alignment accuracy (energy aligner, espeak-ng speech)\n");
    alignmentAccuracy(work.path());
    return 0;
}
