#include "views/AudioScene.h"

#include "audio/WaveTimeScale.h"
#include "base/CurrentProject.h"
#include "base/PlaybackState.h"
#include "base/SignalProxy.h"
#include "subtitle/SubtitleList.h"
#include "views/MyItem.h"
#include "views/SpinItem.h"
#include "views/WaveViewRules.h"

#include <QGraphicsSceneMouseEvent>
#include <QGraphicsView>
#include <QKeyEvent>
#include <QScrollBar>
#include <cmath>
#include <utility>

namespace {
constexpr int GlideIntervalMs = 16;
constexpr double NudgeSeconds = 0.01;
constexpr double ShiftNudgeSeconds = 0.1;
} // namespace

AudioScene::AudioScene(const QSizeF &viewSize, QObject *parent)
    : QGraphicsScene(parent)
    , m_viewSize(viewSize)
{
    setSceneRect(0, 0, viewSize.width(), viewSize.height());
    // No spatial index: a zoom or another file moves every block at once,
    // and an index update each took about 60 ms for 5000 blocks, while a
    // plain walk finds the blocks under the pointer among 10000 in 0.3 ms.
    setItemIndexMethod(QGraphicsScene::NoIndex);
    m_cursor = new SpinItem;
    addItem(m_cursor);
    placeCursor(0);

    m_glide.setInterval(GlideIntervalMs);
    connect(&m_glide, &QTimer::timeout, this, &AudioScene::glide);

    SignalProxy *hub = SignalProxy::instance();
    connect(hub, &SignalProxy::signal_noticePlayState, this, &AudioScene::slot_noticePlayState);
    connect(hub, &SignalProxy::signal_NoticeZoomIn, this, &AudioScene::slot_Zoomin);
    connect(hub, &SignalProxy::signal_NoticeZoomOut, this, &AudioScene::slot_Zoomout);
}

AudioScene::~AudioScene()
{
    m_glide.stop();
    // The items go with the scene; forget them first.
    m_blocks.clear();
    m_cursor = nullptr;
}

double AudioScene::scale()
{
    return clampTimeScale(timeScaleValue());
}

void AudioScene::setPeaks(std::shared_ptr<const WavePeaks> peaks)
{
    m_peaks = std::move(peaks);
    fitSceneRect();
    invalidate(sceneRect(), QGraphicsScene::BackgroundLayer);
}

void AudioScene::setViewSize(const QSizeF &size)
{
    if (size == m_viewSize)
        return;
    const bool taller = size.height() != m_viewSize.height();
    m_viewSize = size;
    fitSceneRect();
    if (taller) {
        for (MyItem *block : qAsConst(m_blocks))
            block->setHeight(size.height());
    }
    invalidate(sceneRect(), QGraphicsScene::BackgroundLayer);
}

void AudioScene::fitSceneRect()
{
    setSceneRect(0, 0, waveSceneWidth(sampleCount(), scale(), m_viewSize.width()), m_viewSize.height());
}

void AudioScene::placeCursor(double x)
{
    m_cursor->setPos(x, WaveLayout::CursorY);
}

void AudioScene::rebuildBlocks(const SubtitleEntries &entries)
{
    // The blocks there are take the new entries: deleting thousands of
    // items and making them again costs far more than moving them, most of
    // all before the scene has polished them. A drag in progress ends here.
    cancelBlockDrag();
    m_selectedBlock = -1;
    while (m_blocks.size() > entries.size())
        delete m_blocks.takeLast();
    const double s = scale();
    m_blocks.reserve(entries.size());
    for (int i = 0; i < entries.size(); ++i) {
        if (i == m_blocks.size()) {
            m_blocks.append(new MyItem);
            addItem(m_blocks.last());
        }
        m_blocks[i]->setFromEntry(entries[i], s, m_viewSize.height());
        m_blocks[i]->setIndex(i);
    }
}

void AudioScene::clearBlocks()
{
    m_selectedBlock = -1;
    cancelBlockDrag();
    qDeleteAll(std::exchange(m_blocks, {}));
}

bool AudioScene::refreshBlock(int index, const SubtitleEntry &entry)
{
    if (index < 0 || index >= m_blocks.size())
        return false;
    m_blocks[index]->setFromEntry(entry, scale(), m_viewSize.height());
    return true;
}

void AudioScene::refreshBlocks(const SubtitleEntries &entries)
{
    const double s = scale();
    const int count = qMin(entries.size(), m_blocks.size());
    for (int i = 0; i < count; ++i)
        m_blocks[i]->setFromEntry(entries[i], s, m_viewSize.height());
}

BlockLimits AudioScene::limitsFor(int index) const
{
    if (index < 0 || index >= m_blocks.size())
        return {0, sceneRect().right()};
    // Only the neighbours count: no walk over thousands of blocks per move.
    QVector<BlockSpan> near;
    int at = 0;
    if (index > 0) {
        near.append(m_blocks[index - 1]->span());
        at = 1;
    }
    near.append(m_blocks[index]->span());
    if (index + 1 < m_blocks.size())
        near.append(m_blocks[index + 1]->span());
    return blockLimits(near, at, sceneRect().right());
}

double AudioScene::minBlockWidth() const
{
    return secondsToSceneX(NudgeSeconds, scale());
}

void AudioScene::beginBlockDrag(int index, BlockPart part)
{
    m_dragging = true;
    m_dragRecorded = false;
    m_selectedBlock = part == BlockPart::Body ? -1 : index;
    m_selectedEdge = part;
}

void AudioScene::endBlockDrag()
{
    m_dragging = false;
    m_dragRecorded = false;
}

void AudioScene::cancelBlockDrag()
{
    if (auto *block = dynamic_cast<MyItem *>(mouseGrabberItem()))
        block->releaseInteraction();
    endBlockDrag();
}

bool AudioScene::writeBack(int index, const BlockSpan &span)
{
    SubtitleList &list = currentSubtitleList();
    // Blocks of a list that has since been replaced must not write into it.
    if (index < 0 || index >= list.size() || index >= m_blocks.size())
        return false;
    const SubtitleEntry entry = entryWithBlockTimes(list.at(index), span, scale());
    const auto step = m_dragging && m_dragRecorded ? SubtitleList::Step::Continue : SubtitleList::Step::New;
    m_writingBack = true;
    const bool changed = list.replace(index, entry, step);
    m_writingBack = false;
    if (!changed)
        return false;
    if (m_dragging)
        m_dragRecorded = true;
    emit SignalProxy::instance()->signal_noticeUpdateSrtlistWidgetItem(index);
    return true;
}

bool AudioScene::nudgeSelectedEdge(double seconds)
{
    if (m_selectedBlock < 0 || m_selectedBlock >= m_blocks.size() || m_dragging)
        return false;
    MyItem *block = m_blocks[m_selectedBlock];
    const BlockSpan before = block->span();
    const BlockSpan after = nudgeEdge(
        before, m_selectedEdge, secondsToSceneX(seconds, scale()), limitsFor(m_selectedBlock), minBlockWidth());
    if (after == before)
        return false;
    block->setSpan(after);
    const bool written = writeBack(m_selectedBlock, after);
    // Back onto whole milliseconds, so repeated nudges add up exactly.
    refreshBlock(m_selectedBlock, currentSubtitleList().at(m_selectedBlock));
    return written;
}

void AudioScene::paintBackground(QPainter *painter, const QRectF &exposed)
{
    WaveBackgroundState state;
    state.peaks = m_peaks.get();
    state.scale = scale();
    state.sceneWidth = sceneRect().width();
    state.sceneHeight = sceneRect().height();
    state.highlightStart = m_highlightStart;
    state.highlightEnd = m_highlightEnd;
    m_renderer.paint(painter, exposed, state);
}

void AudioScene::drawBackground(QPainter *painter, const QRectF &rect)
{
    paintBackground(painter, rect);
}

void AudioScene::invalidateBand(double start, double end)
{
    if (start < 0 || end < start)
        return;
    const double left = std::floor(start);
    invalidate(QRectF(left, WaveLayout::RulerHeight, std::ceil(end) - left + 1,
                   sceneRect().height() - WaveLayout::RulerHeight),
        QGraphicsScene::BackgroundLayer);
}

void AudioScene::slot_noticePlayState(int iTag, double dPos, double dStart, double dEnd)
{
    Q_UNUSED(iTag)
    const PlaybackState &playback = playbackState();
    if (playback.pausedSeekSource == 2 || dPos < 0 || !m_loaded)
        return;
    m_reportedX = dPos;
    m_sinceReport.restart();
    placeCursor(dPos);
    if (dStart != m_highlightStart || dEnd != m_highlightEnd) {
        invalidateBand(m_highlightStart, m_highlightEnd);
        m_highlightStart = dStart;
        m_highlightEnd = dEnd;
        invalidateBand(m_highlightStart, m_highlightEnd);
    }
    followCursor(dPos, dStart, dEnd);
    if (playback.playerStarted && !playback.playerPaused) {
        if (!m_glide.isActive())
            m_glide.start();
    } else {
        m_glide.stop();
    }
}

void AudioScene::followCursor(double pos, double start, double end)
{
    const QList<QGraphicsView *> views = this->views();
    if (views.isEmpty())
        return;
    QScrollBar *bar = views.first()->horizontalScrollBar();
    const int value = bar->value();
    const int target = followScrollValue(value, views.first()->viewport()->width(), pos, start, end);
    if (target != value)
        bar->setValue(target);
}

void AudioScene::glide()
{
    const PlaybackState &playback = playbackState();
    if (!playback.playerStarted || playback.playerPaused || playback.pausedSeekSource == 2 || !m_loaded) {
        m_glide.stop();
        return;
    }
    const double s = scale();
    double x = interpolatedCursorX(
        m_reportedX, m_sinceReport.elapsed(), s, playback.playSpeed > 0 ? playback.playSpeed : 1.0);
    if (sampleCount() > 0)
        x = std::fmin(x, audioSceneWidth(sampleCount(), s));
    placeCursor(std::fmax(x, m_reportedX));
}

void AudioScene::slot_Zoomin()
{
    applyZoom(zoomedIn(scale()));
}

void AudioScene::slot_Zoomout()
{
    applyZoom(zoomedOut(scale()));
}

void AudioScene::applyZoom(double newScale)
{
    const double old = scale();
    const double oldCursorX = m_cursor->x();
    const double unscaled = oldCursorX / old;
    timeScaleValue() = newScale;
    currentProject().setting.TimeScaleValue = newScale;
    fitSceneRect();
    refreshBlocks(currentSubtitleList().snapshot());
    placeCursor(unscaled * newScale);
    // Scene x of what the player last said, in the new scale.
    const double ratio = newScale / old;
    m_reportedX *= ratio;
    if (m_highlightStart >= 0) {
        m_highlightStart *= ratio;
        m_highlightEnd *= ratio;
    }
    invalidate(sceneRect(), QGraphicsScene::AllLayers);
    const QList<QGraphicsView *> views = this->views();
    if (!views.isEmpty()) {
        QScrollBar *bar = views.first()->horizontalScrollBar();
        bar->setValue(zoomScrollValue(bar->value(), views.first()->viewport()->width(), oldCursorX, m_cursor->x()));
    }
}

void AudioScene::scrubTo(double x)
{
    const double right = std::floor(audioSceneWidth(sampleCount(), scale()));
    const double left = sceneRect().x();
    x = std::fmax(left, std::fmin(x, std::fmax(left, right)));
    placeCursor(x);
    m_reportedX = x;
    m_sinceReport.restart();
    PlaybackState &playback = playbackState();
    if (playback.playerPaused)
        playback.pausedSeekSource = 2;
    emit SignalProxy::instance()->signal_SpinposChanged(sceneXToSeconds(x, scale()));
}

void AudioScene::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && event->scenePos().y() < WaveLayout::RulerHeight) {
        scrubTo(event->scenePos().x());
        m_scrubbing = true;
    }
    QGraphicsScene::mousePressEvent(event);
}

void AudioScene::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    if (m_scrubbing)
        scrubTo(event->scenePos().x());
    QGraphicsScene::mouseMoveEvent(event);
}

void AudioScene::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    m_scrubbing = false;
    QGraphicsScene::mouseReleaseEvent(event);
}

void AudioScene::wheelEvent(QGraphicsSceneWheelEvent *event)
{
    QGraphicsScene::wheelEvent(event);
}

void AudioScene::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
        const double step = event->modifiers() & Qt::ShiftModifier ? ShiftNudgeSeconds : NudgeSeconds;
        if (m_selectedBlock >= 0) {
            nudgeSelectedEdge(event->key() == Qt::Key_Left ? -step : step);
            event->accept();
            return;
        }
    }
    QGraphicsScene::keyPressEvent(event);
}
