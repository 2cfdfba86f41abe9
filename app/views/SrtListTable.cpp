#include "views/SrtListTable.h"

#include "subtitle/LocalCodec.h"
#include "views/SrtListConfidence.h"
#include "views/SrtListReadingHints.h"

#include <QHeaderView>
#include <QSignalBlocker>
#include <QStringList>
#include <QTableWidget>

namespace SrtListTable {

namespace {
const int kCellType = QTableWidgetItem::UserType + 1;

Qt::Alignment alignmentOf(int column)
{
    return column == TextColumn ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter;
}

qint64 durationMs(const SubtitleEntry &entry)
{
    return qint64(timeCodeToMilliseconds(entry.endTime)) - qint64(timeCodeToMilliseconds(entry.startTime));
}
} // namespace

Rows::Rows(const SrtListColours &colours, const ReadingLimits &limits, int minConfidence)
    : m_colours(colours)
    , m_limits(limits)
    , m_minConfidence(minConfidence)
{
}

QVector<bool> Rows::doubtful() const
{
    return doubtfulRows(m_entries, m_minConfidence);
}

void Rows::reset(const SubtitleEntries &entries, const QVector<bool> &overlaps)
{
    m_entries = entries;
    m_overlaps = overlaps;
    m_overlaps.resize(entries.size());
}

void Rows::setEntry(int row, const SubtitleEntry &entry)
{
    if (row >= 0 && row < m_entries.size())
        m_entries[row] = entry;
}

void Rows::setOverlaps(const QVector<bool> &overlaps)
{
    m_overlaps = overlaps;
    m_overlaps.resize(m_entries.size());
}

QString Rows::text(int row, int column) const
{
    if (row < 0 || row >= m_entries.size())
        return QString();
    const SubtitleEntry &entry = m_entries.at(row);
    switch (column) {
    case NumberColumn:
        return QString::number(row + 1);
    case StartColumn:
        return formatTimeCode(entry.startTime);
    case EndColumn:
        return formatTimeCode(entry.endTime);
    case TextColumn:
        return fromLocal8(entry.text);
    }
    return QString();
}

QColor Rows::textColour(int row) const
{
    if (row < 0 || row >= m_entries.size())
        return m_colours.text;
    return m_overlaps.at(row) ? m_colours.overlap : tagDisplayColor(m_entries.at(row).tagColor, m_colours);
}

QVariant Rows::data(int row, int column, int role) const
{
    if (row < 0 || row >= m_entries.size())
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return text(row, column);
    case Qt::TextAlignmentRole:
        return int(alignmentOf(column));
    case Qt::ForegroundRole:
        if (column == TextColumn)
            return textColour(row);
        // Doubtful words outrank reading speed; the tooltip names both.
        if (column == NumberColumn && isDoubtful(m_entries.at(row), m_minConfidence))
            return doubtfulColour();
        if (column == NumberColumn
            && readingHint(text(row, TextColumn), durationMs(m_entries.at(row)), m_limits).flagged())
            return m_colours.warning;
        return QVariant();
    case Qt::ToolTipRole:
        return toolTip(row, column);
    }
    return QVariant();
}

// The number cell of a marked row says why: low confidence, then the
// reading limits it is over; the time cells give both reading figures; the
// text cell the whole text.
QVariant Rows::toolTip(int row, int column) const
{
    const QString text = this->text(row, TextColumn);
    if (column == TextColumn)
        return text;
    const ReadingHint hint = readingHint(text, durationMs(m_entries.at(row)), m_limits);
    if (column == NumberColumn) {
        QStringList reasons;
        if (isDoubtful(m_entries.at(row), m_minConfidence))
            reasons << confidenceWarningText(m_entries.at(row));
        if (hint.flagged())
            reasons << readingWarningText(hint, m_limits);
        return reasons.isEmpty() ? QVariant() : QVariant(reasons.join(QLatin1Char('\n')));
    }
    return readingHintText(hint, m_limits);
}

Cell::Cell(int column, const Rows *rows)
    : QTableWidgetItem(kCellType + column)
    , m_rows(rows)
{
    if (column == NumberColumn)
        setFlags(flags() & ~Qt::ItemIsEditable);
}

QVariant Cell::data(int role) const
{
    const QVariant own = QTableWidgetItem::data(role);
    if (own.isValid() || !m_rows || !tableWidget())
        return own;
    return m_rows->data(row(), type() - kCellType, role);
}

QTableWidgetItem *Cell::clone() const
{
    return new Cell(*this);
}

void Cell::dropTypedText()
{
    if (QTableWidgetItem::data(Qt::DisplayRole).isValid())
        setData(Qt::DisplayRole, QVariant());
}

void setUp(QTableWidget *table)
{
    table->setColumnCount(ColumnCount);
    table->setHorizontalHeaderLabels(
        {QStringLiteral("序号"), QStringLiteral("开始时间"), QStringLiteral("结束时间"), QStringLiteral("文本内容")});
    for (int column = 0; column < ColumnCount; ++column)
        table->setColumnWidth(column, kColumnWidths[column]);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setSectionsClickable(false);
    table->horizontalHeader()->setHighlightSections(false);
    table->setAlternatingRowColors(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setShowGrid(false);
    table->setWordWrap(false);
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    table->setFocusPolicy(Qt::NoFocus);
}

void fill(QTableWidget *table, const Rows *rows)
{
    table->setRowCount(0);
    table->clearContents();
    const int count = rows->size();
    table->setRowCount(count);
    // The view repaints from the model once updates are back on; telling it
    // about each cell as it is set only costs time.
    const QSignalBlocker blockModel(table->model());
    for (int row = 0; row < count; ++row) {
        for (int column = 0; column < ColumnCount; ++column)
            table->setItem(row, column, new Cell(column, rows));
    }
    table->viewport()->update();
}

void refreshRow(QTableWidget *table, int row)
{
    if (row < 0 || row >= table->rowCount())
        return;
    for (int column = 0; column < ColumnCount; ++column) {
        if (auto *cell = dynamic_cast<Cell *>(table->item(row, column)))
            cell->dropTypedText();
    }
    table->viewport()->update();
}

void paintRow(QTableWidget *table, int row, const QColor &colour)
{
    if (row < 0 || row >= table->rowCount())
        return;
    for (int column = 0; column < ColumnCount; ++column) {
        if (QTableWidgetItem *item = table->item(row, column))
            item->setData(Qt::BackgroundRole, colour.isValid() ? QVariant(colour) : QVariant());
    }
}

void paintTextCell(QTableWidget *table, int row, const QColor &colour)
{
    if (row < 0 || row >= table->rowCount())
        return;
    if (QTableWidgetItem *item = table->item(row, TextColumn))
        item->setData(Qt::BackgroundRole, colour.isValid() ? QVariant(colour) : QVariant());
}

QString cellText(const QTableWidget *table, int row, int column)
{
    const QTableWidgetItem *item = table->item(row, column);
    return item ? item->text() : QString();
}

} // namespace SrtListTable
