#pragma once

#include <QRect>

class QWidget;

// Geometry of the maximise/normal toggle shared by all pages.
namespace WindowGeometry {

// Available geometry of the screen `window` is on (the primary screen when unknown).
QRect availableArea(const QWidget *window);

// 1280x720 centred in `area`: x = left + (width - 1279) / 2 with the width
// measured as right - left (likewise for y).
QRect normalGeometry(const QRect &area);

// Top-left that centres a window of `size` on `screen`.
QPoint centred(const QRect &screen, const QSize &size);

} // namespace WindowGeometry
