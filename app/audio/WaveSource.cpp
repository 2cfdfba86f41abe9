#include "audio/WaveSource.h"

#include "audio/AudioExtraction.h"
#include "audio/WavProbe.h"
#include "subtitle/AtomicFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>

QString defaultWaveScratchFolder()
{
    return QDir::tempPath() + QStringLiteral("/CuewrightClient");
}

WaveSourceStamp stampOf(const QString &mediaPath)
{
    const QFileInfo info(mediaPath);
    WaveSourceStamp stamp;
    stamp.path = info.absoluteFilePath();
    if (info.isFile()) {
        stamp.size = info.size();
        stamp.modifiedMs = info.lastModified().toMSecsSinceEpoch();
    }
    return stamp;
}

QString stampPathFor(const QString &wavPath)
{
    return wavPath + QStringLiteral(".source");
}

bool writeStamp(const QString &wavPath, const WaveSourceStamp &stamp)
{
    const QJsonObject object {{QStringLiteral("path"), stamp.path},
        {QStringLiteral("size"), QString::number(stamp.size)},
        {QStringLiteral("modified"), QString::number(stamp.modifiedMs)}};
    return writeFileAtomically(stampPathFor(wavPath), QJsonDocument(object).toJson(QJsonDocument::Compact));
}

bool readStamp(const QString &wavPath, WaveSourceStamp *stamp)
{
    QByteArray bytes;
    if (!readWholeFile(stampPathFor(wavPath), &bytes))
        return false;
    const QJsonObject object = QJsonDocument::fromJson(bytes).object();
    bool sizeOk = false;
    bool modifiedOk = false;
    stamp->path = object.value(QStringLiteral("path")).toString();
    stamp->size = object.value(QStringLiteral("size")).toString().toLongLong(&sizeOk);
    stamp->modifiedMs = object.value(QStringLiteral("modified")).toString().toLongLong(&modifiedOk);
    return sizeOk && modifiedOk && !stamp->path.isEmpty();
}

namespace {

// One mutex per target WAV, alive while someone holds or waits for it.
std::shared_ptr<std::mutex> targetLock(const QString &target)
{
    static std::mutex registryMutex;
    static std::map<QString, std::weak_ptr<std::mutex>> registry;
    const std::lock_guard<std::mutex> guard(registryMutex);
    for (auto it = registry.begin(); it != registry.end();)
        it = it->second.expired() ? registry.erase(it) : std::next(it);
    std::shared_ptr<std::mutex> lock = registry[target].lock();
    if (!lock) {
        lock = std::make_shared<std::mutex>();
        registry[target] = lock;
    }
    return lock;
}

bool isCurrentExtraction(const QString &wavPath, const WaveSourceStamp &source)
{
    WaveSourceStamp recorded;
    return readStamp(wavPath, &recorded) && recorded == source && isServiceWavFormat(probeWav(wavPath));
}

WaveSource failure(const QString &wavPath, const QString &error)
{
    WaveSource source;
    source.wavPath = wavPath;
    source.error = error;
    return source;
}

} // namespace

WaveSource prepareWaveSource(const QString &mediaPath, const QString &scratchFolder, const std::atomic<bool> *cancel)
{
    if (mediaPath.isEmpty() || !QFileInfo(mediaPath).isFile())
        return failure(QString(), QStringLiteral("no media file \"%1\"").arg(mediaPath));
    if (isUsableWav(mediaPath))
        return {mediaPath, WaveSourceKind::MediaItself, QString()};
    if (!QDir().mkpath(scratchFolder))
        return failure(QString(), QStringLiteral("cannot create the folder \"%1\"").arg(scratchFolder));

    const QString target = wavOutputPathFor(mediaPath, QDir(scratchFolder).absolutePath());
    const std::shared_ptr<std::mutex> lock = targetLock(target);
    const std::lock_guard<std::mutex> guard(*lock);

    const WaveSourceStamp source = stampOf(mediaPath);
    if (isCurrentExtraction(target, source))
        return {target, WaveSourceKind::Reused, QString()};

    QTemporaryDir work(QDir(scratchFolder).filePath(QStringLiteral("wave-XXXXXX")));
    if (!work.isValid())
        return failure(target, QStringLiteral("cannot create a work folder in \"%1\"").arg(scratchFolder));
    const QString made = work.filePath(QStringLiteral("wave.wav"));
    ConversionControl control;
    control.cancel = cancel;
    if (!convertToWav(mediaPath, made, work.path(), control))
        return failure(target, QStringLiteral("the audio of \"%1\" could not be extracted").arg(mediaPath));
    if (!isServiceWavFormat(probeWav(made)))
        return failure(target, QStringLiteral("the audio extracted from \"%1\" is not usable").arg(mediaPath));

    // Stamp gone first: a crash after the swap leaves an unstamped WAV,
    // which is extracted again rather than trusted.
    QFile::remove(stampPathFor(target));
    if (std::rename(QFile::encodeName(made).constData(), QFile::encodeName(target).constData()) != 0)
        return failure(target, QStringLiteral("cannot move the extracted audio to \"%1\"").arg(target));
    if (!writeStamp(target, source))
        return failure(target, QStringLiteral("cannot record the source of \"%1\"").arg(target));
    return {target, WaveSourceKind::Extracted, QString()};
}
