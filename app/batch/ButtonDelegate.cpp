#include "batch/ButtonDelegate.h"

#include "base/FilePickers.h"
#include "batch/TableModel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace {
constexpr int ImageSize = 20;
}

ButtonDelegate::ButtonDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

QRect ButtonDelegate::imageRect(const QRect &cell)
{
    return QRect(cell.right() - ImageSize - 4, cell.center().y() - ImageSize / 2 + 1, ImageSize, ImageSize);
}

void ButtonDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const bool editable = !index.data(TableModel::IsBurnRole).toBool();
    QStyleOptionViewItem cell = option;
    if (editable)
        cell.rect.setRight(cell.rect.right() - ImageSize - 8);
    QStyledItemDelegate::paint(painter, cell, index);
    if (editable) {
        static const QPixmap image(QStringLiteral(":/image/batch/addtxt_normal.png"));
        painter->drawPixmap(imageRect(option.rect), image);
    }
}

bool ButtonDelegate::editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                                 const QModelIndex &index)
{
    if (event->type() == QEvent::MouseButtonRelease && !index.data(TableModel::IsBurnRole).toBool()) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && option.rect.contains(mouse->pos())) {
            const QString path = FilePickers::pickTextFile(const_cast<QWidget *>(option.widget));
            if (!path.isEmpty())
                emit signal_clicked(index, path);
            return true;
        }
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}
