#pragma once

#include "audio/WavePeaks.h"
#include "subtitle/SubtitleEntry.h"
#include "views/WaveBlockRules.h"
#include "views/WaveRenderer.h"

#include <QElapsedTimer>
#include <QGraphicsScene>
#include <QTimer>
#include <QVector>
#include <memory>

class MyItem;
class SpinItem;

// The timeline's scene: ruler, waveform and highlight band as background,
// one block per subtitle entry and the play cursor as items. It owns its
// blocks and its one cursor, so replacing the scene can leave nothing
// dangling. Follows the player's position reports and the zoom buttons
// through the hub.
class AudioScene : public QGraphicsScene
{
    Q_OBJECT
public:
    // A scene the size of the view with a cursor at 0.
    explicit AudioScene(const QSizeF &viewSize, QObject *parent = nullptr);
    ~AudioScene() override;

    // The waveform (null: none); the scene widens to the audio.
    void setPeaks(std::shared_ptr<const WavePeaks> peaks);
    const WavePeaks *peaks() const { return m_peaks.get(); }
    quint32 sampleCount() const { return m_peaks ? m_peaks->sampleCount() : 0; }
    double durationSeconds() const { return m_peaks ? m_peaks->durationSeconds() : 0.0; }

    // Set once the waveform and cursor are in place; position reports are
    // ignored until then.
    bool isLoaded() const { return m_loaded; }
    void setLoaded(bool loaded) { m_loaded = loaded; }

    // The view's size: the least scene width and the height of every block.
    QSizeF viewSize() const { return m_viewSize; }
    void setViewSize(const QSizeF &size);

    // The zoom factor as the scene uses it (a project's value, clamped).
    static double scale();

    SpinItem *cursor() const { return m_cursor; }
    void placeCursor(double x);

    // Blocks, index i for entry i.
    const QVector<MyItem *> &blocks() const { return m_blocks; }
    // Block i for every entry i, in order (existing blocks are reused).
    void rebuildBlocks(const SubtitleEntries &entries);
    void clearBlocks();
    // Block i from entry i (false when there is no block i).
    bool refreshBlock(int index, const SubtitleEntry &entry);
    // Every block whose entry moved or changed text; the counts must agree.
    void refreshBlocks(const SubtitleEntries &entries);

    double highlightStart() const { return m_highlightStart; }
    double highlightEnd() const { return m_highlightEnd; }
    bool isScrubbing() const { return m_scrubbing; }
    bool isCursorGliding() const { return m_glide.isActive(); }

    // For the blocks: neighbour limits, the least width a drag leaves, and
    // writing an edited block into its entry. A drag is one undo step.
    BlockLimits limitsFor(int index) const;
    double minBlockWidth() const;
    void beginBlockDrag(int index, BlockPart part);
    void endBlockDrag();
    // The list changed under a drag: the drag ends, writing nothing more.
    void cancelBlockDrag();
    // False when the row is not in the list or nothing changed.
    bool writeBack(int index, const BlockSpan &span);
    // Set while a block writes into the list, so the list's own change
    // notice is not taken for an outside change.
    bool isWritingBack() const { return m_writingBack; }

    // The edge the arrow keys move: the one last grabbed (none: -1).
    int selectedBlock() const { return m_selectedBlock; }
    BlockPart selectedEdge() const { return m_selectedEdge; }
    // Moves the selected edge by `seconds`; one undo step.
    bool nudgeSelectedEdge(double seconds);

    // The three background passes for `exposed`, also without a view.
    void paintBackground(QPainter *painter, const QRectF &exposed);

public slots:
    void slot_noticePlayState(int iTag, double dPos, double dStart, double dEnd);
    void slot_Zoomin();
    void slot_Zoomout();

protected:
    void drawBackground(QPainter *painter, const QRectF &rect) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void wheelEvent(QGraphicsSceneWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void applyZoom(double scale);
    void fitSceneRect();
    void scrubTo(double x);
    void invalidateBand(double start, double end);
    void glide();
    void followCursor(double pos, double start, double end);
    QVector<BlockSpan> spans() const;

    std::shared_ptr<const WavePeaks> m_peaks;
    WaveRenderer m_renderer;
    QSizeF m_viewSize;
    SpinItem *m_cursor = nullptr;
    QVector<MyItem *> m_blocks;

    double m_highlightStart = -1.0;
    double m_highlightEnd = -1.0;
    bool m_scrubbing = false;
    bool m_loaded = false;

    bool m_writingBack = false;
    bool m_dragging = false;
    bool m_dragRecorded = false; // the drag's first change made its undo step
    int m_selectedBlock = -1;
    BlockPart m_selectedEdge = BlockPart::Body;

    // Between position reports the cursor glides on at the play speed.
    QTimer m_glide;
    QElapsedTimer m_sinceReport;
    double m_reportedX = 0;
};
