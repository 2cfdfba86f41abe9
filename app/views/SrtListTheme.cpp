#include "views/SrtListTheme.h"

#include <cmath>

namespace {
double linearChannel(int value)
{
    const double c = value / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

QString css(const QColor &color)
{
    return QStringLiteral("rgb(%1, %2, %3)").arg(color.red()).arg(color.green()).arg(color.blue());
}
} // namespace

const SrtListColours &srtListColours()
{
    static const SrtListColours colours {
        QColor(30, 30, 30), // background
        QColor(38, 38, 40), // alternate background
        QColor(214, 214, 214), // text
        QColor(38, 79, 120), // highlight
        QColor(48, 48, 48), // header background
        QColor(230, 230, 230), // header text
        QColor(62, 62, 62), // separator
        QColor(255, 176, 72), // warning
        QColor(212, 49, 49), // overlap
        QColor(40, 40, 40), // scroll track
        QColor(80, 80, 80), // scroll handle
        QColor(112, 112, 112), // scroll handle under the pointer
    };
    return colours;
}

double relativeLuminance(const QColor &color)
{
    return 0.2126 * linearChannel(color.red()) + 0.7152 * linearChannel(color.green())
        + 0.0722 * linearChannel(color.blue());
}

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

QColor toQColor(const TagColor &tag)
{
    if (!tag.isValid())
        return QColor();
    return QColor(tag.red(), tag.green(), tag.blue(), tag.alpha());
}

TagColor toTagColor(const QColor &color)
{
    if (!color.isValid())
        return TagColor();
    return TagColor(color.red(), color.green(), color.blue(), color.alpha());
}

QColor tagDisplayColor(const TagColor &tag, const SrtListColours &colours)
{
    if (!tag.isValid() || tag == TagColor::defaultGray())
        return colours.text;
    return toQColor(tag);
}

QString srtListTableStyleSheet(const SrtListColours &c)
{
    return QStringLiteral(
        "QTableWidget { background: %1; alternate-background-color: %2; color: %3;"
        " selection-background-color: %4; selection-color: %3; border: none;"
        " font-family: \"微软雅黑\"; font-size: 14px; }"
        "QHeaderView::section { background: %5; color: %6; font-family: \"微软雅黑\"; font-size: 16px;"
        " min-height: 30px; border: none; border-bottom: 1px solid %7; border-right: 1px solid %7;"
        " padding: 0 4px; }"
        "QScrollBar:vertical { background: %8; width: 16px; margin: 0; }"
        "QScrollBar:horizontal { background: %8; height: 16px; margin: 0; }"
        "QScrollBar::handle:vertical { background: %9; border-radius: 5px; min-height: 30px; margin: 2px; }"
        "QScrollBar::handle:horizontal { background: %9; border-radius: 5px; min-width: 30px; margin: 2px; }"
        "QScrollBar::handle:hover { background: %10; }"
        "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }"
        "QScrollBar::add-page, QScrollBar::sub-page { background: none; }")
        .arg(css(c.background), css(c.alternateBackground), css(c.text), css(c.highlight), css(c.headerBackground),
            css(c.headerText), css(c.separator), css(c.scrollTrack), css(c.scrollHandle))
        .arg(css(c.scrollHandleHover));
}
