#pragma once

#include "audio/BurnCommand.h"

#include <QImage>
#include <QObject>

class QProcess;

// Renders one frame of the burn with its subtitle filter, in the background,
// so the style can be seen before hours of encoding.
class BurnPreview : public QObject
{
    Q_OBJECT
public:
    explicit BurnPreview(QObject *parent = nullptr);
    ~BurnPreview() override;

    // Starts a render of the frame at `seconds` into `pngPath`; a render
    // still running is dropped. False when ffmpeg cannot be started.
    bool render(const BurnSettings &settings, double seconds, const QString &pngPath);
    bool isRunning() const;

signals:
    void rendered(QImage frame);
    void failed(QString reason);

private:
    void onFinished(int exitCode);

    QProcess *m_process = nullptr;
    QString m_pngPath;
    QString m_output;
};
