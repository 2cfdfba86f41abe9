#include "views/SplitTimeWidget.h"

#include "subtitle/LocalCodec.h"
#include "subtitle/SplitText.h"
#include "subtitle/SubtitleList.h"
#include "subtitle/TimingOperations.h"

#include <QDebug>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace {

QLabel *makeTextLabel(QWidget *parent, const QString &objectName)
{
    auto *label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

SplitTimeWidget::SplitTimeWidget(QWidget *parent)
    : FramedDialog(QStringLiteral("切分时间轴"), parent, Qt::Tool)
{
    setObjectName(QStringLiteral("SplitTimeWidget"));
    setWindowModality(Qt::ApplicationModal);
    setMinimumSize(550, 230);

    m_source = makeTextLabel(this, QStringLiteral("label_Source"));
    m_frontLabel = makeTextLabel(this, QStringLiteral("label_Front"));
    m_backLabel = makeTextLabel(this, QStringLiteral("label_Back"));
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName(QStringLiteral("horizontalSlider_Ratio"));
    m_slider->setAccessibleName(QStringLiteral("切分比例"));
    m_slider->setRange(0, 100);

    auto *rows = new QGridLayout;
    rows->setVerticalSpacing(8);
    rows->setColumnStretch(1, 1);
    const QString captions[] = {QStringLiteral("      原文："), QStringLiteral("   前半句："),
        QStringLiteral("   后半句："), QStringLiteral("切分比例：")};
    QWidget *fields[] = {m_source, m_frontLabel, m_backLabel, m_slider};
    for (int i = 0; i < 4; ++i) {
        auto *caption = new QLabel(captions[i], this);
        caption->setAlignment(Qt::AlignRight | Qt::AlignTop);
        caption->setBuddy(fields[i]);
        rows->addWidget(caption, i, 0);
        rows->addWidget(fields[i], i, 1);
    }

    QVBoxLayout *layout = contentLayout();
    layout->setContentsMargins(20, 8, 20, 16);
    layout->addLayout(rows);
    const ActionButtons buttons = addActionButtons(QStringLiteral("切分"));

    connect(m_slider, &QSlider::valueChanged, this, &SplitTimeWidget::slot_SlidervalueChanged);
    connect(buttons.primary, &QPushButton::clicked, this, &SplitTimeWidget::slot_clickSplitButton);
    connect(buttons.cancel, &QPushButton::clicked, this, &SplitTimeWidget::slot_clickCancelButton);
}

void SplitTimeWidget::setRow(int row)
{
    SubtitleList &list = currentSubtitleList();
    m_row = row;
    m_text = row >= 0 && row < list.size() ? fromLocal8(list.at(row).text) : QString();
    m_source->setText(m_text);
    const SplitText halves = splitTextInHalf(m_text);
    showHalves(halves.front, halves.back);
    // Already at 50 from the last use: the halves above stand.
    m_slider->setValue(50);
}

void SplitTimeWidget::slot_SlidervalueChanged(int value)
{
    qDebug().noquote() << QStringLiteral("value:\t%1").arg(value);
    const SplitText parts = splitTextAtPercent(m_text, value);
    showHalves(parts.front, parts.back);
}

void SplitTimeWidget::slot_clickSplitButton()
{
    const int percent = m_slider->value();
    // Percent 0 or a row that has gone since setRow() splits nothing.
    if (percent != 0 && splitEntry(currentSubtitleList(), m_row, percent, m_front, m_back))
        emit signal_noticeUpdate();
    hide();
}

void SplitTimeWidget::slot_clickCancelButton()
{
    hide();
}

void SplitTimeWidget::showHalves(const QString &front, const QString &back)
{
    m_front = front;
    m_back = back;
    m_frontLabel->setText(front);
    m_backLabel->setText(back);
}
