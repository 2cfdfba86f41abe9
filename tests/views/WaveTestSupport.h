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
#include <cstring>

// A 16 kHz mono 16-bit WAV of silence.
inline bool writeSilentWav(const QString &path, double seconds)
{
    const quint32 data = quint32(seconds * 16000) * 2;
    uchar head[44];
    std::memcpy(head, "RIFF", 4);
    qToLittleEndian<quint32>(36 + data, head + 4);
    std::memcpy(head + 8, "WAVEfmt ", 8);
    // fmt size; PCM, mono; 16 kHz; bytes per second; block 2, 16 bits
    const quint32 fmt[] = {16, 0x10001, 16000, 32000, 0x100002};
    for (int i = 0; i < 5; ++i)
        qToLittleEndian<quint32>(fmt[i], head + 16 + 4 * i);
    std::memcpy(head + 36, "data", 4);
    qToLittleEndian<quint32>(data, head + 40);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(reinterpret_cast<const char *>(head), 44) == 44
        && file.write(QByteArray(int(data), '\0')) == int(data);
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
