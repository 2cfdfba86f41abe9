#include "views/RemoveOverlayWidget.h"

#include "base/SignalProxy.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

RemoveOverlayWidget::RemoveOverlayWidget(QWidget *parent)
    : FramedDialog(QStringLiteral("去除重叠"), parent, Qt::Tool)
{
    setObjectName(QStringLiteral("RemoveOverlayWidget"));
    setWindowModality(Qt::ApplicationModal);
    setAttribute(Qt::WA_DeleteOnClose);
    setMinimumSize(586, 280);

    // The first picture shows the overlap, the other three each mode's repair.
    auto *pictures = new QGridLayout;
    pictures->setHorizontalSpacing(12);
    const char *images[] = {":/image/overlay/one_bg.png", ":/image/overlay/two_bg.png", ":/image/overlay/three_bg.png",
        ":/image/overlay/four_bg.png"};
    for (int column = 0; column < 4; ++column) {
        auto *picture = new QLabel(this);
        picture->setPixmap(QPixmap(QString::fromLatin1(images[column])));
        picture->setAlignment(Qt::AlignCenter);
        pictures->addWidget(picture, 0, column);
    }

    const QString labels[] = {QStringLiteral("起始优先"), QStringLiteral("结束优先"), QStringLiteral("平均划分")};
    const char *names[] = {"radioButton_StartFirst", "radioButton_EndFirst", "radioButton_Average"};
    QFont font(QStringLiteral("微软雅黑"));
    font.setPointSize(12);
    auto *group = new QButtonGroup(this);
    for (int mode = 0; mode < 3; ++mode) {
        m_modes[mode] = new QRadioButton(labels[mode], this);
        m_modes[mode]->setObjectName(QString::fromLatin1(names[mode]));
        m_modes[mode]->setFont(font);
        group->addButton(m_modes[mode], mode);
        pictures->addWidget(m_modes[mode], 1, mode + 1, Qt::AlignCenter);
    }
    m_modes[0]->setChecked(true);

    QVBoxLayout *layout = contentLayout();
    layout->setContentsMargins(20, 8, 20, 16);
    layout->addLayout(pictures);
    const ActionButtons buttons = addActionButtons(QStringLiteral("应用"));
    connect(buttons.primary, &QPushButton::clicked, this, &RemoveOverlayWidget::slot_clickApplyButton);
    connect(buttons.cancel, &QPushButton::clicked, this, &RemoveOverlayWidget::slot_clickCancelButton);
}

QRadioButton *RemoveOverlayWidget::modeButton(int mode) const
{
    return mode >= 0 && mode < 3 ? m_modes[mode] : nullptr;
}

void RemoveOverlayWidget::slot_clickApplyButton()
{
    for (int mode = 0; mode < 3; ++mode) {
        if (m_modes[mode]->isChecked()) {
            emit SignalProxy::instance()->signal_NoticeProcessOverlay(mode);
            break;
        }
    }
    close();
}

void RemoveOverlayWidget::slot_clickCancelButton()
{
    close();
}
