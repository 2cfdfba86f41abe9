#include "batch/TableModel.h"

#include <QStringList>

namespace {

QString clockText(double seconds)
{
    const qint64 whole = qint64(seconds + 0.5);
    if (whole >= 3600)
        return QStringLiteral("%1:%2:%3")
            .arg(whole / 3600)
            .arg(whole / 60 % 60, 2, 10, QLatin1Char('0'))
            .arg(whole % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(whole / 60, 2, 10, QLatin1Char('0')).arg(whole % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

TableModel::TableModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

int TableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_entries.size();
}

int TableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString TableModel::statusText(const TaskEntry &entry)
{
    if (entry.state == TaskState::Failed && !entry.failure.isEmpty())
        return QStringLiteral("%1：%2").arg(entry.status, entry.failure);
    if (entry.isBurn() && entry.state == TaskState::Running) {
        QString text = entry.status;
        if (entry.remainingSeconds >= 0)
            text += QStringLiteral(" 剩余 %1").arg(clockText(entry.remainingSeconds));
        if (entry.speed > 0)
            text += QStringLiteral(" %1x").arg(entry.speed, 0, 'f', entry.speed < 10 ? 2 : 1);
        return text;
    }
    return entry.status;
}

QVariant TableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return QVariant();
    const TaskEntry &entry = m_entries.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case NumberColumn:
            return entry.number;
        case MediaColumn:
            return entry.mediaPath;
        case TextColumn:
            return entry.textPath;
        case OutputColumn:
            return entry.outputPath;
        case ProgressColumn:
            return entry.progress;
        case StatusColumn:
            return statusText(entry);
        }
        break;
    case Qt::ToolTipRole:
        // Paths and reasons are elided in their cells; numbers never are.
        if (index.column() != NumberColumn && index.column() != ProgressColumn)
            return data(index, Qt::DisplayRole);
        break;
    case KeyRole:
        return entry.key;
    case IsBurnRole:
        return entry.isBurn();
    case StateRole:
        return int(entry.state);
    }
    return QVariant();
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const QStringList headers = {QStringLiteral("序号"),     QStringLiteral("媒体文件"),
                                        QStringLiteral("文本文件"), QStringLiteral("输出文件"),
                                        QStringLiteral("进度"),     QStringLiteral("状态")};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return headers.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void TableModel::setEntries(const TaskEntries &entries)
{
    beginResetModel();
    m_entries = entries;
    endResetModel();
}

void TableModel::updateEntry(const TaskEntry &entry)
{
    const int row = rowOf(entry.key);
    if (row < 0)
        return;
    m_entries[row] = entry;
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

const TaskEntry *TableModel::entryAt(int row) const
{
    return row >= 0 && row < m_entries.size() ? &m_entries.at(row) : nullptr;
}

quint64 TableModel::keyAt(int row) const
{
    const TaskEntry *entry = entryAt(row);
    return entry ? entry->key : 0;
}

int TableModel::rowOf(quint64 key) const
{
    for (int row = 0; row < m_entries.size(); ++row)
        if (m_entries.at(row).key == key)
            return row;
    return -1;
}
