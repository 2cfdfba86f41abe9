// Accuracy and speed of the service's speech engines on speech with known
// line boundaries. Prints every figure. Options: --quick skips the one-hour
// alignment, --hour-only runs just that, --detail lists lines off by more
// than 80 ms, --words shows what the recogniser heard.

#include "BenchMaterial.h"
#include "Engines.h"
#include "SegmentationFigures.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>
#include <cstdio>
#include <sstream>
#include <ctime>
#include <sys/resource.h>

using namespace cw::engines;

namespace {

bool gDetail = false;
const QString kLibrivox = "/usr/share/pocketsphinx/test/data/librivox";

const QStringList kEnglishSentences = {
    "The harbour was quiet when the first boats came back in the evening.",
    "She folded the letter twice and put it in the drawer beside the window.",
    "Nobody expected the bridge to open before the end of the summer.",
    "We walked along the river until the lights of the town were behind us.",
    "The committee will meet again on Thursday to discuss the new budget.",
    "He said the train was late because of snow on the northern line.",
    "A small dog followed them all the way from the market to the station.",
    "Please remember to close the door when you leave the kitchen.",
    "The old library has more than a thousand books about the sea.",
    "They finished the painting just before the guests arrived for dinner.",
};

const QStringList kMandarinSentences = {
    "今天天气很好，我们一起去公园散步吧。",
    "这本书讲的是一个年轻人离开家乡的故事。",
    "请把窗户关上，外面的风太大了。",
    "他每天早上七点起床，然后去跑步。",
    "我们明天下午在图书馆门口见面。",
    "这家饭店的菜又便宜又好吃。",
    "孩子们在操场上高兴地踢足球。",
    "火车因为下雪晚点了两个小时。",
    "她给妈妈打电话，说周末不回家了。",
    "老师让我们把作业写完再出去玩。",
};

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double cpuNow() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

long peakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

bool validOrder(const std::vector<TimedLine> &lines, size_t expected, int64_t audioMs) {
    if (lines.size() != expected)
        return false;
    int64_t previous = 0;
    for (const TimedLine &l : lines) {
        if (l.startMs < previous || l.endMs <= l.startMs || l.endMs > audioMs)
            return false;
        previous = l.endMs;
    }
    return true;
}

// White noise over the whole recording at the given speech-to-noise ratio.
TestSet withNoise(TestSet set, double snrDb) {
    double speechPower = 0;
    size_t speechSamples = 0;
    for (const LineTruth &t : set.truth)
        for (int64_t i = t.startMs * 16; i < t.endMs * 16; ++i) {
            speechPower += double(set.samples[size_t(i)]) * set.samples[size_t(i)];
            ++speechSamples;
        }
    const double rms = std::sqrt(speechPower / double(std::max<size_t>(1, speechSamples)) / std::pow(10, snrDb / 10));
    std::mt19937 random(77);
    std::normal_distribution<double> noise(0, rms);
    for (int16_t &s : set.samples)
        s = int16_t(std::clamp(std::lround(s + noise(random)), -32768L, 32767L));
    return set;
}

struct AlignmentFigures {
    double meanMs = 0, maxMs = 0, rtf = 0, cpuRtf = 0, meanConfidence = 0;
    bool valid = false;
};

AlignmentFigures alignAndScore(Aligner &aligner, const TestSet &set) {
    AlignmentFigures f;
    Audio audio{set.samples.data(), set.samples.size(), 16000};
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = cpuNow();
    const EngineResult r = aligner.align(audio, set.lines, {}, {});
    f.rtf = seconds(start) / set.durationSeconds();
    f.cpuRtf = (cpuNow() - cpuStart) / set.durationSeconds();
    f.valid = r.status == EngineStatus::Ok && validOrder(r.lines, set.lines.size(), audio.durationMs());
    if (!f.valid) {
        std::printf("  %s: FAILED (%s)\n", set.name.c_str(), r.message.c_str());
        return f;
    }
    double sum = 0;
    for (size_t i = 0; i < r.lines.size(); ++i) {
        const double a = std::fabs(double(r.lines[i].startMs - set.truth[i].startMs));
        const double b = std::fabs(double(r.lines[i].endMs - set.truth[i].endMs));
        if (gDetail && std::max(a, b) > 80)
            std::printf("    line %zu: true %lld-%lld, got %lld-%lld\n", i, (long long)set.truth[i].startMs,
                        (long long)set.truth[i].endMs, (long long)r.lines[i].startMs, (long long)r.lines[i].endMs);
        sum += a + b;
        f.maxMs = std::max({f.maxMs, a, b});
        f.meanConfidence += r.lines[i].confidence / double(r.lines.size());
    }
    f.meanMs = sum / double(2 * r.lines.size());
    std::printf("  %-36s %4zu lines %6.1f s  error mean %5.1f ms  max %4.0f ms  RTF %.4f (cpu %.4f)  conf %.2f\n",
                set.name.c_str(), set.lines.size(), set.durationSeconds(), f.meanMs, f.maxMs, f.rtf, f.cpuRtf,
                f.meanConfidence);
    return f;
}

std::vector<std::string> wordsOf(const std::string &text) {
    std::vector<std::string> words;
    std::string cleaned;
    for (char c : text)
        cleaned += std::isalpha(static_cast<unsigned char>(c)) || c == '\'' ? char(std::tolower(c)) : ' ';
    std::istringstream in(cleaned);
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

size_t editDistance(const std::vector<std::string> &a, const std::vector<std::string> &b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[b.size()];
}

void recognitionFigures(Recognizer &recognizer, const std::string &name,
                        const std::vector<std::pair<std::vector<int16_t>, std::string>> &clips, bool show) {
    size_t errors = 0, referenceWords = 0, lines = 0;
    double audioSeconds = 0, elapsed = 0, cpu = 0, confidence = 0;
    for (const auto &[samples, text] : clips) {
        Audio audio{samples.data(), samples.size(), 16000};
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = cpuNow();
        const EngineResult r = recognizer.recognize(audio, {}, {});
        elapsed += seconds(start);
        cpu += cpuNow() - cpuStart;
        audioSeconds += double(samples.size()) / 16000;
        std::string hypothesis;
        for (const TimedLine &l : r.lines) {
            hypothesis += l.text + " ";
            confidence += l.confidence;
        }
        lines += r.lines.size();
        const auto ref = wordsOf(text);
        errors += editDistance(ref, wordsOf(hypothesis));
        referenceWords += ref.size();
        if (show)
            std::printf("    ref: %s\n    hyp: %s\n", text.c_str(), hypothesis.c_str());
    }
    char wer[48] = "WER -";  // no English words to compare with
    if (referenceWords)
        std::snprintf(wer, sizeof wer, "WER %5.1f %% (%zu/%zu)", 100.0 * double(errors) / double(referenceWords),
                      errors, referenceWords);
    std::printf("  %-34s %s  RTF %.3f (cpu %.3f) over %.1f s  conf %.2f\n", name.c_str(), wer,
                elapsed / audioSeconds, cpu / audioSeconds, audioSeconds, confidence / double(std::max<size_t>(1, lines)));
}

void alignmentFigures(Aligner &aligner, const std::vector<Clip> &librivox, const std::vector<Clip> &flite,
                      const std::vector<Clip> &mandarin) {
    std::printf("Alignment (boundary error = |start - true start| and |end - true end| of every line)\n");
    const std::vector<TestSet> sets = {
        joinClips("LibriVox, run together (100-190 ms)", librivox, 3, 100, 190, 1),
        joinClips("LibriVox, clear pauses (300-600 ms)", librivox, 3, 300, 600, 2),
        joinClips("LibriVox, run together, room tone", librivox, 3, 100, 190, 11, GapFill::RoomTone),
        joinClips("LibriVox, clear pauses, room tone", librivox, 3, 300, 600, 12, GapFill::RoomTone),
        joinClips("LibriVox, nearly joined (30-100 ms)", librivox, 3, 30, 100, 13, GapFill::RoomTone),
        withNoise(joinClips("LibriVox, run together, 15 dB SNR", librivox, 3, 100, 190, 14, GapFill::RoomTone), 15),
        joinClips("flite, run together (100-190 ms)", flite, 1, 100, 190, 3),
        joinClips("flite, clear pauses (300-600 ms)", flite, 1, 300, 600, 4),
        joinClips("Mandarin, run together (100-190 ms)", mandarin, 1, 100, 190, 5),
        joinClips("Mandarin, clear pauses (300-600 ms)", mandarin, 1, 300, 600, 6),
        spliceClips("LibriVox, spliced (zeros 200-500 ms)", librivox, 3, 200, 500, 15),
        joinClips("LibriVox, gated (zeros 200-500 ms)", librivox, 3, 200, 500, 16, GapFill::DigitalSilence),
    };
    for (const TestSet &set : sets)
        alignAndScore(aligner, set);

    // The wrong transcript for the audio: still a result in order, and a warning.
    TestSet wrong = sets[1];
    wrong.lines.clear();
    for (const QString &s : kEnglishSentences)
        wrong.lines.push_back(s.toStdString());
    Audio audio{wrong.samples.data(), wrong.samples.size(), 16000};
    const EngineResult r = aligner.align(audio, wrong.lines, {}, {});
    std::printf("  mismatched transcript: status %s, order %s, notes: %s | %s\n",
                r.status == EngineStatus::Ok ? "ok" : "error",
                validOrder(r.lines, wrong.lines.size(), audio.durationMs()) ? "valid" : "BROKEN",
                r.notes.empty() ? "-" : r.notes.front().c_str(), r.notes.size() > 1 ? r.notes.back().c_str() : "-");
}

bool recognitionSets(const std::vector<Clip> &librivox, const std::vector<Clip> &flite,
                     const std::vector<Clip> &mandarin, bool showWords) {
    std::printf("\nRecognition (English)\n");
    std::string error;
    const auto loadStart = std::chrono::steady_clock::now();
    auto recognizer = makeSpeechRecognizer({}, &error);
    if (!recognizer) {
        std::fprintf(stderr, "recogniser: %s\n", error.c_str());
        return false;
    }
    const std::vector<int16_t> second(16000, 0);
    recognizer->recognize({second.data(), second.size(), 16000}, {}, {});
    const double firstJob = seconds(loadStart);
    const auto laterStart = std::chrono::steady_clock::now();
    makeSpeechRecognizer()->recognize({second.data(), second.size(), 16000}, {}, {});
    std::printf("  1 s job on a new worker: first %.2f s (decoder load), later %.3f s (pooled decoder)\n", firstJob,
                seconds(laterStart));

    std::vector<std::pair<std::vector<int16_t>, std::string>> realClips, fliteSpeech;
    const char *ids[] = {"0870", "0880", "0890", "0920", "0930"};
    for (size_t i = 0; i < librivox.size(); ++i) {
        std::vector<int16_t> s;  // as recorded, silence included
        readWav16kMono(kLibrivox + "/sense_and_sensibility_01_austen_64kb-" + QString(ids[i]) + ".wav", s);
        realClips.push_back({s, librivox[i].text});
    }
    recognitionFigures(*recognizer, "LibriVox clips (5)", realClips, showWords);

    const TestSet joined = joinClips("", librivox, 1, 300, 600, 7);
    std::string joinedText;
    for (const std::string &l : joined.lines)
        joinedText += l + " ";
    recognitionFigures(*recognizer, "LibriVox clips joined", {{joined.samples, joinedText}}, false);
    // Times: each line should sit inside the speech of one clip.
    const EngineResult timed = recognizer->recognize({joined.samples.data(), joined.samples.size(), 16000}, {}, {});
    size_t inside = 0;
    for (const TimedLine &l : timed.lines) {
        bool found = false;
        for (const LineTruth &t : joined.truth)
            found = found || (l.startMs >= t.startMs - 150 && l.endMs <= t.endMs + 150);
        inside += found;
        if (gDetail && !found)
            std::printf("    outside: %lld-%lld %s\n", (long long)l.startMs, (long long)l.endMs, l.text.c_str());
    }
    if (gDetail)
        for (const LineTruth &t : joined.truth)
            std::printf("    clip: %lld-%lld\n", (long long)t.startMs, (long long)t.endMs);
    std::printf("  %-34s %zu of %zu lines inside one clip's speech (150 ms slack)\n", "LibriVox clips joined, times",
                inside, timed.lines.size());

    for (const Clip &c : flite)
        fliteSpeech.push_back({c.samples, c.text});
    recognitionFigures(*recognizer, "flite sentences (10)", fliteSpeech, showWords);
    // Speech the model cannot know: its word error means nothing, its
    // confidence should be low.
    std::vector<std::pair<std::vector<int16_t>, std::string>> foreign;
    for (const Clip &c : mandarin)
        foreign.push_back({c.samples, c.text});
    recognitionFigures(*recognizer, "Mandarin (not understood)", foreign, false);
    return true;
}

void hourFigures(Aligner &aligner, const std::vector<Clip> &librivox) {
    std::printf("\nOne hour of alignment\n");
    const int rounds = int(std::ceil(3600.0 / joinClips("", librivox, 1, 100, 100, 8).durationSeconds()));
    const TestSet hour = joinClips("LibriVox, one hour (100-600 ms)", librivox, rounds, 100, 600, 9, GapFill::RoomTone);
    alignAndScore(aligner, hour);
    std::printf("  peak resident memory %ld MB (whole process, the test audio itself %.0f MB)\n", peakRssMb(),
                double(hour.samples.size()) * 2 / 1e6);
}

}  // namespace

int main(int argc, char **argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    gDetail = args.contains("--detail");
    QTemporaryDir work;

    const std::vector<Clip> librivox = librivoxClips(kLibrivox);
    const std::vector<Clip> flite = fliteClips(kEnglishSentences, work.path());
    const std::vector<Clip> mandarin = espeakMandarinClips(kMandarinSentences, work.path());
    if (librivox.size() != 5 || flite.size() != size_t(kEnglishSentences.size()) ||
        mandarin.size() != size_t(kMandarinSentences.size())) {
        std::fprintf(stderr, "test material missing (pocketsphinx-testdata, flite, espeak-ng)\n");
        return 1;
    }
    if (args.contains("--lines-only"))  // the segmentation figures alone
        return segmentationFigures(librivox, flite, mandarin) ? 0 : 1;
    auto aligner = makeSpeechAligner();
    if (!args.contains("--hour-only")) {
        alignmentFigures(*aligner, librivox, flite, mandarin);
        if (!recognitionSets(librivox, flite, mandarin, args.contains("--words")))
            return 1;
        if (!segmentationFigures(librivox, flite, mandarin))
            return 1;
    }
    if (!args.contains("--quick"))
        hourFigures(*aligner, librivox);
    return 0;
}
