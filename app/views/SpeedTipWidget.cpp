#include "views/SpeedTipWidget.h"

#include "views/SpeedLabel.h"

#include <QPainter>
#include <QPolygon>
#include <QVBoxLayout>

SpeedTipWidget::SpeedTipWidget(QWidget *parent)
    // A pop-up menu that never takes the keyboard from the editor.
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
{
    setObjectName(QStringLiteral("SpeedTipWidget"));
    setWindowTitle(QStringLiteral("播放速度"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(100, 225);

    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(6);
    layout->setContentsMargins(0, 0, 0, 14);
    const QStringList texts = {QStringLiteral("2X"), QStringLiteral("1.75"), QStringLiteral("1.5"),
        QStringLiteral("1.25"), QStringLiteral("1X"), QStringLiteral("0.75"), QStringLiteral("0.5")};
    for (int i = 0; i < texts.size(); ++i) {
        auto *label = new SpeedLabel(QStringLiteral("label_%1").arg(i + 1), texts.at(i), this);
        layout->addWidget(label);
        m_labels.append(label);
    }

    m_hideTimer.setSingleShot(true);
    m_hideTimer.setInterval(1000);
    connect(&m_hideTimer, &QTimer::timeout, this, &SpeedTipWidget::slot_timeout);
}

void SpeedTipWidget::slot_timeout()
{
    hide();
}

void SpeedTipWidget::paintEvent(QPaintEvent *)
{
    const int w = width();
    const int h = height();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(51, 51, 51));
    painter.drawPolygon(QPolygon({QPoint(0, 0), QPoint(w, 0), QPoint(w, h - 11), QPoint(w / 2 + 12, h - 11),
        QPoint(w / 2, h + 1), QPoint(w / 2 - 12, h - 11), QPoint(0, h - 11)}));
}

void SpeedTipWidget::showEvent(QShowEvent *event)
{
    m_hideTimer.start();
    QWidget::showEvent(event);
}

void SpeedTipWidget::enterEvent(QEvent *event)
{
    m_hideTimer.stop();
    QWidget::enterEvent(event);
}

void SpeedTipWidget::leaveEvent(QEvent *event)
{
    hide();
    QWidget::leaveEvent(event);
}
