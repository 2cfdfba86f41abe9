#pragma once

#include "base/TaskItem.h"
#include "project/TaskList.h"

#include <QWidget>

class BatchAutoalignWidget;
class QVBoxLayout;

// Page 4: the task queue under the page's title bar. It owns the queue,
// read from the per-user queue file when the page is made.
class TaskManageWidget : public QWidget
{
    Q_OBJECT
public:
    explicit TaskManageWidget(QWidget *parent = nullptr);
    ~TaskManageWidget() override;

    // The page's title bar, made by the window that holds the page.
    void setTitleBar(QWidget *titleBar);
    BatchAutoalignWidget *batchWidget() const { return m_batch; }
    TaskList &tasks() { return m_tasks; }

    // Whether a batch alignment or a burn is running now.
    bool isRunningTasks() const;
    // Asks before the program quits while tasks run; false to stay.
    bool confirmQuit();

public slots:
    void slot_Maxnormal(bool maximised);

private:
    TaskList m_tasks;
    QVBoxLayout *m_layout;
    BatchAutoalignWidget *m_batch;
};
