#pragma once

#include "subtitle/LocalCodec.h"
#include "subtitle/SubtitleEntry.h"
#include "subtitle/TimeCode.h"

#include <QApplication>
#include <QFile>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QString>
#include <QVector>
#include <QtEndian>

// A 16 kHz mono 16-bit WAV of the given samples.
inline bool writeServiceWav(const QString &path, const QVector<qint16> &samples)
{
    QByteArray data(samples.size() * 2, '\0');
    for (int i = 0; i < samples.size(); ++i)
        qToLittleEndian(samples[i], data.data() + i * 2);
    QByteArray wav("RIFF");
    const auto put = [&wav](quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            wav.append(char((value >> (8 * i)) & 0xFF));
    };
    put(36 + quint32(data.size()), 4);
    wav.append("WAVEfmt ");
    put(16, 4);
    put(1, 2);
    put(1, 2);
    put(16000, 4);
    put(32000, 4);
    put(2, 2);
    put(16, 2);
    wav.append("data");
    put(quint32(data.size()), 4);
    wav.append(data);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(wav) == wav.size();
}

inline bool writeSilentWav(const QString &path, double seconds)
{
    return writeServiceWav(path, QVector<qint16>(int(seconds * 16000), 0));
}

inline SubtitleEntry waveEntry(qint64 startMs, qint64 endMs, const QString &text = QString())
{
    SubtitleEntry entry;
    entry.startTime = millisecondsToTimeCode(startMs);
    entry.endTime = millisecondsToTimeCode(endMs);
    entry.durationSeconds = qint32((endMs - startMs) / 1000);
    entry.text = toLocal8(text);
    return entry;
}

inline qint64 startMs(const SubtitleEntry &entry)
{
    return timeCodeToMilliseconds(entry.startTime);
}

inline qint64 endMs(const SubtitleEntry &entry)
{
    return timeCodeToMilliseconds(entry.endTime);
}

// Mouse events straight into a scene, as a view would send them.
inline void sendSceneMouse(QGraphicsScene *scene, QEvent::Type type, const QPointF &at,
    Qt::MouseButtons buttons = Qt::LeftButton, Qt::MouseButton button = Qt::LeftButton)
{
    QGraphicsSceneMouseEvent event(type);
    event.setScenePos(at);
    event.setScreenPos(at.toPoint());
    event.setLastScenePos(at);
    event.setButtonDownScenePos(Qt::LeftButton, at);
    event.setButton(type == QEvent::GraphicsSceneMouseMove ? Qt::NoButton : button);
    event.setButtons(buttons);
    QApplication::sendEvent(scene, &event);
}

// Press at `from`, move there in `steps` steps, release.
inline void dragInScene(QGraphicsScene *scene, const QPointF &from, const QPointF &to, int steps = 5)
{
    sendSceneMouse(scene, QEvent::GraphicsSceneMousePress, from);
    for (int i = 1; i <= steps; ++i)
        sendSceneMouse(scene, QEvent::GraphicsSceneMouseMove, from + (to - from) * i / steps);
    sendSceneMouse(scene, QEvent::GraphicsSceneMouseRelease, to, Qt::NoButton);
}
