#include "shell/ProjectContentWidget.h"

#include "project/ProjectList.h"
#include "base/CurrentProject.h"
#include "shell/ProjectActions.h"
#include "shell/ProjectListItem.h"
#include "shell/ProjectListStore.h"
#include "base/SignalProxy.h"
#include "shell/SrtTypechoiceWidget.h"
#include "shell/VideoOnlyWidget.h"
#include "shell/VideoSrtWidget.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QShortcut>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QToolButton *imageButton(QWidget *parent, const QString &objectName, const QString &name, const QSize &size)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(objectName);
    button->setAccessibleName(name);
    button->setToolTip(name);
    button->setFixedSize(size);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

ProjectContentWidget::ProjectContentWidget(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ProjectContentWidget"));
    setAttribute(Qt::WA_StyledBackground);
    setMinimumSize(800, 396);

    // Left: buttons above the scrolling rows.
    auto *left = new QWidget(this);
    left->setObjectName(QStringLiteral("projectLeftPanel"));
    left->setAttribute(Qt::WA_StyledBackground);
    left->setFixedWidth(410);
    QToolButton *newButton = imageButton(left, QStringLiteral("toolButton_New"), QStringLiteral("新建工程"),
                                           QSize(87, 20));
    QToolButton *openButton = imageButton(left, QStringLiteral("toolButton_Open"), QStringLiteral("打开工程"),
                                            QSize(88, 20));
    QToolButton *clearButton = imageButton(left, QStringLiteral("toolButton_Clearall"), QStringLiteral("清空列表"),
                                             QSize(117, 20));
    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(14, 16, 14, 10);
    buttons->addWidget(newButton);
    buttons->addSpacing(12);
    buttons->addWidget(openButton);
    buttons->addStretch();
    buttons->addWidget(clearButton);

    auto *scroll = new QScrollArea(left);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *rowsHolder = new QWidget(scroll);
    rowsHolder->setObjectName(QStringLiteral("projectRows"));
    rowsHolder->setAttribute(Qt::WA_StyledBackground);
    m_rowsLayout = new QVBoxLayout(rowsHolder);
    m_rowsLayout->setContentsMargins(10, 0, 10, 10);
    m_rowsLayout->setSpacing(6);
    scroll->setWidget(rowsHolder);

    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addLayout(buttons);
    leftLayout->addWidget(scroll, 1);

    // Right: heading, return button and the task stack.
    auto *right = new QWidget(this);
    right->setMinimumSize(712, 416);
    m_heading = new QLabel(right);
    m_heading->setObjectName(QStringLiteral("label_Quickstart"));
    m_heading->setFixedSize(240, 40);
    m_return = imageButton(right, QStringLiteral("toolButton_Return"), QStringLiteral("返回"), QSize(80, 28));
    m_stack = new QStackedWidget(right);
    m_chooser = new SrtTypechoiceWidget(m_stack);
    m_stack->addWidget(m_chooser);
    m_videoSrt = new VideoSrtWidget(m_stack);
    m_videoOnly = new VideoOnlyWidget(m_stack);
    m_stack->addWidget(m_videoSrt);
    m_stack->addWidget(m_videoOnly);
    auto *headRow = new QHBoxLayout;
    headRow->addWidget(m_heading);
    headRow->addWidget(m_return);
    headRow->addStretch();
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(30, 30, 30, 20);
    rightLayout->addLayout(headRow);
    rightLayout->addWidget(m_stack, 1);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(left);
    layout->addWidget(right, 1);

    currentProject().projectList = ProjectListStore::loadAtStart(projectListPath());
    rebuildRows();
    m_return->hide();
    m_stack->setCurrentWidget(m_chooser);

    connect(newButton, &QToolButton::clicked, this, &ProjectContentWidget::slot_clickNewButton);
    connect(openButton, &QToolButton::clicked, this, &ProjectContentWidget::slot_clickOpenButton);
    connect(clearButton, &QToolButton::clicked, this, &ProjectContentWidget::slot_clickClearallButton);
    connect(m_chooser, &SrtTypechoiceWidget::signal_SwitchSrtPage, this, &ProjectContentWidget::slot_SwitchSrtPage);
    connect(m_return, &QToolButton::clicked, this, &ProjectContentWidget::slot_clickReturnButton);
    connect(SignalProxy::instance(), &SignalProxy::signal_UpdateList, this, &ProjectContentWidget::slot_ReturnFirstPage);
    auto *open = new QShortcut(QKeySequence(QStringLiteral("Ctrl+O")), this);
    connect(open, &QShortcut::activated, this, &ProjectContentWidget::slot_clickOpenButton);
}

QList<ProjectListItem *> ProjectContentWidget::rows() const
{
    QList<ProjectListItem *> result;
    for (int i = 0; i < m_rowsLayout->count(); ++i) {
        if (auto *row = qobject_cast<ProjectListItem *>(m_rowsLayout->itemAt(i)->widget()))
            result << row;
    }
    return result;
}

bool ProjectContentWidget::mayReplaceOpenProject() const
{
    const CurrentProject &project = currentProject();
    if (!project.isOpen() && !project.taskRunning)
        return true;
    return !m_leaveCheck || m_leaveCheck();
}

void ProjectContentWidget::slot_clickNewButton()
{
    if (!mayReplaceOpenProject())
        return;
    emit SignalProxy::instance()->signal_NoticeNewProject();
}

void ProjectContentWidget::slot_clickOpenButton()
{
    if (!mayReplaceOpenProject())
        return;
    ProjectActions::openFromDialog(this);
    rebuildRows();
}

void ProjectContentWidget::slot_clickClearallButton()
{
    currentProject().projectList.clear();
    rebuildRows();
    ProjectListStore::saveCurrentList();
}

void ProjectContentWidget::slot_EnterProject(int i)
{
    const ProjectItems &list = currentProject().projectList;
    if (i < 0 || i >= list.size() || !mayReplaceOpenProject())
        return;
    const ProjectActions::OpenOutcome outcome = ProjectActions::openFromRow(this, list[i].path);
    if (outcome == ProjectActions::OpenOutcome::Missing || outcome == ProjectActions::OpenOutcome::Invalid)
        slot_deleteProjectItem(i);
}

void ProjectContentWidget::slot_deleteProjectItem(int i)
{
    ProjectItems &list = currentProject().projectList;
    if (i < 0 || i >= list.size())
        return;
    list.removeAt(i);
    rebuildRows();
    ProjectListStore::saveCurrentList();
}

void ProjectContentWidget::slot_ReturnFirstPage()
{
    rebuildRows();
}

void ProjectContentWidget::slot_SwitchSrtPage(int iType)
{
    if (iType != 1 && iType != 2)
        return;
    m_heading->hide();
    m_return->show();
    if (iType == 1) {
        m_videoSrt->clear();
        m_stack->setCurrentWidget(m_videoSrt);
    } else {
        m_videoOnly->clear();
        m_stack->setCurrentWidget(m_videoOnly);
    }
}

void ProjectContentWidget::slot_clickReturnButton()
{
    m_return->hide();
    m_heading->show();
    m_stack->setCurrentWidget(m_chooser);
}

void ProjectContentWidget::rebuildRows()
{
    while (QLayoutItem *item = m_rowsLayout->takeAt(0)) {
        if (QWidget *widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
    const ProjectItems &list = currentProject().projectList;
    for (int i = 0; i < list.size(); ++i) {
        auto *row = new ProjectListItem(i, list[i], m_rowsLayout->parentWidget());
        connect(row, &ProjectListItem::signal_DeleteItem, this, &ProjectContentWidget::slot_deleteProjectItem);
        connect(row, &ProjectListItem::signal_EnterProject, this, &ProjectContentWidget::slot_EnterProject);
        m_rowsLayout->addWidget(row);
    }
    m_rowsLayout->addSpacerItem(new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding));
    m_rowsLayout->update();
}
