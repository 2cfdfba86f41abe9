#include "batch/TaskManageWidget.h"

#include "base/MsgBox.h"
#include "base/SignalProxy.h"
#include "base/WindowGeometry.h"
#include "batch/BatchAutoalignWidget.h"

#include <QCoreApplication>
#include <QDialog>
#include <QVBoxLayout>

TaskManageWidget::TaskManageWidget(QWidget *parent)
    : QWidget(parent)
    , m_tasks(loadTaskListFile(taskListFilePath()))
{
    setObjectName(QStringLiteral("TaskManageWidget"));
    setWindowTitle(QStringLiteral("批量任务管理"));
    setAttribute(Qt::WA_StyledBackground);
    m_batch = new BatchAutoalignWidget(m_tasks, this);
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_layout->addWidget(m_batch, 1);

    SignalProxy *proxy = SignalProxy::instance();
    connect(proxy, &SignalProxy::signal_addVideoTask, m_batch, &BatchAutoalignWidget::slot_addVideoTask);
    // The title bars send whether the window is back to normal after their toggle.
    connect(proxy, &SignalProxy::signal_taskManageTableResize, m_batch,
            [this](bool normal) { m_batch->setHeaderSection(!normal); });
    // Never destroy a running worker with the window.
    connect(qApp, &QCoreApplication::aboutToQuit, m_batch, &BatchAutoalignWidget::leaveRunningTasks);
}

TaskManageWidget::~TaskManageWidget()
{
    // The queue widget saves the queue as it goes; the queue must outlive it.
    delete m_batch;
}

void TaskManageWidget::setTitleBar(QWidget *titleBar)
{
    m_layout->insertWidget(0, titleBar);
}

bool TaskManageWidget::isRunningTasks() const
{
    return m_batch->isWorkerBusy() || m_batch->isBurnRunning();
}

bool TaskManageWidget::confirmQuit()
{
    if (!isRunningTasks())
        return true;
    MsgBox box(this);
    box.setFixedSize(562, 170);
    box.setTitle(QStringLiteral("请确认操作"));
    box.setText(QStringLiteral("批量任务正在进行中，关闭后正在处理的任务将停止，下次启动时重新等待处理。确认要关闭窗口吗?"));
    box.setOkText(QStringLiteral("关闭并停止处理"));
    box.setCancelText(QStringLiteral("继续处理"));
    box.setButtonSize(QSize(118, 31));
    return box.exec() == QDialog::Accepted;
}

void TaskManageWidget::slot_Maxnormal(bool maximised)
{
    QWidget *top = window();
    const QRect area = WindowGeometry::availableArea(top);
    top->setGeometry(maximised ? area : WindowGeometry::normalGeometry(area));
}
