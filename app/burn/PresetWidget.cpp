#include "burn/PresetWidget.h"

#include "base/SignalProxy.h"
#include "burn/BurnFormRules.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

PresetWidget::PresetWidget(int index, const preset &p, QWidget *parent)
    : QWidget(parent)
    , m_index(index)
{
    setAttribute(Qt::WA_StyledBackground);
    setCursor(Qt::PointingHandCursor);
    setFixedHeight(58);
    // User presets are named "我的预设N" when made here.
    auto *name = new QLabel(p.name, this);
    name->setObjectName(QStringLiteral("presetCaption"));
    auto *summary = new QLabel(BurnForm::presetSummary(p), this);
    summary->setObjectName(QStringLiteral("presetSummary"));
    m_copy = new QPushButton(QStringLiteral("复制"), this);
    m_delete = new QPushButton(QStringLiteral("删除"), this);
    m_delete->setEnabled(p.type != 0);
    m_delete->setToolTip(p.type == 0 ? QStringLiteral("内置预设不能删除") : QString());
    for (QPushButton *button : {m_copy, m_delete}) {
        button->setFixedSize(48, 24);
        button->setStyleSheet(QStringLiteral("min-width: 0; min-height: 0; padding: 0;"));
    }
    setAccessibleName(p.name);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(name);
    texts->addWidget(summary);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 4, 8, 4);
    layout->addLayout(texts, 1);
    layout->addWidget(m_copy);
    layout->addWidget(m_delete);

    SignalProxy *proxy = SignalProxy::instance();
    connect(m_copy, &QPushButton::clicked, this, [this, proxy] { emit proxy->signal_noticeCopyPresetvalue(m_index); });
    connect(m_delete, &QPushButton::clicked, this,
            [this, proxy] { emit proxy->signal_noticeDeletePresetvalue(m_index); });
    setSelected(false);
}

void PresetWidget::setSelected(bool selected)
{
    m_selected = selected;
    setStyleSheet(QStringLiteral("PresetWidget { background: %1; } QLabel { background: transparent; color: white; }"
                                 " QLabel#presetSummary { color: rgb(200, 200, 200); font-size: 12px; }")
                      .arg(selected ? QStringLiteral("rgb(55, 94, 148)") : QStringLiteral("rgb(68, 68, 68)")));
}

void PresetWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit SignalProxy::instance()->signal_noticeSelectPresetValue(m_index);
    QWidget::mousePressEvent(event);
}
