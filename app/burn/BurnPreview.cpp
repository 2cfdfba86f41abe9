#include "burn/BurnPreview.h"

#include "audio/FfmpegProgress.h"
#include "audio/ToolRunner.h"

#include <QFile>
#include <QProcess>

BurnPreview::BurnPreview(QObject *parent)
    : QObject(parent)
{
}

BurnPreview::~BurnPreview()
{
    if (isRunning()) {
        m_process->disconnect(this);
        m_process->kill();
        m_process->waitForFinished(3000);
    }
}

bool BurnPreview::isRunning() const
{
    return m_process && m_process->state() != QProcess::NotRunning;
}

bool BurnPreview::render(const BurnSettings &settings, double seconds, const QString &pngPath)
{
    if (isRunning()) {
        m_process->disconnect(this);
        m_process->kill();
        m_process->waitForFinished(3000);
    }
    delete m_process;
    m_process = nullptr;
    const QString program = ffmpegProgramPath();
    if (program.isEmpty()) {
        emit failed(QStringLiteral("ffmpeg not found"));
        return false;
    }
    m_pngPath = pngPath;
    m_output.clear();
    QFile::remove(pngPath);
    m_process = new QProcess(this);
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->setStandardInputFile(QProcess::nullDevice());
    connect(m_process, &QProcess::readyReadStandardOutput, this,
            [this] { m_output = (m_output + QString::fromUtf8(m_process->readAll())).right(8192); });
    connect(m_process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            [this](int exitCode, QProcess::ExitStatus) { onFinished(exitCode); });
    m_process->start(program, QStringList{QStringLiteral("-nostdin"), QStringLiteral("-hide_banner")}
                                  + previewArguments(settings, seconds, pngPath));
    if (!m_process->waitForStarted(-1)) {
        emit failed(m_process->errorString());
        return false;
    }
    return true;
}

void BurnPreview::onFinished(int exitCode)
{
    const QImage frame(m_pngPath);
    if (exitCode == 0 && !frame.isNull()) {
        emit rendered(frame);
        return;
    }
    const QString reason = lastErrorLine(m_output);
    // A time past the end writes no frame and no error.
    emit failed(reason.isEmpty() ? QStringLiteral("该时间没有画面") : reason);
}
