#pragma once

#include "subtitle/SubtitleEntry.h"

#include <QColor>
#include <QString>
#include <QVector>
#include <functional>

// Recognition confidence (0..100) arrives in an entry's extraNumber. 0 also
// stands for "not known" (older results, projects and plain SRT files), so
// only a known confidence under the threshold marks a row for review.
namespace ConfidenceKeys {
inline const QString MinConfidence = QStringLiteral("/BaseSet/MinConfidence");
} // namespace ConfidenceKeys

constexpr int kDefaultMinConfidence = 60;

// The threshold from settings text read through `readSetting`; a missing,
// non-integer or out-of-range (0..100) value keeps the default. 0 turns the
// marks off.
int minConfidenceFrom(const std::function<QString(const QString &key)> &readSetting);

bool isDoubtful(const SubtitleEntry &entry, int minConfidence);
// One flag per entry, for stepping with nextFlaggedRow().
QVector<bool> doubtfulRows(const SubtitleEntries &entries, int minConfidence);

// The number cell's tooltip line for a doubtful entry.
QString confidenceWarningText(const SubtitleEntry &entry);

// The number colour of a doubtful row: apart from the reading-limit warning
// and readable on every row background of the dark table.
QColor doubtfulColour();
