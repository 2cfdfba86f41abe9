#include "shell/CotentWidget.h"

#include "base/CurrentProject.h"
#include "batch/BatchAutoalignWidget.h"
#include "batch/TaskManageWidget.h"
#include "burn/ConvertVideoWidget.h"
#include "shell/ProjectActions.h"
#include "shell/MainTitleWidget.h"
#include "shell/MainWidget.h"
#include "shell/ProjectContentWidget.h"
#include "shell/ProjectTitleWidget.h"
#include "base/SignalProxy.h"
#include "shell/StatusWidget.h"
#include "shell/SubtitleProjectPage.h"
#include "views/BottomToolWidget.h"

#include <QCloseEvent>
#include <QPainter>
#include <QStackedLayout>
#include <QVBoxLayout>

CotentWidget::CotentWidget(QWidget *parent)
    : QWidget(parent, Qt::FramelessWindowHint)
{
    resize(1280, 720);
    setWindowTitle(QStringLiteral("Cuewright"));

    m_projectPage = new SubtitleProjectPage(this);
    m_mainWidget = new MainWidget(this);
    m_burnPage = new ConvertVideoWidget(this);
    m_taskPage = new TaskManageWidget(this);
    TitleBarWidget *burnTitle = makePageTitleBar();
    m_burnPage->setTitleBar(burnTitle);
    connect(burnTitle, &TitleBarWidget::signal_Maxnormal, m_burnPage, &ConvertVideoWidget::slot_Maxnormal);
    TitleBarWidget *taskTitle = makePageTitleBar();
    m_taskPage->setTitleBar(taskTitle);
    connect(taskTitle, &TitleBarWidget::signal_Maxnormal, m_taskPage, &TaskManageWidget::slot_Maxnormal);
    connect(m_taskPage->batchWidget(), &BatchAutoalignWidget::signal_openProject, this,
            &CotentWidget::openTaskProject);

    auto *pagesHolder = new QWidget(this);
    m_pages = new QStackedLayout(pagesHolder);
    m_pages->setContentsMargins(0, 0, 0, 0);
    m_pages->addWidget(m_projectPage);
    m_pages->addWidget(m_mainWidget);
    m_pages->addWidget(m_burnPage);
    m_pages->addWidget(m_taskPage);

    m_status = new StatusWidget(this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pagesHolder, 1);
    layout->addWidget(m_status);

    SignalProxy *proxy = SignalProxy::instance();
    connect(proxy, QOverload<int, int>::of(&SignalProxy::signal_clickTab), this, &CotentWidget::slot_clickTab);
    connect(proxy, &SignalProxy::signal_moveWidget, this, &CotentWidget::slot_moveWidget);
    // The start page can hold an open project too (the burn hand-over keeps
    // it), so its close button asks like the editor's before quitting, and
    // a new or opened project asks like leaving the editor.
    connect(m_projectPage->titleWidget(), &TitleBarWidget::signal_closeClicked, this,
            &CotentWidget::closeApplication);
    // The editor's own close button too: batch tasks are asked about first.
    disconnect(m_mainWidget->titleWidget(), &TitleBarWidget::signal_closeClicked, m_mainWidget,
               &MainWidget::closeApplication);
    connect(m_mainWidget->titleWidget(), &TitleBarWidget::signal_closeClicked, this, &CotentWidget::closeApplication);
    m_projectPage->contentWidget()->setLeaveCheck([this] { return m_mainWidget->confirmLeaveProject(); });
    slot_clickTab(1, 0);
}

int CotentWidget::currentPage() const
{
    return m_pages->currentIndex() + 1;
}

void CotentWidget::slot_clickTab(int i, int index)
{
    if (i < 1 || i > 4)
        return;
    if (currentPage() == 2 && index != 1) {
        if (!m_mainWidget->confirmLeaveProject()) {
            m_status->slot_clickTabChangeIcon(2, 0);
            return;
        }
        resetCurrentProject();
    }
    m_mainWidget->bottomToolWidget()->hide();
    if (i == 2)
        m_mainWidget->bottomToolWidget()->show();
    m_pages->setCurrentIndex(i - 1);
    m_status->slot_clickTabChangeIcon(i, index);
    // "压制" hands the open project's media and export over; its notice
    // shows over the page it is about.
    if (i == 3 && index == 1)
        m_burnPage->prefillFromProject();
}

TitleBarWidget *CotentWidget::makePageTitleBar()
{
    auto *bar = new TitleBarWidget(this);
    bar->setObjectName(QStringLiteral("PageTitleWidget"));
    connect(bar, &TitleBarWidget::signal_closeClicked, this, &CotentWidget::closeApplication);
    return bar;
}

bool CotentWidget::closeApplication()
{
    // The task page lets its worker go when the event loop ends.
    if (!m_taskPage->confirmQuit())
        return false;
    return m_mainWidget->closeApplication();
}

void CotentWidget::openTaskProject(const QString &projectPath)
{
    const CurrentProject &project = currentProject();
    if ((project.isOpen() || project.taskRunning) && !m_mainWidget->confirmLeaveProject())
        return;
    ProjectActions::openFromRow(this, projectPath);
}

void CotentWidget::slot_moveWidget(int dx, int dy)
{
    move(pos() + QPoint(dx, dy));
    BottomToolWidget *tool = m_mainWidget->bottomToolWidget();
    tool->move(tool->pos() + QPoint(dx, dy));
}

void CotentWidget::closeEvent(QCloseEvent *event)
{
    // A close from the window system (a window manager's close, the end of
    // the session) takes the same road as the close buttons.
    if (closeApplication())
        event->accept();
    else
        event->ignore();
}

void CotentWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(21, 21, 21));
}
