#pragma once

#include <QString>

// The value beside a boundary slider: "   %1ms" of the distance, kept to its
// last 6 characters ("   5ms", " 500ms", "1000ms").
QString boundaryShiftValueText(int milliseconds);
// The direction beside a boundary slider: `later` for a positive shift,
// `earlier` for a negative one, two blanks for none.
QString boundaryShiftDirectionText(int milliseconds, const QString &later, const QString &earlier);
