#pragma once

#include <QStyledItemDelegate>

// The transcript column: the path and an "add text" image; a click on an
// alignment task's cell opens the text chooser "打开文本文件".
class ButtonDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit ButtonDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;

    // Where the image sits in a cell.
    static QRect imageRect(const QRect &cell);

signals:
    void signal_clicked(QModelIndex index, QString path);
};
