#include "views/MarginTimeAdjustWidget.h"

#include "base/SignalProxy.h"
#include "views/TimingLabels.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace {

QSlider *makeShiftSlider(QWidget *parent, const QString &objectName, const QString &accessibleName)
{
    auto *slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(objectName);
    slider->setAccessibleName(accessibleName);
    slider->setRange(-1000, 1000);
    slider->setPageStep(1);
    slider->setValue(0);
    return slider;
}

QLabel *makeFixedLabel(QWidget *parent, const QString &objectName, const QString &text, int width)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setFixedSize(width, 23);
    return label;
}

} // namespace

MarginTimeAdjustWidget::MarginTimeAdjustWidget(QWidget *parent)
    : FramedDialog(QStringLiteral("字幕边界时间批量调整"), parent, Qt::Tool)
{
    setObjectName(QStringLiteral("MarginTimeAdjustWidget"));
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(608, 236);

    m_startSlider = makeShiftSlider(this, QStringLiteral("horizontalSlider_Start"), QStringLiteral("字幕起始时间调整"));
    m_endSlider = makeShiftSlider(this, QStringLiteral("horizontalSlider_End"), QStringLiteral("字幕结束时间调整"));
    m_startDirection = makeFixedLabel(this, QStringLiteral("label_StartDirection"), QString(), 28);
    m_startValue = makeFixedLabel(this, QStringLiteral("label_StartValue"), QStringLiteral("   0ms"), 55);
    m_endDirection = makeFixedLabel(this, QStringLiteral("label_EndDirection"), QString(), 28);
    m_endValue = makeFixedLabel(this, QStringLiteral("label_EndValue"), QStringLiteral("   0ms"), 55);

    m_mode = new QComboBox(this);
    m_mode->setObjectName(QStringLiteral("comboBox_Type"));
    m_mode->setAccessibleName(QStringLiteral("冲突处理方式"));
    m_mode->addItems({QStringLiteral("起始优先"), QStringLiteral("结束优先"), QStringLiteral("平均划分")});

    auto *startLabel = new QLabel(QStringLiteral("字幕起始时间调整："), this);
    startLabel->setBuddy(m_startSlider);
    auto *endLabel = new QLabel(QStringLiteral("字幕结束时间调整："), this);
    endLabel->setBuddy(m_endSlider);
    auto *modeLabel = new QLabel(QStringLiteral("       冲突处理方式："), this);
    modeLabel->setBuddy(m_mode);

    auto *rows = new QGridLayout;
    rows->setVerticalSpacing(10);
    rows->addWidget(startLabel, 0, 0);
    rows->addWidget(m_startSlider, 0, 1);
    rows->addWidget(m_startDirection, 0, 2);
    rows->addWidget(m_startValue, 0, 3);
    rows->addWidget(endLabel, 1, 0);
    rows->addWidget(m_endSlider, 1, 1);
    rows->addWidget(m_endDirection, 1, 2);
    rows->addWidget(m_endValue, 1, 3);
    rows->addWidget(modeLabel, 2, 0);
    rows->addWidget(m_mode, 2, 1);

    QVBoxLayout *layout = contentLayout();
    layout->setContentsMargins(24, 8, 24, 16);
    layout->addLayout(rows);
    const ActionButtons buttons = addActionButtons(QStringLiteral("确定"));

    connect(m_startSlider, &QSlider::valueChanged, this, &MarginTimeAdjustWidget::slot_StarttimeSliderValueChanged);
    connect(m_endSlider, &QSlider::valueChanged, this, &MarginTimeAdjustWidget::slot_EndtimeSliderValueChanged);
    connect(buttons.primary, &QPushButton::clicked, this, &MarginTimeAdjustWidget::slot_clickConfirmButton);
    connect(buttons.cancel, &QPushButton::clicked, this, &MarginTimeAdjustWidget::slot_clickCancelButton);
}

void MarginTimeAdjustWidget::slot_StarttimeSliderValueChanged(int i)
{
    m_startDirection->setText(boundaryShiftDirectionText(i, QStringLiteral("延后"), QStringLiteral("提前")));
    m_startValue->setText(boundaryShiftValueText(i));
}

void MarginTimeAdjustWidget::slot_EndtimeSliderValueChanged(int i)
{
    m_endDirection->setText(boundaryShiftDirectionText(i, QStringLiteral("延长"), QStringLiteral("缩短")));
    m_endValue->setText(boundaryShiftValueText(i));
}

void MarginTimeAdjustWidget::slot_clickConfirmButton()
{
    const int mode = m_mode->currentIndex();
    if (mode >= 0)
        emit SignalProxy::instance()->signal_NoticeMarginTimeAdjustment(
            m_startSlider->value(), m_endSlider->value(), mode);
    close();
}

void MarginTimeAdjustWidget::slot_clickCancelButton()
{
    close();
}
