#include "views/FindReplaceWidget.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

FindReplaceWidget::FindReplaceWidget(QWidget *parent)
    : FramedDialog(QStringLiteral("查找和替换"), parent, Qt::Tool)
{
    setObjectName(QStringLiteral("FindReplaceWidget"));
    setMinimumWidth(420);

    m_find = new QLineEdit(this);
    m_find->setObjectName(QStringLiteral("lineEdit_Find"));
    m_replace = new QLineEdit(this);
    m_replace->setObjectName(QStringLiteral("lineEdit_Replace"));
    m_matchCase = new QCheckBox(QStringLiteral("匹配大小写"), this);
    m_matchCase->setObjectName(QStringLiteral("checkBox_MatchCase"));
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("label_FindStatus"));

    auto *fields = new QGridLayout;
    fields->setColumnStretch(1, 1);
    auto *findLabel = new QLabel(QStringLiteral("查找："), this);
    findLabel->setBuddy(m_find);
    auto *replaceLabel = new QLabel(QStringLiteral("替换为："), this);
    replaceLabel->setBuddy(m_replace);
    m_find->setAccessibleName(QStringLiteral("查找"));
    m_replace->setAccessibleName(QStringLiteral("替换为"));
    fields->addWidget(findLabel, 0, 0);
    fields->addWidget(m_find, 0, 1);
    fields->addWidget(replaceLabel, 1, 0);
    fields->addWidget(m_replace, 1, 1);
    fields->addWidget(m_matchCase, 2, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_status, 1);
    QPushButton *previous = addButton(QStringLiteral("上一个"), QStringLiteral("pushButton_FindPrevious"));
    QPushButton *next = addButton(QStringLiteral("下一个"), QStringLiteral("pushButton_FindNext"));
    QPushButton *replace = addButton(QStringLiteral("替换"), QStringLiteral("pushButton_Replace"));
    QPushButton *replaceAll = addButton(QStringLiteral("全部替换"), QStringLiteral("pushButton_ReplaceAll"));
    for (QPushButton *button : {previous, next, replace, replaceAll})
        buttons->addWidget(button);

    QVBoxLayout *layout = contentLayout();
    layout->setContentsMargins(16, 8, 16, 14);
    layout->setSpacing(8);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    connect(next, &QPushButton::clicked, this, &FindReplaceWidget::signal_findNext);
    connect(previous, &QPushButton::clicked, this, &FindReplaceWidget::signal_findPrevious);
    connect(replace, &QPushButton::clicked, this, &FindReplaceWidget::signal_replace);
    connect(replaceAll, &QPushButton::clicked, this, &FindReplaceWidget::signal_replaceAll);
    // Enter in the find field goes on to the next match, as in most editors.
    connect(m_find, &QLineEdit::returnPressed, this, &FindReplaceWidget::signal_findNext);
    connect(m_replace, &QLineEdit::returnPressed, this, &FindReplaceWidget::signal_replace);
    connect(m_find, &QLineEdit::textChanged, this, [this] { setStatus(QString()); });
}

QPushButton *FindReplaceWidget::addButton(const QString &text, const QString &objectName)
{
    auto *button = new QPushButton(text, this);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    m_buttons << button;
    return button;
}

QPushButton *FindReplaceWidget::button(const QString &objectName) const
{
    for (QPushButton *button : m_buttons) {
        if (button->objectName() == objectName)
            return button;
    }
    return nullptr;
}

FindQuery FindReplaceWidget::query() const
{
    FindQuery query;
    query.text = m_find->text();
    query.caseSensitivity = m_matchCase->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
    return query;
}

QString FindReplaceWidget::replacement() const
{
    return m_replace->text();
}

void FindReplaceWidget::showFind()
{
    present(m_find);
}

void FindReplaceWidget::showReplace()
{
    present(m_replace);
}

void FindReplaceWidget::present(QLineEdit *field)
{
    show();
    raise();
    activateWindow();
    field->setFocus();
    field->selectAll();
}

void FindReplaceWidget::setStatus(const QString &text)
{
    m_status->setText(text);
}

QString FindReplaceWidget::status() const
{
    return m_status->text();
}
