#pragma once

#include <QStyledItemDelegate>

class QProgressBar;

// Draws every cell as usual and, in the progress column, a bar with its
// percentage over it.
class ProgressBarDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit ProgressBarDelegate(QObject *parent = nullptr);
    ~ProgressBarDelegate() override;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    // Carries the bar's style sheet; never shown.
    QProgressBar *m_bar;
};
