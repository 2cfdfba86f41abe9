#include "SegmentationFigures.h"

#include "Engines.h"
#include "LineSegmenter.h"
#include "SphinxRecognizer.h"

#include <QString>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sstream>

using namespace cw::engines;

namespace {

const QString kLibrivox = "/usr/share/pocketsphinx/test/data/librivox";

// The segmenter as it was: a line ends at a pause or before it would pass
// 42 bytes or 7 s; every line capitalised; words always spaced.
std::vector<TimedLine> greedyLines(const std::vector<TimedWord> &words) {
    const SegmentRules rules;
    std::vector<TimedLine> lines;
    for (const TimedWord &word : words) {
        if (word.text.empty())
            continue;
        if (!lines.empty()) {
            TimedLine &line = lines.back();
            const bool pause = word.pauseBefore || word.startMs - line.endMs >= rules.pauseMs;
            const bool tooLong = line.text.size() + 1 + word.text.size() > rules.maxChars;
            const bool tooSlow = std::max(word.endMs, word.startMs) - line.startMs > rules.maxMs;
            if (!pause && !tooLong && !tooSlow) {
                line.text += ' ' + word.text;
                line.endMs = std::max(line.endMs, word.endMs);
                continue;
            }
        }
        TimedLine line;
        line.text = word.text;
        line.startMs = lines.empty() ? word.startMs : std::max(word.startMs, lines.back().endMs);
        line.endMs = std::max(word.endMs, line.startMs + 1);
        if (std::islower(static_cast<unsigned char>(line.text[0])))
            line.text[0] = char(std::toupper(static_cast<unsigned char>(line.text[0])));
        lines.push_back(std::move(line));
    }
    return lines;
}

bool isMark(const QChar c) {
    return QStringLiteral(",.!?;:，。、！？；：").contains(c);
}

bool isHan(const QChar c) {
    return c.unicode() >= 0x3000 && c.unicode() <= 0x9FFF;
}

bool allMarks(const std::string &text) {
    const QString t = QString::fromStdString(text);
    return !t.isEmpty() && std::all_of(t.begin(), t.end(), isMark);
}

struct Shares {
    size_t lines = 0, narrow = 0, brief = 0, longEnough = 0, readable = 0;
    size_t cuts = 0, pauseCuts = 0;
    int64_t gapSum = 0;
    size_t marksKept = 0, hanUnspaced = 0;

    void add(const std::vector<TimedLine> &shown, const std::vector<TimedWord> &words) {
        for (size_t i = 0; i < shown.size(); ++i) {
            const TimedLine &l = shown[i];
            const QString text = QString::fromStdString(l.text);
            const int64_t ms = l.endMs - l.startMs;
            const size_t chars = displayLength(l.text);
            ++lines;
            narrow += chars <= 42;
            brief += ms <= 7000;
            longEnough += ms >= 830;
            readable += double(chars) * 1000 <= 20.0 * double(ms);
            bool marksOk = !text.isEmpty() && !isMark(text[0]);
            bool hanOk = true;
            for (int k = 1; k < text.size(); ++k) {
                marksOk = marksOk && !(text[k - 1] == ' ' && isMark(text[k]));
                hanOk = hanOk && !(text[k - 1] == ' ' && isHan(text[k])) && !(text[k] == ' ' && isHan(text[k - 1]));
            }
            marksKept += marksOk;
            hanUnspaced += hanOk;
            if (i + 1 == shown.size())
                continue;
            // The word the next line starts with, and the gap before it.
            auto next = std::lower_bound(words.begin(), words.end(), shown[i + 1].startMs,
                                         [](const TimedWord &w, int64_t t) { return w.startMs < t; });
            while (next != words.end() && allMarks(next->text))
                ++next;
            if (next == words.begin() || next == words.end())
                continue;
            ++cuts;
            const int64_t gap = next->startMs - std::prev(next)->endMs;
            gapSum += gap;
            pauseCuts += next->pauseBefore || gap >= SegmentRules().pauseMs;
        }
    }
};

std::string percent(size_t part, size_t whole) {
    char text[16];
    if (whole == 0)
        return "   -";
    std::snprintf(text, sizeof text, "%3.0f%%", 100.0 * double(part) / double(whole));
    return text;
}

void printShares(const std::string &name, const char *segmenter, const Shares &s, bool punctuated, bool han) {
    std::printf("  %-34s %-6s %5zu  %4s  %4s  %5s  %6s  %5s  %5.0f  %5s  %4s\n", name.c_str(), segmenter, s.lines,
                percent(s.narrow, s.lines).c_str(), percent(s.brief, s.lines).c_str(),
                percent(s.longEnough, s.lines).c_str(), percent(s.readable, s.lines).c_str(),
                percent(s.pauseCuts, s.cuts).c_str(), s.cuts ? double(s.gapSum) / double(s.cuts) : 0.0, punctuated ? percent(s.marksKept, s.lines).c_str() : "   -",
                han ? percent(s.hanUnspaced, s.lines).c_str() : "   -");
}

struct WordSet {
    std::string name;
    std::vector<std::vector<TimedWord>> jobs;
    std::vector<int64_t> audioMs;
    bool punctuated = false, han = false;
};

void report(const WordSet &set) {
    Shares before, after;
    for (size_t j = 0; j < set.jobs.size(); ++j) {
        std::vector<TimedLine> old = greedyLines(set.jobs[j]);
        before.add(old, set.jobs[j]);
        after.add(segmentWords(set.jobs[j], {}, set.audioMs[j]), set.jobs[j]);
    }
    printShares(set.name, "before", before, set.punctuated, set.han);
    printShares("", "after", after, set.punctuated, set.han);
}

// A transcript's words spread over its sentence's known time by length,
// 20 ms apart, with its punctuation as words of their own (Han text in
// words of two characters).
std::vector<TimedWord> timedTranscript(const TestSet &set) {
    std::vector<TimedWord> words;
    for (size_t i = 0; i < set.lines.size(); ++i) {
        const QString text = QString::fromStdString(set.lines[i]);
        std::vector<QString> tokens;
        QString word;
        auto flush = [&] {
            if (!word.isEmpty())
                tokens.push_back(word);
            word.clear();
        };
        for (const QChar c : text) {
            if (c.isSpace()) {
                flush();
            } else if (isMark(c)) {
                flush();
                tokens.push_back(QString(c));
            } else {
                word += c;
                if (isHan(c) && word.size() == 2)
                    flush();
            }
        }
        flush();
        int letters = 0, spoken = 0;
        for (const QString &t : tokens)
            if (!isMark(t[0]))
                ++spoken, letters += int(t.size());
        const LineTruth &truth = set.truth[i];
        const int64_t room = std::max<int64_t>(spoken, truth.endMs - truth.startMs - 20 * (spoken - 1));
        int64_t t = truth.startMs;
        for (const QString &token : tokens) {
            if (isMark(token[0])) {
                words.push_back({token.toStdString(), t - 20, t - 20});
                continue;
            }
            const int64_t length = room * token.size() / std::max(1, letters);
            words.push_back({token.toStdString(), t, t + length});
            t += length + 20;
        }
    }
    return words;
}

}  // namespace

bool segmentationFigures(const std::vector<Clip> &librivox, const std::vector<Clip> &flite,
                         const std::vector<Clip> &mandarin) {
    std::printf("\nReadable lines (share of lines keeping each rule; \"pause\": share of cuts at one, \"gap\":\n"
                "mean silence at a cut in ms)\n");
    RecognizerOptions options;
    options.modelDir = installedEnglishModelDir();
    SphinxRecognizer recognizer(options);
    if (!recognizer.ok()) {
        std::fprintf(stderr, "recogniser: %s\n", recognizer.loadError().c_str());
        return false;
    }
    std::printf("  %-34s %-6s %5s  %4s  %4s  %5s  %6s  %5s  %5s  %5s  %4s\n", "words", "", "lines", "<=42", "<=7s",
                ">=.83", "<=20/s", "pause", "gap", "marks", "Han");
    auto heard = [&](WordSet &set, const std::vector<int16_t> &samples) {
        std::vector<TimedWord> words;
        recognizer.recognizeWords({samples.data(), samples.size(), 16000}, {}, {}, words);
        set.jobs.push_back(std::move(words));
        set.audioMs.push_back(int64_t(samples.size()) / 16);
    };

    WordSet clips{"LibriVox clips as recorded (5)", {}, {}};
    const char *ids[] = {"0870", "0880", "0890", "0920", "0930"};
    for (const char *id : ids) {
        std::vector<int16_t> s;
        if (readWav16kMono(kLibrivox + "/sense_and_sensibility_01_austen_64kb-" + id + ".wav", s))
            heard(clips, s);
    }
    report(clips);
    WordSet joined{"LibriVox joined x3 (300-600 ms)", {}, {}};
    heard(joined, joinClips("", librivox, 3, 300, 600, 7).samples);
    report(joined);
    WordSet together{"LibriVox run together x3 (100-190)", {}, {}};
    heard(together, joinClips("", librivox, 3, 100, 190, 1).samples);
    report(together);
    WordSet sentences{"flite sentences (10)", {}, {}};
    for (const Clip &c : flite)
        heard(sentences, c.samples);
    report(sentences);

    const TestSet english = joinClips("", flite, 1, 300, 600, 4);
    WordSet punctuated{"flite text, punctuated, timed", {timedTranscript(english)}, {int64_t(english.samples.size()) / 16}};
    punctuated.punctuated = true;
    report(punctuated);
    const TestSet chinese = joinClips("", mandarin, 1, 300, 600, 6);
    WordSet han{"Mandarin text, timed", {timedTranscript(chinese)}, {int64_t(chinese.samples.size()) / 16}};
    han.punctuated = han.han = true;
    report(han);
    return true;
}
