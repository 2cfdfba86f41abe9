#include "views/SrtListWidget.h"

#include "base/CurrentProject.h"
#include "base/MsgBox.h"
#include "base/PlaybackState.h"
#include "base/SignalProxy.h"
#include "project/Settings.h"
#include "subtitle/SubtitleFileOpener.h"
#include "subtitle/SubtitleList.h"
#include "subtitle/TimingOperations.h"
#include "views/CustomDelegate.h"
#include "views/DragSrtWidget.h"
#include "views/FindReplaceWidget.h"
#include "views/SplitTimeWidget.h"
#include "views/SrtListAutoSave.h"
#include "views/SrtListCommands.h"
#include "views/SrtListConfidence.h"
#include "views/SrtListNavigation.h"
#include "views/SrtPopWidget.h"

#include <QCursor>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

using namespace SrtListTable;

namespace {
const char *const kLineTooLongText = "字幕文本中存在行内容过长，需作断行处理，然后重新开始！";

QLabel *makeGrayLabel(const QString &text, const QString &objectName, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(objectName);
    return label;
}

// The table repaints once, after the whole change.
class FrozenTable
{
public:
    explicit FrozenTable(QTableWidget *table)
        : m_table(table)
        , m_signals(table)
    {
        m_table->setUpdatesEnabled(false);
    }
    ~FrozenTable() { m_table->setUpdatesEnabled(true); }
    FrozenTable(const FrozenTable &) = delete;
    FrozenTable &operator=(const FrozenTable &) = delete;

private:
    QTableWidget *m_table;
    QSignalBlocker m_signals;
};
} // namespace

SrtListWidget::SrtListWidget(QWidget *parent)
    : QWidget(parent)
    , m_list(currentSubtitleList())
    , m_limits(readingLimitsFrom(&readSetting))
    , m_minConfidence(minConfidenceFrom(&readSetting))
    , m_autoSave(std::make_unique<SrtListAutoSave>(m_list))
    , m_rows(srtListColours(), m_limits, m_minConfidence)
{
    setObjectName(QStringLiteral("SrtListWidget"));
    setAttribute(Qt::WA_StyledBackground);
    resize(422, 300);

    m_table = new QTableWidget(this);
    m_table->setObjectName(QStringLiteral("tableWidget_Srt"));
    m_table->setAccessibleName(QStringLiteral("字幕列表"));
    SrtListTable::setUp(m_table);
    m_table->setItemDelegate(new CustomDelegate(srtListColours().separator, m_table));
    m_table->setStyleSheet(srtListTableStyleSheet(srtListColours()));
    m_dropArea = new DragSrtWidget(this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildTopBar());
    layout->addWidget(m_dropArea, 1);
    layout->addWidget(m_table, 1);

    m_pop = new SrtPopWidget(this);
    m_pop->hide();
    m_split = new SplitTimeWidget(this);
    m_split->hide();
    m_find = new FindReplaceWidget(this);
    m_find->hide();

    // Window-wide, so they work wherever the focus is in the editor; a cell
    // being edited keeps Ctrl+Z for its own text.
    addShortcut(QKeySequence(Qt::CTRL + Qt::Key_Z), &SrtListWidget::slot_undo);
    addShortcut(QKeySequence(Qt::CTRL + Qt::Key_Y), &SrtListWidget::slot_redo);
    addShortcut(QKeySequence(Qt::CTRL + Qt::SHIFT + Qt::Key_Z), &SrtListWidget::slot_redo);
    addShortcut(QKeySequence(Qt::CTRL + Qt::Key_F), &SrtListWidget::slot_showFind);
    addShortcut(QKeySequence(Qt::CTRL + Qt::Key_H), &SrtListWidget::slot_showReplace);
    addShortcut(QKeySequence(Qt::Key_F8), &SrtListWidget::slot_nextDoubtful);
    addShortcut(QKeySequence(Qt::SHIFT + Qt::Key_F8), &SrtListWidget::slot_previousDoubtful);

    connectHub();
    connect(m_table, &QTableWidget::customContextMenuRequested, this, &SrtListWidget::slot_rightMenu);
    connect(m_table, &QTableWidget::cellClicked, this, &SrtListWidget::slot_tablewidgetcellClicked);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, &SrtListWidget::slot_cellDoubleClicked);
    connect(m_table, &QTableWidget::itemChanged, this, &SrtListWidget::slot_itemChanged);
    connect(m_previous, &QToolButton::clicked, this, &SrtListWidget::slot_clickPrevButton);
    connect(m_next, &QToolButton::clicked, this, &SrtListWidget::slot_clickNextButton);
    connect(m_process, &QToolButton::clicked, this, &SrtListWidget::slot_clickProcessButton);
    connect(m_pop, &SrtPopWidget::signal_noticeColorTag, this, &SrtListWidget::slot_noticeColorTag);
    connect(m_pop, &SrtPopWidget::signal_noticeCommand, this, &SrtListWidget::slot_noticeCommand);
    connect(m_split, &SplitTimeWidget::signal_noticeUpdate, this, &SrtListWidget::slot_noticeUpdate);
    connect(m_find, &FindReplaceWidget::signal_findNext, this, &SrtListWidget::slot_findNext);
    connect(m_find, &FindReplaceWidget::signal_findPrevious, this, &SrtListWidget::slot_findPrevious);
    connect(m_find, &FindReplaceWidget::signal_replace, this, &SrtListWidget::slot_replace);
    connect(m_find, &FindReplaceWidget::signal_replaceAll, this, &SrtListWidget::slot_replaceAll);

    rebuild();
}

SrtListWidget::~SrtListWidget()
{
    // The cells read m_rows, which goes before the table does.
    const QSignalBlocker blocker(m_table);
    m_table->setRowCount(0);
    // m_autoSave then stops the worker (it wakes at once) and waits for it.
}

QWidget *SrtListWidget::buildTopBar()
{
    auto *bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("srtListTopBar"));
    auto *title = makeGrayLabel(QStringLiteral("字幕列表"), QStringLiteral("label_SrtListTitle"), bar);
    auto *overlapTitle = makeGrayLabel(QStringLiteral("重叠："), QStringLiteral("label_OverlapTitle"), bar);
    m_count = makeGrayLabel(QStringLiteral("0"), QStringLiteral("label_OverlapCount"), bar);
    m_count->setAccessibleName(QStringLiteral("重叠数"));
    overlapTitle->setBuddy(m_count);
    m_previous = makeNavigationButton(QStringLiteral("toolButton_Prev"), QStringLiteral("上一个重叠"),
        QStringLiteral(":/image/table/prev"), QSize(15, 20));
    m_next = makeNavigationButton(QStringLiteral("toolButton_Next"), QStringLiteral("下一个重叠"),
        QStringLiteral(":/image/table/next"), QSize(15, 20));
    m_process = makeNavigationButton(QStringLiteral("toolButton_Process"), QStringLiteral("去除重叠"),
        QStringLiteral(":/image/table/ok"), QSize(20, 20));

    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(12, 6, 12, 6);
    row->setSpacing(6);
    row->addWidget(title);
    row->addStretch();
    row->addWidget(overlapTitle);
    row->addWidget(m_count);
    row->addWidget(m_previous);
    row->addWidget(m_next);
    row->addWidget(m_process);
    return bar;
}

QToolButton *SrtListWidget::makeNavigationButton(
    const QString &objectName, const QString &name, const QString &image, const QSize &size)
{
    auto *button = new QToolButton(this);
    button->setObjectName(objectName);
    button->setAccessibleName(name);
    button->setToolTip(name);
    button->setFixedSize(size);
    button->setFocusPolicy(Qt::NoFocus);
    button->setStyleSheet(QStringLiteral("QToolButton { border: none; border-image: url(%1_normal.png); }"
                                         "QToolButton:pressed { border-image: url(%1_press.png); }")
                              .arg(image));
    return button;
}

void SrtListWidget::addShortcut(const QKeySequence &keys, void (SrtListWidget::*slot)())
{
    auto *shortcut = new QShortcut(keys, this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, slot);
}

void SrtListWidget::connectHub()
{
    SignalProxy *hub = SignalProxy::instance();
    connect(hub, &SignalProxy::signal_SelectTxtfile, this, &SrtListWidget::slot_SelectTxtfile);
    connect(hub, &SignalProxy::signal_NoticeProcessOverlay, this, &SrtListWidget::slot_NoticeProcessOverlay);
    connect(
        hub, &SignalProxy::signal_NoticeMarginTimeAdjustment, this, &SrtListWidget::slot_NoticeMarginTimeAdjustment);
    connect(hub, &SignalProxy::signal_StartEditSrt, this, &SrtListWidget::slot_loadSrtData);
    connect(hub, &SignalProxy::signal_noticeUpdateSrtlistWidgetItem, this,
        &SrtListWidget::slot_noticeUpdateSrtlistWidgetItem);
    connect(hub, &SignalProxy::signal_noticePlayState, this, &SrtListWidget::slot_noticePlayState);
    connect(hub, &SignalProxy::siganal_ClearDate, this, &SrtListWidget::slot_clearDate);
    connect(hub, &SignalProxy::signal_loadProject, this, &SrtListWidget::slot_loadProject);
}

AutoSaveThread *SrtListWidget::autoSave() const
{
    return m_autoSave->thread();
}

void SrtListWidget::setAutoSaveRecoveryPath(const QString &path)
{
    m_autoSave->setRecoveryPath(path);
}

void SrtListWidget::setReadingLimits(const ReadingLimits &limits)
{
    m_limits = limits;
    m_rows.setLimits(limits);
    m_table->viewport()->update();
}

void SrtListWidget::setMinConfidence(int minConfidence)
{
    m_minConfidence = minConfidence;
    m_rows.setMinConfidence(minConfidence);
    m_table->viewport()->update();
}

bool SrtListWidget::showsEmptyState() const
{
    return m_table->isHidden();
}

bool SrtListWidget::isRow(int row) const
{
    return row >= 0 && row < m_table->rowCount() && row < m_list.size();
}

void SrtListWidget::showEmptyState(bool empty)
{
    m_dropArea->setVisible(empty);
    m_table->setVisible(!empty);
}

// ---- Rebuilding and refreshing ----

void SrtListWidget::rebuild()
{
    const OverlapPairs pairs = m_list.rescanOverlaps();
    const SubtitleEntries entries = m_list.snapshot();
    m_rows.reset(entries, shownOverlaps(entries));
    m_highlightedRow = m_clickedRow = m_menuRow = -1;
    m_overlapCursor = qMin(m_overlapCursor, entries.size() - 1);
    m_pop->hide();
    showEmptyState(entries.isEmpty());
    {
        const FrozenTable frozen(m_table);
        fill(m_table, &m_rows);
    }
    showOverlapCount(pairs.size());
}

void SrtListWidget::afterStructuralChange()
{
    rebuild();
    emit SignalProxy::instance()->signal_updateTimeBlock();
}

void SrtListWidget::afterRowChange(int row)
{
    refreshRow(row);
    scanOverlaps();
    emit SignalProxy::instance()->signal_noticeUpdateWaveItem(row);
}

void SrtListWidget::refreshRow(int row)
{
    if (!isRow(row))
        return;
    m_rows.setEntry(row, m_list.at(row));
    const QSignalBlocker blocker(m_table);
    SrtListTable::refreshRow(m_table, row);
}

void SrtListWidget::scanOverlaps()
{
    const OverlapPairs pairs = m_list.rescanOverlaps();
    m_rows.setOverlaps(shownOverlaps(m_list.snapshot()));
    m_table->viewport()->update();
    showOverlapCount(pairs.size());
}

void SrtListWidget::showOverlapCount(int pairs)
{
    m_count->setText(QString::number(pairs));
}

void SrtListWidget::slot_loadSrtData()
{
    rebuild();
    followAutoSave();
}

void SrtListWidget::slot_noticeUpdateSrtlistWidgetItem(int i)
{
    if (!isRow(i))
        return;
    refreshRow(i);
    scanOverlaps();
}

void SrtListWidget::slot_loadProject()
{
    // The project's subtitles are a new document; nothing before them may
    // be undone into them, and they count as saved.
    m_list.clearHistory();
    const CurrentProject &project = currentProject();
    m_autoSave->newDocument(project.subtitleFilePath, project.textEncoding, playbackState().playerStarted);
    afterStructuralChange();
}

void SrtListWidget::slot_clearDate()
{
    m_autoSave->clearTarget();
    // Empty without an undo step: the next document starts a new history.
    m_list.replaceDocument(SubtitleEntries());
    m_finder.forget();
    m_split->hide();
    m_overlapCursor = -1;
    rebuild();
}

// ---- Edits ----

void SrtListWidget::slot_itemChanged(QTableWidgetItem *item)
{
    if (!item || item->tableWidget() != m_table)
        return;
    const int row = item->row();
    if (item->column() < StartColumn || item->column() > TextColumn || !isRow(row))
        return;
    const RowCells cells {cellText(m_table, row, NumberColumn), cellText(m_table, row, StartColumn),
        cellText(m_table, row, EndColumn), cellText(m_table, row, TextColumn)};
    m_list.replace(row, entryFromCells(m_list.at(row), cells));
    // Also puts the typed times back in their written form.
    afterRowChange(row);
}

void SrtListWidget::slot_noticeColorTag(int iRow, QColor color)
{
    if (!isRow(iRow))
        return;
    SubtitleEntry entry = m_list.at(iRow);
    entry.tagColor = toTagColor(color);
    m_list.replace(iRow, entry);
    afterRowChange(iRow);
}

void SrtListWidget::slot_noticeCommand(int iRow, QString str)
{
    const ListCommand command = commandForWord(str);
    if (command == ListCommand::None || !isRow(iRow))
        return;
    if (command == ListCommand::Split) {
        m_split->setRow(iRow);
        m_split->show();
        return;
    }
    const bool changed
        = m_list.edit([&](SubtitleEntries &entries) { return applyListCommand(entries, command, iRow); });
    if (changed)
        afterStructuralChange();
}

void SrtListWidget::slot_noticeUpdate()
{
    afterStructuralChange();
}

void SrtListWidget::slot_NoticeProcessOverlay(int iType)
{
    const quint64 before = m_list.version();
    m_list.rescanOverlaps();
    resolveOverlaps(m_list, iType);
    m_overlapCursor = -1;
    if (m_list.version() != before)
        afterStructuralChange();
    else
        scanOverlaps();
}

void SrtListWidget::slot_NoticeMarginTimeAdjustment(int iStart, int iEndTime, int iType)
{
    if (m_list.size() < 2)
        return;
    if (!shiftBoundaries(m_list, iStart, iEndTime, iType))
        return;
    m_overlapCursor = -1;
    afterStructuralChange();
}

void SrtListWidget::slot_undo()
{
    if (currentProject().taskRunning)
        return;
    applyRestored(m_list.undo());
}

void SrtListWidget::slot_redo()
{
    if (currentProject().taskRunning)
        return;
    applyRestored(m_list.redo());
}

void SrtListWidget::applyRestored(const RestoredChange &change)
{
    switch (change.kind) {
    case RestoredChange::Nothing:
        return;
    case RestoredChange::Row:
        if (isRow(change.row)) {
            afterRowChange(change.row);
            return;
        }
        break;
    case RestoredChange::WholeList:
        break;
    }
    afterStructuralChange();
}

// ---- Opening files ----

void SrtListWidget::slot_SelectTxtfile(QString strFile)
{
    CurrentProject &project = currentProject();
    const SubtitleFileOpenResult result = readSubtitleFile(strFile, project.tempFolder);
    switch (result.status) {
    case SubtitleOpenStatus::UnsupportedSuffix:
        MsgBox::notice(this, QStringLiteral("文本格式不支持！"));
        return;
    case SubtitleOpenStatus::Unreadable:
        MsgBox::notice(this, QStringLiteral("文件读取失败！"));
        return;
    case SubtitleOpenStatus::LineTooLong:
        // The start page reads the flag and reports it itself; a file opened
        // in the editor is reported here, and the flag is then spent.
        project.lineTooLong = true;
        if (isVisible()) {
            MsgBox::notice(this, QString::fromUtf8(kLineTooLongText));
            project.lineTooLong = false;
        }
        return;
    case SubtitleOpenStatus::Opened:
        break;
    }

    // Nothing of the new file may go to the old one, nor the reverse.
    m_autoSave->clearTarget();
    m_list.replaceDocument(result.entries);
    project.lineTooLong = false;
    project.textEncoding = result.textEncoding;
    // Without a scratch copy of a UTF-8 source, later steps still read the
    // source; the autosave has no target then.
    project.subtitleFilePath = result.workingPath.isEmpty() ? strFile : result.workingPath;
    m_autoSave->newDocument(result.workingPath, result.textEncoding, playbackState().playerStarted);
    m_finder.forget();
    m_overlapCursor = -1;
    afterStructuralChange();
}

void SrtListWidget::followAutoSave()
{
    const CurrentProject &project = currentProject();
    m_autoSave->follow(project.subtitleFilePath, project.textEncoding, playbackState().playerStarted);
}

// ---- Clicks, playback and the pop-up ----

void SrtListWidget::removeHighlights()
{
    const QSignalBlocker blocker(m_table);
    paintRow(m_table, m_highlightedRow, QColor());
    paintRow(m_table, clampedRow(m_menuRow, m_list.size()), QColor());
}

// The text cell is left unselected so it keeps its tag colour on the
// highlight.
void SrtListWidget::highlightRow(int row)
{
    const QSignalBlocker blocker(m_table);
    if (QTableWidgetItem *text = m_table->item(row, TextColumn))
        text->setSelected(false);
    paintRow(m_table, row, srtListColours().highlight);
}

void SrtListWidget::slot_tablewidgetcellClicked(int row, int column)
{
    if (!isRow(row))
        return;
    removeHighlights();
    highlightRow(row);
    m_highlightedRow = row;
    PlaybackState &playback = playbackState();
    if (!playback.playerStarted)
        return;
    // An open cell editor was committed and closed by the click itself.
    m_clickedRow = row;
    if (playback.playerPaused)
        playback.pausedSeekSource = 3;
    emit SignalProxy::instance()->signal_SpinposChanged(timeCodeToSeconds(m_list.at(row).startTime));
}

void SrtListWidget::slot_noticePlayState(int iTag, double dPos, double dStart, double dEnd)
{
    const PlaybackState &playback = playbackState();
    followAutoSave();
    if (playback.pausedSeekSource == 3 || iTag < 0 || !playback.playerStarted || iTag == m_highlightedRow
        || !isRow(iTag))
        return;
    removeHighlights();
    {
        const QSignalBlocker blocker(m_table);
        // Following playback scrolls rows into view, never sideways.
        QScrollBar *sideways = m_table->horizontalScrollBar();
        const int sidewaysValue = sideways->value();
        m_table->setCurrentCell(iTag, TextColumn);
        sideways->setValue(sidewaysValue);
        if (QTableWidgetItem *text = m_table->item(iTag, TextColumn))
            text->setSelected(false);
        paintTextCell(m_table, iTag, srtListColours().highlight);
    }
    m_highlightedRow = iTag;
}

void SrtListWidget::slot_cellDoubleClicked(int row, int column)
{
    const PlaybackState &playback = playbackState();
    if (row == m_clickedRow && isRow(row) && playback.playerStarted && !playback.playerPaused)
        emit SignalProxy::instance()->signal_noticeSpaceButton();
}

void SrtListWidget::slot_rightMenu(QPoint p)
{
    const QTableWidgetItem *item = m_table->itemAt(p);
    if (!item || !isRow(item->row()))
        return;
    const int row = item->row();
    removeHighlights();
    m_menuRow = row;
    highlightRow(row);
    if (item->column() != TextColumn)
        return;
    m_pop->setRow(row, m_list.size(), m_list.at(row).tagColor);
    m_pop->move(QCursor::pos());
    m_pop->show();
}

void SrtListWidget::slot_timerout()
{
}

// ---- Overlaps ----

void SrtListWidget::goToRow(int row)
{
    if (!isRow(row))
        return;
    m_table->setCurrentCell(row, TextColumn);
    slot_tablewidgetcellClicked(row, TextColumn);
}

void SrtListWidget::goToOverlap(int row)
{
    m_overlapCursor = row;
    goToRow(row);
}

void SrtListWidget::slot_clickPrevButton()
{
    goToOverlap(previousFlaggedRow(m_rows.overlaps(), m_overlapCursor));
}

void SrtListWidget::slot_clickNextButton()
{
    goToOverlap(nextFlaggedRow(m_rows.overlaps(), m_overlapCursor));
}

// ---- Doubtful rows ----

// Steps from where the user is: the clicked or followed row, else the
// current one (-1 after a rebuild, so the first step finds the first row).
int SrtListWidget::doubtfulCursor() const
{
    return m_highlightedRow >= 0 ? m_highlightedRow : m_table->currentRow();
}

void SrtListWidget::slot_nextDoubtful()
{
    goToRow(nextFlaggedRow(m_rows.doubtful(), doubtfulCursor()));
}

void SrtListWidget::slot_previousDoubtful()
{
    goToRow(previousFlaggedRow(m_rows.doubtful(), doubtfulCursor()));
}

void SrtListWidget::slot_clickProcessButton()
{
    emit SignalProxy::instance()->signal_NoticeShowProcessOverlayWidget();
}

// ---- Find and replace ----

void SrtListWidget::slot_showFind()
{
    m_find->showFind();
}

void SrtListWidget::slot_showReplace()
{
    m_find->showReplace();
}

int SrtListWidget::searchStartRow() const
{
    return qMax(m_table->currentRow(), 0);
}

void SrtListWidget::showMatch(const TextMatch &match)
{
    if (!match.found() || !isRow(match.row)) {
        m_find->setStatus(QStringLiteral("未找到"));
        return;
    }
    m_find->setStatus(QString());
    m_table->setCurrentCell(match.row, TextColumn);
    m_table->scrollToItem(m_table->item(match.row, TextColumn));
}

void SrtListWidget::slot_findNext()
{
    showMatch(m_finder.findNext(m_list.snapshot(), m_find->query(), searchStartRow()));
}

void SrtListWidget::slot_findPrevious()
{
    showMatch(m_finder.findPrevious(m_list.snapshot(), m_find->query(), searchStartRow()));
}

void SrtListWidget::slot_replace()
{
    if (currentProject().taskRunning)
        return;
    const int row = m_finder.current().row;
    if (isRow(row)) {
        SubtitleEntry entry = m_list.at(row);
        if (m_finder.replaceCurrent(entry, m_find->query(), m_find->replacement())) {
            m_list.replace(row, entry);
            afterRowChange(row);
        }
    }
    slot_findNext();
}

void SrtListWidget::slot_replaceAll()
{
    if (currentProject().taskRunning)
        return;
    const FindQuery query = m_find->query();
    const QString replacement = m_find->replacement();
    const int replaced = m_list.edit([&](SubtitleEntries &entries) { return replaceAll(entries, query, replacement); });
    m_finder.forget();
    if (replaced > 0)
        afterStructuralChange();
    m_find->setStatus(QStringLiteral("已替换 %1 处").arg(replaced));
}
