#pragma once

#include "audio/BurnCommand.h"
#include "project/BurnPresets.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// The burn form's item lists and the rules between its texts and a burn's
// settings, without widgets.
namespace BurnForm {

extern const char *const SameAsSource; // "与源相同", index 0 of the choice lists

QStringList frameRates();
QStringList videoBitrates();
QStringList profiles();
QStringList levels();
QStringList videoSizes();
QStringList audioBitrates();
QStringList audioSampleRates();
QStringList margins();
QStringList outlineWidths();
QStringList fontSizes();

// A choice's value for the command: empty for "与源相同".
QString choiceValue(const QString &text);

// The family the font list starts on: "微软雅黑", else "Microsoft YaHei",
// else the first family that covers simplified Chinese, else the first one.
QString startingFontFamily(const QStringList &families, const QStringList &chineseFamilies);

// An output name without a suffix gets ".mp4", which names the container.
QString outputWithSuffix(const QString &path);

// The form's encoding choices (texts as shown, profile index) as a user
// preset called `name`; the reverse is applyPreset().
preset presetFromSettings(const BurnSettings &settings, const QString &name);
// "我的预设N" with the smallest N no preset uses.
QString newPresetName(const Presets &presets);
// One line about a preset for its row: size, rates.
QString presetSummary(const preset &p);

} // namespace BurnForm

// Burn ids: the date-time "yyyyMMddhhmmss", with "-2", "-3", ... for
// further ids within the same second, so no two tasks share one.
class BurnIdMaker
{
public:
    QString next(const QDateTime &now = QDateTime::currentDateTime());

private:
    QString m_last;
    int m_repeats = 0;
};
