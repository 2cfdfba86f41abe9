#include "shell/SrtProgressWidget.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

SrtProgressWidget::SrtProgressWidget(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(829, 609);
    m_label = new QLabel(QStringLiteral("正在处理"), this);
    m_label->setObjectName(QStringLiteral("progressLabel"));
    m_label->setAlignment(Qt::AlignCenter);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("progressBar"));
    m_bar->setFixedSize(708, 52);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);

    auto *layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(m_label);
    layout->addSpacing(20);
    layout->addWidget(m_bar, 0, Qt::AlignHCenter);
    layout->addStretch();
}

int SrtProgressWidget::percentFor(qint64 pos, qint64 total)
{
    if (total <= 0)
        return 0;
    const qint64 percent = pos * 100 / total;
    return static_cast<int>(qBound<qint64>(0, percent, 100));
}
