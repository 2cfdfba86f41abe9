#pragma once

#include "subtitle/ReadingSpeed.h"
#include "subtitle/SubtitleEntry.h"
#include "views/SrtListFinder.h"
#include "views/SrtListTable.h"

#include <QColor>
#include <QPoint>
#include <QVector>
#include <QWidget>
#include <memory>

class AutoSaveThread;
class DragSrtWidget;
class FindReplaceWidget;
class QLabel;
class QTableWidget;
class QTableWidgetItem;
class QToolButton;
class SplitTimeWidget;
class SrtListAutoSave;
class SrtPopWidget;
class SubtitleList;
struct RestoredChange;

// The editor's table of the current subtitle list: one row per entry with
// its number, start, end and text. Edits typed into the cells, colour tags,
// merge / split / insert / delete from the right-click pop-up, overlap
// stepping and removal, find and replace, and undo / redo all change the
// list through its own methods; the table is then rebuilt (or one row
// refreshed) from the list and the other views are told through the hub.
// Rows of low recognition confidence are marked, and F8 / Shift+F8 step
// through them.
// Shows the drop area instead of the table while the list is empty. Owns
// the split dialog and the autosave worker.
class SrtListWidget : public QWidget
{
    Q_OBJECT
public:
    explicit SrtListWidget(QWidget *parent = nullptr);
    ~SrtListWidget() override;

    QTableWidget *table() const { return m_table; }
    DragSrtWidget *dropArea() const { return m_dropArea; }
    SrtPopWidget *popWidget() const { return m_pop; }
    SplitTimeWidget *splitDialog() const { return m_split; }
    FindReplaceWidget *findReplaceWidget() const { return m_find; }
    QToolButton *previousButton() const { return m_previous; }
    QToolButton *nextButton() const { return m_next; }
    QToolButton *processButton() const { return m_process; }
    QLabel *overlapCountLabel() const { return m_count; }

    // Empty state: the drop area instead of the table.
    bool showsEmptyState() const;
    int overlapCursor() const { return m_overlapCursor; }
    int highlightedRow() const { return m_highlightedRow; }
    int clickedRow() const { return m_clickedRow; }
    int menuRow() const { return m_menuRow; }

    // The worker that writes the open SRT file back; the program gives it
    // the recovery copy for work without an SRT file of its own.
    AutoSaveThread *autoSave() const;
    void setAutoSaveRecoveryPath(const QString &path);

    // Read from the settings when the widget is made; a change applies at
    // the next rebuild.
    ReadingLimits readingLimits() const { return m_limits; }
    void setReadingLimits(const ReadingLimits &limits);
    // Likewise, from "/BaseSet/MinConfidence" (see SrtListConfidence.h).
    int minConfidence() const { return m_minConfidence; }
    void setMinConfidence(int minConfidence);

public slots:
    void slot_loadSrtData();
    void slot_noticeUpdateSrtlistWidgetItem(int i);
    void slot_itemChanged(QTableWidgetItem *item);
    void slot_tablewidgetcellClicked(int row, int column);
    void slot_noticePlayState(int iTag, double dPos, double dStart, double dEnd);
    void slot_cellDoubleClicked(int row, int column);
    void slot_rightMenu(QPoint p);
    void slot_noticeColorTag(int iRow, QColor color);
    void slot_noticeCommand(int iRow, QString str);
    void slot_SelectTxtfile(QString strFile);
    void slot_clickPrevButton();
    void slot_clickNextButton();
    // F8 / Shift+F8: the next / previous doubtful row after the highlighted
    // (else the current) one, wrapping; nothing without one.
    void slot_nextDoubtful();
    void slot_previousDoubtful();
    void slot_clickProcessButton();
    void slot_NoticeProcessOverlay(int iType);
    void slot_NoticeMarginTimeAdjustment(int iStart, int iEndTime, int iType);
    void slot_noticeUpdate();
    void slot_timerout();
    void slot_clearDate();

    // A project's subtitles were put into the list: a new document.
    void slot_loadProject();
    // Refused while a job runs.
    void slot_undo();
    void slot_redo();
    void slot_showFind();
    void slot_showReplace();

private slots:
    void slot_findNext();
    void slot_findPrevious();
    void slot_replace();
    void slot_replaceAll();

private:
    QWidget *buildTopBar();
    QToolButton *makeNavigationButton(
        const QString &objectName, const QString &name, const QString &image, const QSize &size);
    void addShortcut(const QKeySequence &keys, void (SrtListWidget::*slot)());
    void connectHub();

    bool isRow(int row) const;
    void showEmptyState(bool empty);

    // Rescans the overlaps and refills the table (or shows the empty state);
    // forgets the remembered rows, which may no longer exist.
    void rebuild();
    // After a change of the list's shape: rebuild and tell the timeline.
    void afterStructuralChange();
    // After entry `row` changed in place: refresh it, rescan, tell the timeline.
    void afterRowChange(int row);
    void refreshRow(int row);
    // Rescans the overlaps; the texts show the new flags.
    void scanOverlaps();
    void showOverlapCount(int pairs);
    void applyRestored(const RestoredChange &change);

    void removeHighlights();
    void highlightRow(int row);
    void goToOverlap(int row);
    // Shows `row` and handles it as a click on its text.
    void goToRow(int row);
    int doubtfulCursor() const;
    void followAutoSave();
    void showMatch(const TextMatch &match);
    int searchStartRow() const;

    SubtitleList &m_list;
    ReadingLimits m_limits;
    int m_minConfidence;
    std::unique_ptr<SrtListAutoSave> m_autoSave;
    SrtListFinder m_finder;
    SrtListTable::Rows m_rows; // what the table shows

    QTableWidget *m_table = nullptr;
    DragSrtWidget *m_dropArea = nullptr;
    QLabel *m_count = nullptr;
    QToolButton *m_previous = nullptr;
    QToolButton *m_next = nullptr;
    QToolButton *m_process = nullptr;
    SrtPopWidget *m_pop = nullptr;
    SplitTimeWidget *m_split = nullptr;
    FindReplaceWidget *m_find = nullptr;

    int m_overlapCursor = -1;
    int m_highlightedRow = -1;
    int m_clickedRow = -1;
    int m_menuRow = -1;
};
