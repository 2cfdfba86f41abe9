#pragma once

#include "audio/BurnCommand.h"

#include <QString>
#include <QVector>

// An encoding preset of the burn page. Sizes and rates are texts as the
// form shows them; empty means "keep the source's value".
struct preset
{
    QString name;
    int type = 1; // 0 built-in, 1 the user's own
    QString videoWidth;
    QString videoHeight;
    QString videoBitrate;
    QString frameRate;
    QString profileName; // "Baseline", "Main", "High"
    QString level;
    QString audioBitrate;
    QString audioSampleRate;
    QString audioChannels;

    bool operator==(const preset &o) const;
};
using Presets = QVector<preset>;

// The two built-in presets every list starts with.
Presets builtInPresets();

// "<userDataFolder>/preset.xml".
QString presetFilePath();

// The built-ins followed by the user presets of `path`. A missing or
// malformed file gives the built-ins only; `error` (when given) tells why
// a file that exists could not be read.
Presets loadPresets(const QString &path, QString *error = nullptr);

// The user presets of `presets` as the file's bytes (UTF-8, indented).
QByteArray presetFileBytes(const Presets &presets);

// Writes the user presets atomically; false (the old file kept) on failure.
bool writePresets(const QString &path, const Presets &presets);

// Fills the encoding choices of `settings` from `p`; the style and the
// paths stay. Unknown values keep the source's.
void applyPreset(const preset &p, BurnSettings &settings);

// The preset `key` names: a 1-based position in the list, else the first
// preset of that name. Null when none.
const preset *findPreset(const Presets &presets, const QString &key);
