#include "audio/AudioExtraction.h"

#include "audio/ToolRunner.h"
#include "audio/WavFile.h"
#include "subtitle/Utf8Conversion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const QString RawName = QStringLiteral("raw.wav");
const QString ResampledName = QStringLiteral("raw1.wav");
const QString YesFlag = QStringLiteral("-y");

constexpr int LoudEnoughPeak = 20000;
constexpr quint16 ServiceChannels = 1;
constexpr quint32 ServiceSampleRate = 16000;
constexpr quint16 ServiceBitsPerSample = 16;
constexpr int ServiceBytesPerSecond = 32000;

// Replaces `target` with `source`: a rename when both share a file system,
// else copy and remove.
bool replaceFile(const QString &source, const QString &target)
{
    if (std::rename(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) == 0)
        return true;
    QFile::remove(target);
    if (!QFile::copy(source, target))
        return false;
    QFile::remove(source);
    return true;
}

} // namespace

bool isUsableWav(const QString &mediaPath)
{
    if (mediaPath.isEmpty() || QFileInfo(mediaPath).suffix().compare(QLatin1String("wav"), Qt::CaseInsensitive) != 0)
        return false;
    WavFile wav;
    if (!wav.Load(mediaPath))
        return false;
    // The service, the duration (bytes / 32000) and the waveform all take
    // little-endian 16-bit samples; any other sample form is converted.
    const WavHead &head = wav.head();
    return head.channels == ServiceChannels && head.sampleRate == ServiceSampleRate
           && head.bitsPerSample == ServiceBitsPerSample && std::memcmp(head.chunkId, "RIFF", 4) == 0;
}

QString wavOutputPathFor(const QString &mediaPath, const QString &scratchFolder)
{
    return QStringLiteral("%1/%2.wav").arg(scratchFolder, QFileInfo(mediaPath).fileName());
}

namespace {

// Folds `count` samples into the running extremes; a fixed-size call lets
// the compiler vectorise it.
template <quint64 Count>
void foldExtremes(const qint16 *samples, qint16 &maximum, qint16 &minimum)
{
    qint16 hi = maximum;
    qint16 lo = minimum;
    for (quint64 i = 0; i < Count; ++i) {
        hi = samples[i] > hi ? samples[i] : hi;
        lo = samples[i] < lo ? samples[i] : lo;
    }
    maximum = hi;
    minimum = lo;
}

} // namespace

int peakSample(const char *samples, quint64 byteCount)
{
    const quint64 count = byteCount / 2;
    qint16 maximum = 0;
    qint16 minimum = 0;
    // Copied block by block: the samples may sit at an odd offset in the file.
    constexpr quint64 Block = 4096;
    qint16 block[Block];
    quint64 done = 0;
    for (; done + Block <= count; done += Block) {
        std::memcpy(block, samples + done * 2, Block * 2);
        foldExtremes<Block>(block, maximum, minimum);
    }
    const quint64 rest = count - done;
    std::memcpy(block, samples + done * 2, rest * 2);
    for (quint64 i = 0; i < rest; ++i) {
        maximum = qMax(maximum, block[i]);
        minimum = qMin(minimum, block[i]);
    }
    return qMax(int(maximum), -int(minimum));
}

std::optional<float> gainForPeak(int peak)
{
    if (peak <= 0 || peak >= LoudEnoughPeak)
        return std::nullopt;
    return float(32767.0 / peak);
}

std::optional<float> normalisationGain(const QString &wavPath)
{
    WavFile wav;
    if (!wav.Load(wavPath))
        return std::nullopt;
    return gainForPeak(peakSample(wav.samples(), wav.dataSize()));
}

QString formatGain(float gain)
{
    // printf's "%.2f" in the C locale (ties go to even: 585.125 is 585.12),
    // which neither QString::asprintf nor a localised snprintf gives.
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, double(gain), std::chars_format::fixed, 2).ptr;
    return QString::fromLatin1(text, int(end - text));
}

// The first audio track only: a WAV holds one stream, so "0:a" fails on
// media with several tracks (films with dubbing, commentary).
QStringList extractAudioArguments(const QString &source, const QString &target)
{
    return {YesFlag, QStringLiteral("-i"), source, QStringLiteral("-map"), QStringLiteral("0:a:0"), target};
}

QStringList resampleArguments(const QString &source, const QString &target)
{
    return {YesFlag, QStringLiteral("-i"), source, QStringLiteral("-filter_complex"),
            QStringLiteral("aformat=sample_fmts=s16:sample_rates=16000:channel_layouts=mono"), target};
}

QStringList volumeArguments(const QString &source, float gain, const QString &target)
{
    return {YesFlag, QStringLiteral("-i"), source, QStringLiteral("-filter_complex"),
            QStringLiteral("volume=volume=") + formatGain(gain), target};
}

bool convertToWav(const QString &source, const QString &output, const QString &scratchFolder)
{
    if (source.isEmpty() || output.isEmpty())
        return false;

    const QString sourcePath = QFileInfo(source).absoluteFilePath();
    const QString outputPath = QFileInfo(output).absoluteFilePath();
    if (sourcePath == outputPath)
        return false;
    const QString parent = scratchFolder.isEmpty() ? QFileInfo(outputPath).absolutePath() : scratchFolder;
    QDir().mkpath(parent);
    QTemporaryDir work(QDir(parent).filePath(QStringLiteral("convert-XXXXXX")));
    if (!work.isValid())
        return false;

    // A failed run must show as a missing output, not as the stale result of
    // an earlier file with the same name.
    QFile::remove(outputPath);

    // ffmpeg runs inside the private folder, so the intermediates keep their
    // plain relative names.
    // Once ffmpeg cannot be started, the later steps cannot work either.
    const QString folder = work.path();
    if (!runToolCommand(extractAudioArguments(sourcePath, RawName), folder)
        || !runToolCommand(resampleArguments(RawName, ResampledName), folder))
        return false;

    const QString resampledPath = QDir(folder).filePath(ResampledName);
    if (const auto gain = normalisationGain(resampledPath))
        runToolCommand(volumeArguments(ResampledName, *gain, outputPath), folder);
    else if (QFile::exists(resampledPath))
        replaceFile(resampledPath, outputPath);
    return QFile::exists(outputPath);
}

QString prepareWavForMedia(const QString &mediaPath, const QString &scratchFolder)
{
    if (isUsableWav(mediaPath))
        return mediaPath;
    const QString output = wavOutputPathFor(mediaPath, scratchFolder);
    convertToWav(mediaPath, output, scratchFolder);
    return output;
}

int wavDurationSeconds(const QString &wavPath)
{
    WavFile wav;
    if (!wav.Load(wavPath))
        return 0;
    return int(wav.dataSize() / ServiceBytesPerSecond);
}

QString transcriptCopyPath(const QString &transcriptPath)
{
    return transcriptPath + QStringLiteral(".txt");
}

QString transcriptForService(const QString &transcriptPath)
{
    const QString copy = transcriptCopyPath(transcriptPath);
    return convertUtf8FileToLocal(transcriptPath, copy) == ConvertedFromUtf8 ? copy : transcriptPath;
}
