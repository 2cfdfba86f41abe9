#include "audio/AudioExtraction.h"

#include "audio/ServiceText.h"
#include "audio/ToolProgress.h"
#include "audio/WavProbe.h"
#include "subtitle/AtomicFile.h"
#include "subtitle/LocalCodec.h"
#include "subtitle/Utf8Conversion.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextCodec>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const QString RawName = QStringLiteral("raw.wav");
const QString ResampledName = QStringLiteral("raw1.wav");
const QString YesFlag = QStringLiteral("-y");

constexpr int LoudEnoughPeak = 20000;
// Room for the hash and suffix within a 255-byte file name.
constexpr int WavNameBytes = 200;

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
    // The service, the duration (bytes / 32000) and the waveform all take
    // little-endian 16-bit samples; any other sample form is converted.
    return isServiceWavFormat(probeWav(mediaPath));
}

QString wavOutputPathFor(const QString &mediaPath, const QString &scratchFolder)
{
    const QFileInfo media(mediaPath);
    const QByteArray hash = QCryptographicHash::hash(media.absoluteFilePath().toUtf8(), QCryptographicHash::Sha1);
    QString name = media.fileName();
    while (name.toUtf8().size() > WavNameBytes)
        name.chop(name.size() >= 2 && name.at(name.size() - 1).isLowSurrogate() ? 2 : 1);
    return QStringLiteral("%1/%2-%3.wav").arg(scratchFolder, name, QString::fromLatin1(hash.toHex().left(8)));
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
    const int peak = scanWavPeak(wavPath);
    if (peak < 0)
        return std::nullopt;
    return gainForPeak(peak);
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

namespace {

// Shares of the whole conversion: taking the audio out of the media is the
// long step; resampling and the volume step work on a small WAV.
constexpr int ExtractEnd = 70;
constexpr int ResampleEnd = 95;

// One ffmpeg step reporting its share [from, to) of the whole.
bool runStep(const QStringList &arguments, const QString &folder, const ConversionControl &control, int from,
             int to)
{
    ToolRunControl run;
    run.cancel = control.cancel;
    if (control.progress) {
        run.progress = [&control, from, to](qint64 doneMs, qint64 totalMs) {
            if (totalMs > 0)
                control.progress(from + int(qBound<qint64>(0, doneMs, totalMs) * (to - from) / totalMs));
        };
    }
    return runToolWithProgress(arguments, folder, run) == ToolRunOutcome::Finished;
}

} // namespace

bool convertToWav(const QString &source, const QString &output, const QString &scratchFolder,
                  const ConversionControl &control)
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
    if (control.progress)
        control.progress(0);

    // ffmpeg runs inside the private folder, so the intermediates keep their
    // plain relative names.
    // Once ffmpeg cannot be started, the later steps cannot work either.
    const QString folder = work.path();
    if (!runStep(extractAudioArguments(sourcePath, RawName), folder, control, 0, ExtractEnd)
        || !runStep(resampleArguments(RawName, ResampledName), folder, control, ExtractEnd, ResampleEnd))
        return false;

    const QString resampledPath = QDir(folder).filePath(ResampledName);
    if (const auto gain = normalisationGain(resampledPath)) {
        if (!runStep(volumeArguments(ResampledName, *gain, outputPath), folder, control, ResampleEnd, 100)) {
            QFile::remove(outputPath);
            return false;
        }
    } else if (QFile::exists(resampledPath)) {
        replaceFile(resampledPath, outputPath);
    }
    if (!QFile::exists(outputPath))
        return false;
    if (control.progress)
        control.progress(100);
    return true;
}

QString prepareWavForMedia(const QString &mediaPath, const QString &scratchFolder, const ConversionControl &control)
{
    if (isUsableWav(mediaPath))
        return mediaPath;
    const QString output = wavOutputPathFor(mediaPath, scratchFolder);
    convertToWav(mediaPath, output, scratchFolder, control);
    return output;
}

int wavDurationSeconds(const QString &wavPath)
{
    return serviceWavSeconds(probeWav(wavPath));
}

QString transcriptCopyPath(const QString &transcriptPath)
{
    return transcriptPath + QStringLiteral(".txt");
}

namespace {

// The transcript as the service should get it; empty when it can be sent as it is.
QByteArray serviceTranscriptBytes(const QByteArray &source, QString *lost)
{
    QString text;
    if (testUtf8(source) != NotUtf8) {
        const int skip = source.startsWith("\xEF\xBB\xBF") ? 3 : 0;
        text = QTextCodec::codecForName("UTF-8")->toUnicode(source.constData() + skip, source.size() - skip);
    } else {
        // Local bytes: only GB18030's four-byte characters need rewriting.
        text = fromLocal8(source);
    }
    const QByteArray gbk = toServiceText(text);
    if (lost)
        *lost = charactersLostForService(text);
    return testUtf8(source) == NotUtf8 && gbk == source ? QByteArray() : gbk;
}

QString writeServiceTranscript(const QString &transcriptPath, const QString &copyPath, QString *lost)
{
    if (lost)
        lost->clear();
    QByteArray source;
    if (!readWholeFile(transcriptPath, &source))
        return transcriptPath;
    const QByteArray bytes = serviceTranscriptBytes(source, lost);
    if (bytes.isNull() || !writeFileAtomically(copyPath, bytes))
        return transcriptPath;
    return copyPath;
}

} // namespace

QString transcriptForService(const QString &transcriptPath, QString *lost)
{
    return writeServiceTranscript(transcriptPath, transcriptCopyPath(transcriptPath), lost);
}

QString transcriptForService(const QString &transcriptPath, const QString &copyFolder, QString *lost)
{
    const QString name = QFileInfo(transcriptCopyPath(transcriptPath)).fileName();
    return writeServiceTranscript(transcriptPath, QDir(copyFolder).filePath(name), lost);
}
