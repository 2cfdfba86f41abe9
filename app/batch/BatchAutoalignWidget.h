#pragma once

#include "base/TaskItem.h"
#include "batch/BatchThread.h"

#include <QModelIndex>
#include <QPointer>
#include <QWidget>

class ButtonDelegate;
class CvtVideoWrapper;
class QCheckBox;
class QPushButton;
class QTableView;
class QTimer;
class TableModel;
class TaskList;

// The task page's queue: the table of tasks, the buttons that add, start,
// pause and delete them, and the two runners, the alignment worker
// (BatchThread, one task at a time) and the burn runner (CvtVideoWrapper).
// Every change is saved to the queue file, so a restart finds the queue.
class BatchAutoalignWidget : public QWidget
{
    Q_OBJECT
public:
    explicit BatchAutoalignWidget(TaskList &tasks, QWidget *parent = nullptr);
    ~BatchAutoalignWidget() override;

    QTableView *table() const { return m_table; }
    TableModel *model() const { return m_model; }
    QCheckBox *sameNamedTextBox() const { return m_sameNamedText; }
    QPushButton *button(const QString &text) const;
    CvtVideoWrapper *burnRunner() const { return m_burns; }

    // An alignment runs on the worker (the busy flag), or a burn in the runner.
    bool isWorkerBusy() const { return m_thread != nullptr; }
    bool isBurnRunning() const;
    // The program leaves: the worker is let go of without being destroyed,
    // and the queue is saved (what runs comes back as waiting).
    void leaveRunningTasks();

public slots:
    void slot_ClickaddMediaButton();
    void slot_ClickaddTxtButton(QModelIndex index, QString path);
    void slot_clickStartButton();
    void slot_clickPauseButton();
    void slot_clickAllStartButton();
    void slot_clickAllPauseButton();
    void slot_clickDeleteButton();
    void slot_clickCleartmpButton();
    void slot_noticeBatchProgress(quint64 key, int pos, int total, QString strText);
    void slot_Threadfinished();
    void slot_addVideoTask(TaskItem item);
    void slot_Convertprogress(QString tid, int iProgress);
    void slot_ReSetModel();
    void slot_openFilePath(QModelIndex index);
    void slot_openInEditor();
    void setHeaderSection(bool maximised);

signals:
    // "在编辑器中打开": the project of a finished alignment.
    void signal_openProject(QString projectPath);

private:
    void start(const QVector<quint64> &keys, const QString &emptyText);
    void pause(const QVector<quint64> &keys, bool stopAtBurn);
    void startNextAlignment();
    void onJobFinished(BatchJobOutcome outcome);
    void recordProject(const BatchJobOutcome &outcome);
    QVector<quint64> selectedKeys() const;
    void updateButtons();
    void saveQueue();

    TaskList &m_tasks;
    TableModel *m_model;
    QTableView *m_table;
    ButtonDelegate *m_textDelegate;
    QCheckBox *m_sameNamedText;
    CvtVideoWrapper *m_burns;
    QPointer<BatchThread> m_thread;
    QTimer *m_saveTimer;
    bool m_autoGenerate = false;
};
