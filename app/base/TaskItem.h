#pragma once

#include <QMetaType>
#include <QString>
#include <QStringList>

// A burn task handed from the burn page to the task page.
struct TaskItem
{
    QString id;
    int number = 0;
    int type = 0;
    QString inputPath;
    QString subtitlePath;
    QString outputPath;
    int progress = 0;
    int started = 0;
    QString status;
    QString secondText;
    QStringList arguments;
};

Q_DECLARE_METATYPE(TaskItem)
