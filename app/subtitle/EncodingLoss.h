#pragma once

#include "subtitle/SubtitleEntry.h"

#include <QString>

// How many characters of the entries' texts the named encoding ("GBK",
// "Big5", ...) cannot hold: each would be written as "?". -1 when the name
// is unknown. Lets an export offer UTF-8 or GB18030 instead.
int countUnencodableCharacters(const SubtitleEntries &entries, const QString &codecName);
