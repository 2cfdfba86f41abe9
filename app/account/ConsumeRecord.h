#pragma once

#include <QString>
#include <QVector>

// One row of the consumption-records table, already in display form.
struct ConsumeRecord
{
    QString time;
    QString type;
    QString amount;
    QString duration;
};

// "+" is a recharge, "-" a consumption; other signs are credits of other kinds.
QString consumeTypeLabel(const QString &sign);

// The records of a reply, newest first: the reply's last line becomes the
// first row. Lines with fewer than four comma-separated fields are skipped.
QVector<ConsumeRecord> parseConsumeRecords(const QString &reply);
