#pragma once

#include "subtitle/TagColor.h"

#include <QColor>
#include <QString>

// The list editor's colours by role, for the program's dark look. The tag
// colours are not here: entries and project files store them, so they are
// shown as stored (see tagDisplayColor()).
struct SrtListColours
{
    QColor background;
    QColor alternateBackground;
    QColor text;
    QColor highlight; // the followed or clicked row, and the selection
    QColor headerBackground;
    QColor headerText;
    QColor separator;
    QColor warning; // number of a row over a reading limit
    QColor overlap; // text of an overlapping entry
    QColor scrollTrack;
    QColor scrollHandle;
    QColor scrollHandleHover;
};

const SrtListColours &srtListColours();

// WCAG 2 relative luminance (0 black .. 1 white) and contrast ratio (1 .. 21).
double relativeLuminance(const QColor &color);
double contrastRatio(const QColor &a, const QColor &b);

QColor toQColor(const TagColor &tag);
TagColor toTagColor(const QColor &color);
// Untagged entries carry the default gray, which was the light table's text
// colour; on the dark table they take the text colour instead. Other tags
// are shown as stored.
QColor tagDisplayColor(const TagColor &tag, const SrtListColours &colours);

// The table's own style: cells, selection, header and scroll bars.
QString srtListTableStyleSheet(const SrtListColours &colours);
