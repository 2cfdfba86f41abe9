#pragma once

#include <QColor>
#include <QItemDelegate>

// The subtitle table's delegate: the number column is not edited, the time
// columns get a plain line edit, the text column the default editor; every
// cell is drawn as usual plus a 1-pixel separator along its right edge
// (the table draws no grid).
class CustomDelegate : public QItemDelegate
{
    Q_OBJECT
public:
    explicit CustomDelegate(const QColor &separator, QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void updateEditorGeometry(
        QWidget *editor, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    QColor m_separator;
};
