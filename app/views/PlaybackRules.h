#pragma once

#include "subtitle/SubtitleEntry.h"

#include <QString>

// The player panel's arithmetic, free of widgets and of the player itself.
namespace PlaybackRules {

// The first entry in list order whose span [start, end] holds `seconds`;
// -1 when none does.
int entryAt(const SubtitleEntries &entries, double seconds);

// The line "play current line" plays: the entry under `seconds`; else one
// that ended at most `kLineEndSlack` before it, as playing a line pauses on
// the first frame at or after its end; else the first one starting after
// it; -1 when there is none.
constexpr double kLineEndSlack = 0.1;
int lineToPlay(const SubtitleEntries &entries, double seconds);

// The speed button's text: "2X", "1.75", ..., "1X", "0.75", "0.5".
QString speedText(double speed);

// The speed a menu label stands for: 2 - (n - 1) * 0.25 with n the last
// character of its object name ("label_1" is 2, "label_7" is 0.5).
double speedForLabel(const QString &objectName);

// What a pointer at `x` on the 32-pixel volume button means.
struct VolumeStep
{
    int image = 3; // volume_<image>.png
    double fraction = 0; // 0 to 1.0 of the button's range
};
VolumeStep volumeForPointer(int x);

// The volume image for a linear gain of 0 to 2.0, as if the pointer had
// been put there.
int volumeImageForGain(double gain);

// The player's volume scale is cubic: a linear gain of 0 to 2.0 is
// 100 * cbrt(gain) percent there.
double cubicVolumePercent(double gain);

// The value a click at `x` on a slider `width` pixels wide stands for.
int sliderValueAt(int minimum, int maximum, int x, int width);

// The slider value showing `t` of `total` seconds, rounded up by half a
// percent; the minimum when the total is unknown (0) instead of 0 / 0.
int sliderValueForFraction(double t, double total, int minimum, int maximum);

// Why `path` may not be handed to the player, or "" when it may: only an
// existing local file given by its absolute path is loaded; a "proto://"
// address (from a project file, say) never is.
QString refusalReason(const QString &path);

} // namespace PlaybackRules
