#pragma once

#include "project/TaskList.h"

#include <QAbstractTableModel>

// The task table: a copy of the queue's entries in six columns, "序号",
// "媒体文件", "文本文件", "输出文件", "进度", "状态". Refreshed from the list
// after every change; a running task's progress redraws its row only.
class TableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { NumberColumn, MediaColumn, TextColumn, OutputColumn, ProgressColumn, StatusColumn, ColumnCount };
    enum Role { KeyRole = Qt::UserRole + 1, IsBurnRole, StateRole };

    explicit TableModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void setEntries(const TaskEntries &entries);
    // Replaces the row with the entry's key, if shown.
    void updateEntry(const TaskEntry &entry);
    const TaskEntry *entryAt(int row) const;
    quint64 keyAt(int row) const;
    int rowOf(quint64 key) const;

    // The status column's text: the state, a failure's reason, a burn's
    // remaining time and speed.
    static QString statusText(const TaskEntry &entry);

private:
    TaskEntries m_entries;
};
