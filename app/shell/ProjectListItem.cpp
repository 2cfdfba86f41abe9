#include "shell/ProjectListItem.h"

#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>

ProjectListItem::ProjectListItem(int index, const ProjectItem &item, QWidget *parent)
    : QWidget(parent)
    , m_index(index)
{
    setAttribute(Qt::WA_StyledBackground);
    setFixedHeight(64);
    setStyleSheet(QStringLiteral("ProjectListItem{background-color: rgb(42, 42, 42);}"));

    m_name = new QLabel(this);
    m_name->setObjectName(QStringLiteral("nameLabel"));
    m_name->setText(item.name);
    m_name->setToolTip(item.name);
    m_state = new QLabel(item.state ? QStringLiteral("字幕已生成") : QStringLiteral("字幕未生成"), this);
    m_state->setObjectName(QStringLiteral("stateLabel"));
    m_path = new QLabel(this);
    m_path->setObjectName(QStringLiteral("pathLabel"));
    m_path->setText(item.path);
    m_path->setToolTip(item.path);
    m_path->setMinimumWidth(10);
    m_name->setMinimumWidth(10);

    auto *remove = new QToolButton(this);
    remove->setObjectName(QStringLiteral("toolButton_Delete"));
    remove->setFixedSize(16, 16);
    remove->setCursor(Qt::PointingHandCursor);
    connect(remove, &QToolButton::clicked, this, [this] { emit signal_DeleteItem(m_index); });

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(14, 8, 10, 8);
    layout->setHorizontalSpacing(10);
    layout->addWidget(m_name, 0, 0);
    layout->addWidget(m_state, 0, 1, Qt::AlignRight);
    layout->addWidget(remove, 0, 2);
    layout->addWidget(m_path, 1, 0, 1, 3);
    layout->setColumnStretch(0, 1);
}

QString ProjectListItem::nameText() const { return m_name->text(); }
QString ProjectListItem::stateText() const { return m_state->text(); }
QString ProjectListItem::pathText() const { return m_path->text(); }

void ProjectListItem::mouseDoubleClickEvent(QMouseEvent *event)
{
    emit signal_EnterProject(m_index);
    QWidget::mouseDoubleClickEvent(event);
}
