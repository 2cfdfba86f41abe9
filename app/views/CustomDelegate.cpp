#include "views/CustomDelegate.h"

#include <QLineEdit>
#include <QPainter>

namespace {
bool isTimeColumn(const QModelIndex &index)
{
    return index.column() == 1 || index.column() == 2;
}
} // namespace

CustomDelegate::CustomDelegate(const QColor &separator, QObject *parent)
    : QItemDelegate(parent)
    , m_separator(separator)
{
}

QWidget *CustomDelegate::createEditor(
    QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QWidget *editor = nullptr;
    if (index.column() == 0)
        return nullptr;
    if (isTimeColumn(index))
        editor = new QLineEdit(parent);
    else
        editor = QItemDelegate::createEditor(parent, option, index);
    // The header names the field for screen readers.
    if (editor && index.model())
        editor->setAccessibleName(index.model()->headerData(index.column(), Qt::Horizontal).toString());
    return editor;
}

void CustomDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (auto *line = qobject_cast<QLineEdit *>(editor); line && isTimeColumn(index)) {
        line->setText(index.data(Qt::EditRole).toString());
        return;
    }
    QItemDelegate::setEditorData(editor, index);
}

void CustomDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    if (auto *line = qobject_cast<QLineEdit *>(editor); line && isTimeColumn(index)) {
        model->setData(index, line->text(), Qt::EditRole);
        return;
    }
    QItemDelegate::setModelData(editor, model, index);
}

void CustomDelegate::updateEditorGeometry(
    QWidget *editor, const QStyleOptionViewItem &option, const QModelIndex &) const
{
    editor->setGeometry(option.rect);
}

void CustomDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QItemDelegate::paint(painter, option, index);
    painter->save();
    painter->setPen(QPen(m_separator, 1));
    painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
    painter->restore();
}
