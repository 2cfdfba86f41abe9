#pragma once

#include "audio/WavePeaks.h"
#include "audio/WaveSource.h"

#include <QMetaType>
#include <QObject>
#include <QString>
#include <atomic>
#include <memory>

// One waveform load, given by value to the worker.
struct WaveLoadRequest
{
    quint64 serial = 0;
    QString mediaPath;
    QString scratchFolder;
};

// What a load produced: the WAV it chose and its peaks table.
struct WaveLoadResult
{
    quint64 serial = 0;
    QString mediaPath;
    QString wavPath; // empty when no WAV could be chosen or made
    WaveSourceKind source = WaveSourceKind::None;
    std::shared_ptr<const WavePeaks> peaks; // null when the WAV could not be read
    WavLoadError wavError = WavLoadError::None;
    QString error; // empty when the waveform is there

    bool ok() const { return peaks != nullptr; }
};
Q_DECLARE_METATYPE(WaveLoadResult)

// The whole load: choose or extract the WAV, then build its table. Touches
// no shared state, so it runs on any thread.
WaveLoadResult runWaveLoad(const WaveLoadRequest &request, const std::atomic<bool> *cancel = nullptr);

// Runs loads on the global thread pool and hands back, on its own thread,
// the result of the latest one only: each start() numbers a new load and
// stops the previous load's extraction, whose late result is dropped.
class WaveLoader : public QObject
{
    Q_OBJECT
public:
    explicit WaveLoader(QObject *parent = nullptr);
    ~WaveLoader() override;

    quint64 start(const QString &mediaPath, const QString &scratchFolder);
    // No load is current any more: a running one is stopped and dropped.
    void cancel();

    quint64 currentSerial() const { return m_serial; }
    bool isLoading() const { return m_loading; }

signals:
    void loaded(const WaveLoadResult &result);

private:
    void receive(const WaveLoadResult &result);

    quint64 m_serial = 0;
    bool m_loading = false;
    std::shared_ptr<std::atomic<bool>> m_cancel;
};

// Carries one load's result from the worker to the loader's thread; the
// worker emits it and hands it back with deleteLater().
class WaveLoadCourier : public QObject
{
    Q_OBJECT
signals:
    void delivered(const WaveLoadResult &result);
};
