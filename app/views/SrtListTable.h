#pragma once

#include "subtitle/ReadingSpeed.h"
#include "subtitle/SubtitleEntry.h"
#include "views/SrtListTheme.h"

#include <QTableWidgetItem>
#include <QVector>

class QTableWidget;

// The list editor's table: one row per entry, columns number, start, end
// and text. The caller blocks the table's signals around these (painting a
// cell fires itemChanged like an edit does).
namespace SrtListTable {

enum Column { NumberColumn = 0, StartColumn = 1, EndColumn = 2, TextColumn = 3, ColumnCount = 4 };

constexpr int kColumnWidths[ColumnCount] = {68, 100, 100, 370};

// What the rows show: the entries as the last rebuild or refresh saw them,
// which of them are shown overlapping, the colours, the reading limits and
// the confidence under which a row is marked for review.
// Cells read their texts, colours and tooltips from here as they are drawn,
// so a rebuild makes its cells without making any text.
class Rows
{
public:
    Rows(const SrtListColours &colours, const ReadingLimits &limits, int minConfidence);

    void reset(const SubtitleEntries &entries, const QVector<bool> &overlaps);
    void setEntry(int row, const SubtitleEntry &entry);
    void setOverlaps(const QVector<bool> &overlaps);
    void setLimits(const ReadingLimits &limits) { m_limits = limits; }
    void setMinConfidence(int minConfidence) { m_minConfidence = minConfidence; }

    int size() const { return m_entries.size(); }
    const QVector<bool> &overlaps() const { return m_overlaps; }
    const SrtListColours &colours() const { return m_colours; }
    // Made on demand: only stepping needs the whole set.
    QVector<bool> doubtful() const;

    // A cell's value for `role`; nothing for rows it does not have.
    QVariant data(int row, int column, int role) const;
    QString text(int row, int column) const;
    // The text cell's colour: the overlap colour, else the entry's tag.
    QColor textColour(int row) const;

private:
    QVariant toolTip(int row, int column) const;

    const SrtListColours &m_colours;
    ReadingLimits m_limits;
    int m_minConfidence;
    SubtitleEntries m_entries;
    QVector<bool> m_overlaps;
};

// A cell of the table. What was typed into it (or set on it, like a
// highlight) wins over what its row shows, until a refresh drops the typed
// text again.
class Cell : public QTableWidgetItem
{
public:
    Cell(int column, const Rows *rows);

    QVariant data(int role) const override;
    QTableWidgetItem *clone() const override;

    void dropTypedText();

private:
    const Rows *m_rows;
};

// Columns, header labels and widths, selection, no grid (the delegate draws
// the separators).
void setUp(QTableWidget *table);

// Replaces every row: one cell per column, showing `rows`.
void fill(QTableWidget *table, const Rows *rows);

// After a row changed in `rows`: its cells drop typed texts and show it.
void refreshRow(QTableWidget *table, int row);

// Paints (or, with an invalid colour, clears) the background of the whole
// row or of its text cell only. Rows outside the table are ignored.
void paintRow(QTableWidget *table, int row, const QColor &colour);
void paintTextCell(QTableWidget *table, int row, const QColor &colour);

// The cell's text as it reads now.
QString cellText(const QTableWidget *table, int row, int column);

} // namespace SrtListTable
