#include "views/SrtPopWidget.h"

#include "base/ClickableLabel.h"
#include "views/SrtListCommands.h"
#include "views/SrtListTheme.h"

#include <QButtonGroup>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
struct TagButton
{
    const char *objectName;
    const char *accessibleName;
};

const TagButton kTagButtons[] = {{"radioButton_Gray", "灰色标记"}, {"radioButton_Red", "红色标记"},
    {"radioButton_Yellow", "黄色标记"}, {"radioButton_Green", "绿色标记"}, {"radioButton_Blue", "蓝色标记"}};

QFrame *separatorLine(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setObjectName(QStringLiteral("popLine"));
    line->setFrameShape(QFrame::HLine);
    line->setFixedHeight(1);
    return line;
}

// Each button shows its colour as its indicator.
QString tagButtonStyle(const QColor &colour)
{
    const QString rgb = QStringLiteral("rgb(%1, %2, %3)").arg(colour.red()).arg(colour.green()).arg(colour.blue());
    return QStringLiteral("QRadioButton::indicator { width: 12px; height: 12px; border-radius: 7px;"
                          " border: 2px solid %1; background: %1; }"
                          "QRadioButton::indicator:checked { border-color: rgb(240, 240, 240); }")
        .arg(rgb);
}
} // namespace

SrtPopWidget::SrtPopWidget(QWidget *parent)
    : AutoHidePopup(QStringLiteral("字幕操作"), parent)
{
    setObjectName(QStringLiteral("SrtPopWidget"));
    setAttribute(Qt::WA_StyledBackground);
    setWindowModality(Qt::ApplicationModal);

    auto *tagRow = new QHBoxLayout;
    tagRow->setContentsMargins(0, 0, 8, 0);
    tagRow->setSpacing(4);
    auto *tagTitle = new QLabel(QStringLiteral("  标记"), this);
    tagTitle->setObjectName(QStringLiteral("label_Tag"));
    tagRow->addWidget(tagTitle);
    auto *group = new QButtonGroup(this);
    for (int i = 0; i < 5; ++i) {
        auto *button = new QRadioButton(this);
        button->setObjectName(QString::fromLatin1(kTagButtons[i].objectName));
        button->setAccessibleName(QString::fromUtf8(kTagButtons[i].accessibleName));
        button->setToolTip(button->accessibleName());
        button->setStyleSheet(tagButtonStyle(toQColor(tagPalette()[i])));
        button->setFocusPolicy(Qt::NoFocus);
        group->addButton(button, i);
        tagRow->addWidget(button);
        connect(button, &QRadioButton::clicked, this, &SrtPopWidget::slot_clickColorButton);
        m_colours[i] = button;
    }
    tagRow->addStretch();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 6, 0, 6);
    layout->setSpacing(2);
    layout->addLayout(tagRow);
    layout->addWidget(separatorLine(this));
    layout->addWidget(addCommand(QStringLiteral("  合并到上一句"), QStringLiteral("label_MergePrev")));
    layout->addWidget(addCommand(QStringLiteral("  合并到下一句"), QStringLiteral("label_MergeNext")));
    layout->addWidget(addCommand(QStringLiteral("  切分..."), QStringLiteral("label_SPlit")));
    layout->addWidget(addCommand(QStringLiteral("  在此之前插入行"), QStringLiteral("label_InsertLineBefore")));
    layout->addWidget(addCommand(QStringLiteral("  在此之后插入行"), QStringLiteral("label_InsertLineAfter")));
    layout->addWidget(separatorLine(this));
    layout->addWidget(addCommand(QStringLiteral("  删除"), QStringLiteral("label_Delete")));
    setFixedWidth(170);
    adjustSize();
}

ClickableLabel *SrtPopWidget::addCommand(const QString &text, const QString &objectName)
{
    auto *label = new ClickableLabel(text, this);
    label->setObjectName(objectName);
    label->setAccessibleName(text.trimmed());
    connect(label, &ClickableLabel::clicked, this, &SrtPopWidget::slot_clickCommandLabel);
    m_commands << label;
    return label;
}

void SrtPopWidget::setRow(int row, int rowCount, const TagColor &tag)
{
    m_row = row;
    m_rowCount = rowCount;
    m_colours[tagPaletteIndex(tag)]->setChecked(true);
    // A merge without a neighbour would do nothing; say so before the click.
    commandLabel(QStringLiteral("label_MergePrev"))->setEnabled(row > 0);
    commandLabel(QStringLiteral("label_MergeNext"))->setEnabled(row < rowCount - 1);
}

QRadioButton *SrtPopWidget::colourButton(int index) const
{
    return index >= 0 && index < int(m_colours.size()) ? m_colours[index] : nullptr;
}

ClickableLabel *SrtPopWidget::commandLabel(const QString &objectName) const
{
    for (ClickableLabel *label : m_commands) {
        if (label->objectName() == objectName)
            return label;
    }
    return nullptr;
}

void SrtPopWidget::slot_clickColorButton()
{
    const QObject *button = sender();
    const TagColor colour = tagColorForButtonName(button ? button->objectName() : QString());
    hide();
    emit signal_noticeColorTag(m_row, toQColor(colour));
}

void SrtPopWidget::slot_clickCommandLabel()
{
    const QObject *label = sender();
    hide();
    const QString word = commandWordForLabel(label ? label->objectName() : QString(), m_row, m_rowCount);
    emit signal_noticeCommand(m_row, word);
}

void SrtPopWidget::slot_timeout()
{
    hide();
}

void SrtPopWidget::graceEnded()
{
    slot_timeout();
}
