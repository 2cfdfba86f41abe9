#pragma once

#include "audio/BurnRunner.h"

#include <QObject>

class TaskList;

// Runs the queue's burns one at a time through a BurnRunner and keeps their
// tasks up to date: progress, remaining time and speed while one runs, its
// ending after, and then the next waiting burn. Every ending, a failure or a
// stop included, moves the queue on. GUI thread.
class CvtVideoWrapper : public QObject
{
    Q_OBJECT
public:
    explicit CvtVideoWrapper(TaskList &tasks, QObject *parent = nullptr);

    bool isRunning() const { return m_runner.isRunning(); }
    QString currentId() const { return m_runner.isRunning() ? m_runner.currentId() : QString(); }

    // Starts the first waiting burn unless one runs.
    void startNextIfIdle();
    // Stops the burn with this id if it is the one running.
    void stop(const QString &id);

signals:
    // A running task's progress changed; only its row needs redrawing.
    void taskProgressed(const QString &id);
    // A task's state changed (started or ended).
    void tasksChanged();

private:
    void onProgress(const QString &id, int percent, double remainingSeconds, double speed);
    void onFinished(const QString &id, BurnOutcome outcome, const QString &reason);

    TaskList &m_tasks;
    BurnRunner m_runner;
    bool m_starting = false;
};
