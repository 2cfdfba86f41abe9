#include "views/WaveRenderer.h"

#include "views/WaveViewRules.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>
#include <cstring>

namespace {

const QColor Backdrop(58, 60, 85);
const QColor RulerBand(55, 90, 119);
const QColor TickColour(156, 182, 203);

QRgb gradientPixel(int r, int g, int b, double t)
{
    const int alpha = int(std::lround(255 + (20 - 255) * t));
    return qPremultiply(qRgba(r, g, b, alpha));
}

} // namespace

WaveRenderer::WaveRenderer()
    : m_labelFont(QStringLiteral("Microsoft YaHei"))
{
    m_labelFont.setPixelSize(12);
    m_labelWidth = QFontMetricsF(m_labelFont).horizontalAdvance(QStringLiteral("00:00:00"));
}

void WaveRenderer::paint(QPainter *painter, const QRectF &exposed, const WaveBackgroundState &state)
{
    painter->fillRect(exposed, Backdrop);
    if (exposed.top() <= 10)
        paintRuler(painter, exposed, state);
    if (state.peaks && !state.peaks->isEmpty())
        paintWave(painter, exposed, state);
}

void WaveRenderer::paintRuler(QPainter *painter, const QRectF &exposed, const WaveBackgroundState &state)
{
    painter->save();
    painter->fillRect(QRectF(exposed.x(), 0.5, exposed.width(), 29.5), RulerBand);
    painter->setPen(QPen(Qt::black, 1));
    painter->drawLine(QLineF(exposed.left(), 29, exposed.right(), 29));

    const QVector<RulerTick> ticks
        = rulerTicks(exposed.left(), exposed.right(), state.sceneWidth, state.scale, m_labelWidth / 2);
    QVector<QLineF> lines;
    lines.reserve(ticks.size());
    for (const RulerTick &tick : ticks)
        lines.append(QLineF(tick.x, tick.major ? 16 : 20, tick.x, 28));
    painter->setPen(QPen(TickColour, 1));
    painter->drawLines(lines);
    painter->setFont(m_labelFont);
    for (const RulerTick &tick : ticks) {
        if (tick.major)
            painter->drawText(QPointF(tick.x - m_labelWidth / 2, 14), rulerLabel(tick.x, state.scale));
    }
    painter->restore();
}

void WaveRenderer::prepareStrips(int waveHeight)
{
    if (m_stripHeight == waveHeight)
        return;
    m_stripHeight = waveHeight;
    const int longest = waveHeight / 2 + 2;
    m_stripOffsets.resize(longest + 2);
    m_plainStrips.clear();
    m_highlightStrips.clear();
    for (int length = 0; length <= longest; ++length) {
        m_stripOffsets[length] = m_plainStrips.size();
        for (int k = 0; k <= length; ++k) {
            const double t = length == 0 ? 0.0 : double(k) / length;
            m_plainStrips.append(gradientPixel(255, 255, 255, t));
            m_highlightStrips.append(gradientPixel(60, 241, 175, t));
        }
    }
    m_stripOffsets[longest + 1] = m_plainStrips.size();
}

void WaveRenderer::paintWave(QPainter *painter, const QRectF &exposed, const WaveBackgroundState &state)
{
    const int waveHeight = waveHeightFor(state.sceneHeight);
    if (waveHeight < 2)
        return;
    const qint64 x0 = qMax<qint64>(0, qint64(std::floor(exposed.left())));
    const qint64 x1 = qint64(std::ceil(exposed.right()));
    if (x1 <= x0)
        return;
    m_peaks.resize(int(x1 - x0));
    const int count = state.peaks->columns(x0, int(x1 - x0), state.scale, m_peaks.data());
    if (count <= 0)
        return;

    prepareStrips(waveHeight);
    const int rows = waveHeight + 1; // y from WaveTop to WaveTop + waveHeight
    if (m_columns.width() < count || m_columns.height() != rows)
        m_columns = QImage(qMax(count, 256), rows, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < rows; ++y)
        std::memset(m_columns.scanLine(y), 0, size_t(count) * sizeof(QRgb));

    const int longest = waveHeight / 2 + 2;
    const int stride = m_columns.bytesPerLine() / int(sizeof(QRgb));
    QRgb *bits = reinterpret_cast<QRgb *>(m_columns.bits());
    for (int i = 0; i < count; ++i) {
        const qint64 x = x0 + i;
        const bool lit = x >= state.highlightStart && x <= state.highlightEnd;
        const QRgb *strips = lit ? m_highlightStrips.constData() : m_plainStrips.constData();
        const WaveColumnPixels column = waveColumnPixels(m_peaks[i], waveHeight);
        const int centre = column.centre - WaveLayout::WaveTop;
        const int down = qMin(column.bottom - column.centre, longest);
        const int up = qMin(column.centre - column.top, longest);
        const QRgb *downStrip = strips + m_stripOffsets[down];
        for (int k = 0; k <= down && centre + k < rows; ++k)
            bits[(centre + k) * stride + i] = downStrip[k];
        const QRgb *upStrip = strips + m_stripOffsets[up];
        for (int k = 0; k <= up && centre - k >= 0; ++k)
            bits[(centre - k) * stride + i] = upStrip[k];
    }
    painter->drawImage(QPointF(double(x0), WaveLayout::WaveTop), m_columns, QRectF(0, 0, count, rows));
}
