#include "BenchMaterial.h"

#include "Resampler.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

namespace {

uint32_t le32(const char *p) {
    return uint32_t(uint8_t(p[0])) | uint32_t(uint8_t(p[1])) << 8 | uint32_t(uint8_t(p[2])) << 16 |
           uint32_t(uint8_t(p[3])) << 24;
}

bool readWav(const QString &path, std::vector<int16_t> &samples, int &rate) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray all = f.readAll();
    if (all.size() < 44 || std::memcmp(all.constData(), "RIFF", 4) != 0)
        return false;
    int pos = 12, channels = 0, bits = 0;
    rate = 0;
    while (pos + 8 <= all.size()) {
        const char *h = all.constData() + pos;
        const uint32_t size = le32(h + 4);
        if (std::memcmp(h, "fmt ", 4) == 0) {
            channels = uint8_t(h[10]) | uint8_t(h[11]) << 8;
            rate = int(le32(h + 12));
            bits = uint8_t(h[22]) | uint8_t(h[23]) << 8;
        } else if (std::memcmp(h, "data", 4) == 0) {
            if (channels != 1 || bits != 16)
                return false;
            const uint32_t bytes = std::min<uint32_t>(size, uint32_t(all.size() - pos - 8));
            samples.resize(bytes / 2);
            std::memcpy(samples.data(), h + 8, samples.size() * 2);
            return true;
        }
        pos += 8 + int(size + (size & 1));
    }
    return false;
}

bool run(const QString &program, const QStringList &args) {
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

std::vector<double> frameDb(const std::vector<int16_t> &s) {
    std::vector<double> out(s.size() / 160);
    for (size_t f = 0; f < out.size(); ++f) {
        double sum = 0;
        for (size_t i = 0; i < 160; ++i)
            sum += double(s[f * 160 + i]) * s[f * 160 + i];
        out[f] = 10 * std::log10(sum / 160 + 1);
    }
    return out;
}

}  // namespace

bool readWav16kMono(const QString &path, std::vector<int16_t> &samples) {
    int rate = 0;
    if (!readWav(path, samples, rate))
        return false;
    if (rate != 16000)
        samples = cw::engines::Resampler(rate, 16000).convert(samples);
    return true;
}

void trimToSpeech(Clip &clip) {
    const std::vector<double> db = frameDb(clip.samples);
    if (db.empty())
        return;
    std::vector<double> sorted = db;
    std::sort(sorted.begin(), sorted.end());
    const double noise = sorted[sorted.size() / 10];
    const double peak = sorted.back();
    // Speech is where at least three frames in a row stand 8 dB above the
    // background (soft word endings included, clicks not).
    const double threshold = std::max(noise + 8, peak - 50);
    auto loud = [&](size_t f) { return f + 2 < db.size() && db[f] >= threshold && db[f + 1] >= threshold && db[f + 2] >= threshold; };
    size_t first = 0;
    while (first < db.size() && !loud(first))
        ++first;
    size_t last = db.size();
    while (last > first && !loud(last < 3 ? 0 : last - 3))
        --last;
    clip.noiseRms = std::sqrt(std::pow(10.0, noise / 10) - 1);
    // Room tone: the silence before and after, kept 50 ms clear of the speech.
    const size_t margin = 5;
    if (first > margin)
        clip.roomTone.insert(clip.roomTone.end(), clip.samples.begin(), clip.samples.begin() + long((first - margin) * 160));
    if (last + margin < db.size())
        clip.roomTone.insert(clip.roomTone.end(), clip.samples.begin() + long((last + margin) * 160),
                             clip.samples.begin() + long(db.size() * 160));
    clip.recorded = clip.samples;
    clip.speechFrom = first * 160;
    clip.samples = std::vector<int16_t>(clip.samples.begin() + long(first * 160),
                                        clip.samples.begin() + long(last * 160));
}

std::vector<Clip> librivoxClips(const QString &folder) {
    std::vector<Clip> clips;
    QFile f(folder + "/transcription");
    if (!f.open(QIODevice::ReadOnly))
        return clips;
    QTextStream in(&f);
    while (!in.atEnd()) {
        QString line = in.readLine().trimmed();
        const int open = line.lastIndexOf('(');
        if (open < 0)
            continue;
        const QString id = line.mid(open + 1).chopped(1);
        QString text = line.left(open);
        text.remove("<s>").remove("</s>");
        Clip clip;
        clip.text = text.simplified().toStdString();
        if (!readWav16kMono(folder + "/" + id + ".wav", clip.samples))
            continue;
        trimToSpeech(clip);
        clips.push_back(std::move(clip));
    }
    return clips;
}

std::vector<Clip> fliteClips(const QStringList &sentences, const QString &workDir) {
    std::vector<Clip> clips;
    int n = 0;
    for (const QString &s : sentences) {
        const QString path = QDir(workDir).filePath(QString("flite%1.wav").arg(n++));
        Clip clip;
        clip.text = s.toStdString();
        if (!run("flite", {"-voice", "slt", "-t", s, "-o", path}) || !readWav16kMono(path, clip.samples))
            continue;
        trimToSpeech(clip);
        clips.push_back(std::move(clip));
    }
    return clips;
}

std::vector<Clip> espeakMandarinClips(const QStringList &sentences, const QString &workDir) {
    std::vector<Clip> clips;
    int n = 0;
    for (const QString &s : sentences) {
        const QString path = QDir(workDir).filePath(QString("cmn%1.wav").arg(n++));
        Clip clip;
        clip.text = s.toStdString();
        // Slower and higher than the aligner's own rendering of the text.
        if (!run("espeak-ng", {"-v", "cmn-latn-pinyin+f3", "-s", "150", "-p", "65", "-w", path, s}) ||
            !readWav16kMono(path, clip.samples))
            continue;
        trimToSpeech(clip);
        clips.push_back(std::move(clip));
    }
    return clips;
}

TestSet joinClips(const std::string &name, const std::vector<Clip> &clips, int rounds, int minGapMs,
                  int maxGapMs, unsigned seed, GapFill fill) {
    TestSet set;
    set.name = name;
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> gapMs(minGapMs, maxGapMs);
    auto addNoise = [&](size_t count, double rms) {
        std::normal_distribution<double> noise(0, std::max(rms, 3.0));
        for (size_t i = 0; i < count; ++i)
            set.samples.push_back(int16_t(std::clamp(std::lround(noise(random)), -32768L, 32767L)));
    };
    double meanNoise = 0;
    std::vector<int16_t> tone;
    for (const Clip &c : clips) {
        meanNoise += c.noiseRms / double(clips.size());
        tone.insert(tone.end(), c.roomTone.begin(), c.roomTone.end());
    }
    size_t toneAt = 0;
    auto addGap = [&](size_t count) {
        if (fill == GapFill::DigitalSilence) {
            set.samples.insert(set.samples.end(), count, int16_t(0));
            return;
        }
        if (fill == GapFill::Noise || tone.size() < 1600)
            return addNoise(count, meanNoise);
        for (size_t i = 0; i < count; ++i, ++toneAt)
            set.samples.push_back(tone[toneAt % tone.size()]);
    };
    addGap(16 * 500);
    for (int r = 0; r < rounds; ++r) {
        for (const Clip &c : clips) {
            LineTruth t;
            t.startMs = int64_t(set.samples.size()) / 16;
            set.samples.insert(set.samples.end(), c.samples.begin(), c.samples.end());
            t.endMs = int64_t(set.samples.size()) / 16;
            set.truth.push_back(t);
            set.lines.push_back(c.text);
            addGap(size_t(16 * gapMs(random)));
        }
    }
    addGap(16 * 500);
    return set;
}

TestSet spliceClips(const std::string &name, const std::vector<Clip> &clips, int rounds, int minGapMs,
                    int maxGapMs, unsigned seed) {
    TestSet set;
    set.name = name;
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> gapMs(minGapMs, maxGapMs);
    auto addSilence = [&](int ms) { set.samples.insert(set.samples.end(), size_t(16 * ms), int16_t(0)); };
    addSilence(gapMs(random));
    for (int r = 0; r < rounds; ++r) {
        for (const Clip &c : clips) {
            const int64_t at = int64_t(set.samples.size());
            set.samples.insert(set.samples.end(), c.recorded.begin(), c.recorded.end());
            const int64_t from = at + int64_t(c.speechFrom);
            set.truth.push_back({from / 16, (from + int64_t(c.samples.size())) / 16});
            set.lines.push_back(c.text);
            addSilence(gapMs(random));
        }
    }
    return set;
}
