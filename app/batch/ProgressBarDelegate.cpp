#include "batch/ProgressBarDelegate.h"

#include "batch/TableModel.h"

#include <QPainter>
#include <QProgressBar>
#include <QStyleOptionProgressBar>

ProgressBarDelegate::ProgressBarDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
    , m_bar(new QProgressBar)
{
    // Dark text: the program's palette draws light text, unreadable on the light bar.
    m_bar->setStyleSheet(QStringLiteral("QProgressBar{\tborder:none;\ttext-align: center;background:rgb(210, 225, "
                                        "240);color:rgb(51, 51, 51);}QProgressBar::chunk{background: rgb(192, 192, 192);}"));
    m_bar->ensurePolished();
}

ProgressBarDelegate::~ProgressBarDelegate()
{
    delete m_bar;
}

void ProgressBarDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                const QModelIndex &index) const
{
    if (index.column() != TableModel::ProgressColumn) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // The cell's background and selection, without the number.
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    cell.text.clear();
    cell.widget->style()->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);

    const int value = qBound(0, index.data().toInt(), 100);
    QStyleOptionProgressBar bar;
    bar.initFrom(m_bar);
    bar.rect = option.rect.adjusted(3, 6, -3, -6);
    bar.minimum = 0;
    bar.maximum = 100;
    bar.progress = value;
    bar.text = QStringLiteral("%1%").arg(value);
    bar.textVisible = true;
    bar.textAlignment = Qt::AlignCenter;
    bar.state |= QStyle::State_Horizontal;
    m_bar->style()->drawControl(QStyle::CE_ProgressBar, &bar, painter, m_bar);
}
