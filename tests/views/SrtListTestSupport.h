#pragma once

#include "ShellFixture.h"

#include "base/CurrentProject.h"
#include "base/PlaybackState.h"
#include "subtitle/LocalCodec.h"
#include "subtitle/SubtitleList.h"
#include "subtitle/TimeCode.h"
#include "views/SrtListTable.h"
#include "views/SrtListWidget.h"

#include <QTableWidget>
#include <QVector>

struct Cue
{
    qint64 startMs;
    qint64 endMs;
    QString text;
};

// SRT text of the cues, numbered from 1, in the local form unless `utf8`.
inline QByteArray srtBytes(const QVector<Cue> &cues, bool utf8 = false)
{
    QString srt;
    for (int i = 0; i < cues.size(); ++i) {
        srt += QStringLiteral("%1\r\n%2 --> %3\r\n%4\r\n\r\n")
                   .arg(i + 1)
                   .arg(formatTimeCode(millisecondsToTimeCode(cues[i].startMs)),
                       formatTimeCode(millisecondsToTimeCode(cues[i].endMs)), cues[i].text);
    }
    return utf8 ? srt.toUtf8() : toLocal8(srt);
}

// A list editor on its own, with a file of subtitles at hand.
class SrtListFixture : public ShellFixture
{
protected:
    // Chinese text keeps the local form from reading as UTF-8, so the file
    // is opened in place.
    QString writeSrt(const QString &name, const QVector<Cue> &cues, bool utf8 = false)
    {
        const QString path = workFile(name);
        writeFile(path, srtBytes(cues, utf8));
        return path;
    }

    static QVector<Cue> fourCues()
    {
        return {{1000, 2000, QStringLiteral("一")}, {2000, 3000, QStringLiteral("二")},
            {3000, 4000, QStringLiteral("三")}, {4000, 5000, QStringLiteral("四")}};
    }

    static QStringList listTexts()
    {
        QStringList texts;
        for (const SubtitleEntry &entry : currentSubtitleList().snapshot())
            texts << fromLocal8(entry.text);
        return texts;
    }

    static QStringList columnTexts(const SrtListWidget &list, int column)
    {
        QStringList texts;
        for (int row = 0; row < list.table()->rowCount(); ++row)
            texts << SrtListTable::cellText(list.table(), row, column);
        return texts;
    }

    static qint64 startMsOf(int row) { return timeCodeToMilliseconds(currentSubtitleList().at(row).startTime); }
    static qint64 endMsOf(int row) { return timeCodeToMilliseconds(currentSubtitleList().at(row).endTime); }
};
