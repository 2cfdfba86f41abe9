#include "views/BottomToolWidget.h"

#include "base/SignalProxy.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace {
QToolButton *imageButton(QWidget *parent, const QString &image)
{
    auto *button = new QToolButton(parent);
    button->setFixedSize(27, 27);
    button->setFocusPolicy(Qt::NoFocus);
    button->setStyleSheet(QStringLiteral("QToolButton{border-image:url(:/image/bottom/%1_normal.png);border:none;}"
                                         "QToolButton:pressed{border-image:url(:/image/bottom/%1_press.png);}")
                              .arg(image));
    return button;
}
} // namespace

BottomToolWidget::BottomToolWidget(QWidget *parent)
    // Never takes the keyboard: Space and the editing keys stay with the
    // editor after a zoom click.
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QStringLiteral("工具框"));
    setFixedSize(114, 30);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    QToolButton *switchButton = imageButton(this, QStringLiteral("switch"));
    QToolButton *zoomIn = imageButton(this, QStringLiteral("zoomin"));
    QToolButton *zoomOut = imageButton(this, QStringLiteral("zoomout"));
    layout->addWidget(switchButton);
    layout->addWidget(zoomIn);
    layout->addWidget(zoomOut);
    connect(switchButton, &QToolButton::clicked, this, &BottomToolWidget::slot_clickSwitchButton);
    connect(zoomIn, &QToolButton::clicked, this, &BottomToolWidget::slot_clickZoomInButton);
    connect(zoomOut, &QToolButton::clicked, this, &BottomToolWidget::slot_clickZoomOutButton);
}

void BottomToolWidget::slot_clickSwitchButton()
{
    emit SignalProxy::instance()->signal_NoticeShowMargintimeAdjustWidget();
}

void BottomToolWidget::slot_clickZoomInButton()
{
    emit SignalProxy::instance()->signal_NoticeZoomIn();
}

void BottomToolWidget::slot_clickZoomOutButton()
{
    emit SignalProxy::instance()->signal_NoticeZoomOut();
}
