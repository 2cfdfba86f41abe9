#include "audio/WaveLoader.h"

#include <QRunnable>
#include <QThreadPool>

WaveLoadResult runWaveLoad(const WaveLoadRequest &request, const std::atomic<bool> *cancel)
{
    WaveLoadResult result;
    result.serial = request.serial;
    result.mediaPath = request.mediaPath;
    const WaveSource source = prepareWaveSource(request.mediaPath, request.scratchFolder, cancel);
    result.source = source.kind;
    if (!source.ok()) {
        result.error = source.error;
        return result;
    }
    result.wavPath = source.wavPath;
    auto peaks = std::make_shared<WavePeaks>();
    result.wavError = loadWavePeaks(source.wavPath, peaks.get(), cancel);
    if (cancel && cancel->load())
        result.error = QStringLiteral("cancelled");
    else if (result.wavError != WavLoadError::None)
        result.error = QStringLiteral("\"%1\": %2").arg(source.wavPath, wavLoadErrorText(result.wavError));
    else
        result.peaks = std::move(peaks);
    return result;
}

WaveLoader::WaveLoader(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<WaveLoadResult>();
}

WaveLoader::~WaveLoader()
{
    cancel();
}

quint64 WaveLoader::start(const QString &mediaPath, const QString &scratchFolder)
{
    cancel();
    m_loading = true;
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    const WaveLoadRequest request {++m_serial, mediaPath, scratchFolder};

    auto *courier = new WaveLoadCourier;
    connect(courier, &WaveLoadCourier::delivered, this, &WaveLoader::receive, Qt::QueuedConnection);
    const std::shared_ptr<std::atomic<bool>> stop = m_cancel;
    QThreadPool::globalInstance()->start(QRunnable::create([request, stop, courier] {
        emit courier->delivered(runWaveLoad(request, stop.get()));
        courier->deleteLater();
    }));
    return request.serial;
}

void WaveLoader::cancel()
{
    if (m_cancel)
        m_cancel->store(true);
    m_cancel.reset();
    if (m_loading) {
        m_loading = false;
        ++m_serial; // whatever the running load delivers is now stale
    }
}

void WaveLoader::receive(const WaveLoadResult &result)
{
    if (result.serial != m_serial || !m_loading)
        return;
    m_loading = false;
    m_cancel.reset();
    emit loaded(result);
}
