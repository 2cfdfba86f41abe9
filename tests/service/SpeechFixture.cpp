#include "SpeechFixture.h"

#include <QFile>
#include <QProcess>
#include <QSaveFile>

#include <cstdlib>

namespace cw::testing {

namespace {

bool runTool(const QString &program, const QStringList &arguments, std::string *error)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        *error = (program + " failed: " + QString::fromLocal8Bit(process.readAllStandardError())).toStdString();
        return false;
    }
    return true;
}

void putLe(QByteArray &out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xff));
}

}  // namespace

bool writeWav16k(const QString &path, const std::vector<int16_t> &samples)
{
    const uint32_t dataBytes = uint32_t(samples.size() * 2);
    QByteArray wav = wavHeader16k(dataBytes);
    wav.append(reinterpret_cast<const char *>(samples.data()), int(dataBytes));
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(wav) == wav.size() && file.commit();
}

QByteArray wavHeader16k(uint32_t dataBytes)
{
    QByteArray wav("RIFF");
    putLe(wav, 36 + dataBytes, 4);
    wav.append("WAVEfmt ");
    putLe(wav, 16, 4);
    putLe(wav, 1, 2);
    putLe(wav, 1, 2);
    putLe(wav, 16000, 4);
    putLe(wav, 32000, 4);
    putLe(wav, 2, 2);
    putLe(wav, 16, 2);
    wav.append("data");
    putLe(wav, dataBytes, 4);
    return wav;
}

bool synthesizeSpeech(const std::vector<std::string> &sentences, const std::vector<int> &pausesMs,
                      const QString &workDir, SpeechFixture *out, std::string *error)
{
    out->samples.clear();
    out->sentences.clear();
    for (size_t i = 0; i < sentences.size(); ++i) {
        const QString wav = QStringLiteral("%1/sentence%2.wav").arg(workDir).arg(i);
        const QString raw = QStringLiteral("%1/sentence%2.raw").arg(workDir).arg(i);
        if (!runTool(QStringLiteral("espeak-ng"), {QStringLiteral("-w"), wav, QString::fromStdString(sentences[i])}, error)
            || !runTool(QStringLiteral("sox"), {wav, QStringLiteral("-r"), QStringLiteral("16000"), QStringLiteral("-c"),
                                                QStringLiteral("1"), QStringLiteral("-b"), QStringLiteral("16"),
                                                QStringLiteral("-e"), QStringLiteral("signed-integer"),
                                                QStringLiteral("-t"), QStringLiteral("raw"), raw},
                        error))
            return false;
        QFile file(raw);
        if (!file.open(QIODevice::ReadOnly)) {
            *error = "cannot read " + raw.toStdString();
            return false;
        }
        const QByteArray pcm = file.readAll();
        const auto *clip = reinterpret_cast<const int16_t *>(pcm.constData());
        const size_t count = size_t(pcm.size() / 2);
        // Audible part only: the synthesiser pads its clips with near-silence.
        size_t first = 0, last = count;
        while (first < count && std::abs(clip[first]) < 200)
            ++first;
        while (last > first && std::abs(clip[last - 1]) < 200)
            --last;
        out->samples.insert(out->samples.end(), size_t(pausesMs[i]) * 16, 0);
        SpokenSentence spoken;
        spoken.text = sentences[i];
        spoken.startMs = int64_t(out->samples.size()) / 16;
        out->samples.insert(out->samples.end(), clip + first, clip + last);
        spoken.endMs = int64_t(out->samples.size()) / 16;
        out->sentences.push_back(spoken);
    }
    out->samples.insert(out->samples.end(), size_t(pausesMs.back()) * 16, 0);
    return true;
}

std::vector<std::string> standardSentences()
{
    return {
        "Good morning, and welcome to the lecture.",
        "Today we talk about rivers.",
        "A river starts as rain on high ground, and the water runs down to the sea.",
        "Some rivers are short.",
        "Others cross a whole continent before they reach the ocean.",
        "Where the land is flat, the river slows down.",
        "It drops sand and mud along its banks.",
        "Farmers have used this rich soil for thousands of years.",
        "Cities grew on the banks because boats could carry goods.",
        "Thank you for listening.",
    };
}

std::vector<int> standardPauses(size_t sentences)
{
    std::vector<int> pauses;
    for (size_t i = 0; i <= sentences; ++i)
        pauses.push_back(300 + int((i * 173) % 600));
    return pauses;
}

}  // namespace cw::testing
