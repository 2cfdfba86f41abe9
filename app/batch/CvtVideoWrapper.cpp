#include "batch/CvtVideoWrapper.h"

#include "base/SignalProxy.h"
#include "project/TaskList.h"

CvtVideoWrapper::CvtVideoWrapper(TaskList &tasks, QObject *parent)
    : QObject(parent)
    , m_tasks(tasks)
{
    connect(&m_runner, &BurnRunner::progress, this, &CvtVideoWrapper::onProgress);
    connect(&m_runner, &BurnRunner::finished, this, &CvtVideoWrapper::onFinished);
}

void CvtVideoWrapper::startNextIfIdle()
{
    // A start that fails at once reports its ending from inside start();
    // the loop, not that report, moves on, so nothing recurses.
    if (m_starting)
        return;
    m_starting = true;
    while (!m_runner.isRunning()) {
        const quint64 key = m_tasks.nextBurn();
        const TaskEntry *task = m_tasks.find(key);
        if (!task)
            break;
        const QString id = task->id;
        const QString input = task->mediaPath;
        const QStringList arguments = task->arguments;
        m_tasks.markRunning(key, QStringLiteral("转换中..."));
        emit tasksChanged();
        if (m_runner.start(id, input, arguments))
            break;
    }
    m_starting = false;
}

void CvtVideoWrapper::stop(const QString &id)
{
    if (m_runner.isRunning() && m_runner.currentId() == id)
        m_runner.stop();
}

void CvtVideoWrapper::onProgress(const QString &id, int percent, double remainingSeconds, double speed)
{
    m_tasks.burnProgress(id, percent, remainingSeconds, speed);
    emit SignalProxy::instance()->signal_noticeVideoConvertProgress(id, percent);
    emit taskProgressed(id);
}

void CvtVideoWrapper::onFinished(const QString &id, BurnOutcome outcome, const QString &reason)
{
    const TaskList::BurnEnd end = outcome == BurnOutcome::Succeeded ? TaskList::BurnEnd::Succeeded
                                  : outcome == BurnOutcome::Failed  ? TaskList::BurnEnd::Failed
                                                                    : TaskList::BurnEnd::Stopped;
    m_tasks.finishBurn(id, end, reason);
    emit tasksChanged();
    emit SignalProxy::instance()->signal_noticefreshTasklist();
    // After the runner has let go of its process; a failure moves on too.
    if (!m_starting)
        QMetaObject::invokeMethod(this, &CvtVideoWrapper::startNextIfIdle, Qt::QueuedConnection);
}
