#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// The task queue of the task page: batch alignments and burns, in the order
// the user sees them. Plain data and rules; the page and the runners change
// it on the GUI thread only.

enum class TaskState {
    Added,   // 未开始
    Waiting, // 等待中: queued, not taken yet
    Paused,  // 已暂停
    Running, // taken by the worker or the burn runner
    Done,    // 字幕已生成 / 转码完成
    Failed,  // 操作失败, with a reason
    Stopped, // 已停止... (burns only)
};

constexpr int AlignmentTaskType = 0;
constexpr int BurnTaskType = 3;

struct TaskEntry
{
    quint64 key = 0; // stable for the life of the list; rows move, keys do not
    QString id;      // burns: the burn page's id; empty for alignments
    int number = 0;  // 1-based position
    QString mediaPath;
    QString textPath;   // transcript, or a burn's subtitle file
    QString outputPath; // alignment: "<media>.srt"; burn: the video
    int progress = 0;
    QString status;
    TaskState state = TaskState::Added;
    int type = AlignmentTaskType;
    QStringList arguments; // burns: the ffmpeg arguments
    QString failure;       // why the last run failed
    double remainingSeconds = -1; // a running burn's estimate
    double speed = -1;

    bool isBurn() const { return type == BurnTaskType; }
    bool started() const { return state == TaskState::Running || state == TaskState::Done; }
    bool queued() const { return state == TaskState::Waiting || state == TaskState::Running; }
};

using TaskEntries = QVector<TaskEntry>;

// "*.avi; *.mp4; ..." as the choosers list them, without the dot, lower case.
const QStringList &batchMediaSuffixes(); // the eight video and two audio kinds
const QStringList &burnVideoSuffixes();  // the eight video kinds

// The transcript "自动添加同名文本文件" picks: "<folder>/<name up to the first dot>.txt".
QString sameNamedTranscriptPath(const QString &mediaPath);

class TaskList
{
public:
    const TaskEntries &entries() const { return m_entries; }
    int size() const { return m_entries.size(); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    int indexOf(quint64 key) const;
    const TaskEntry *find(quint64 key) const;
    // The burn with this id (ids are unique in a list).
    const TaskEntry *findBurn(const QString &id) const;
    QVector<quint64> keys() const;

    struct AddMediaResult
    {
        QVector<quint64> added;
        bool duplicateAlone = false; // one file was chosen and it is listed already
    };
    // Appends alignment tasks for the chosen files: media kinds only (any
    // case), no "<media>.wav" beside a chosen media, no media listed twice;
    // with `sameNamedText`, a transcript of the same name comes along.
    AddMediaResult addMedia(const QStringList &paths, bool sameNamedText);

    // Appends a waiting burn task; its id is made unique in the list.
    quint64 addBurn(const TaskEntry &burn);
    bool hasBurn(const QString &inputPath, const QString &outputPath) const;

    bool setTranscript(quint64 key, const QString &path);

    // Whether starting `keys` meets an alignment without a transcript that
    // the start would queue: the "选择操作" question.
    bool needsTranscriptChoice(const QVector<quint64> &keys) const;
    // Queues the tasks of `keys` that are neither running nor done (failed
    // and stopped ones again); alignments without a transcript only when
    // `withoutTranscript`.
    void queueForStart(const QVector<quint64> &keys, bool withoutTranscript);
    // Waiting alignments become paused. Burns cannot be paused: returns
    // whether one was met; with `stopAtBurn` nothing after it is paused.
    bool pause(const QVector<quint64> &keys, bool stopAtBurn);
    // Removes the tasks of `keys` except running alignments and renumbers;
    // returns what it removed (a running burn among them must be stopped).
    TaskEntries remove(const QVector<quint64> &keys);

    // The first waiting alignment / burn in list order; 0 when none.
    quint64 nextAlignment() const;
    quint64 nextBurn() const;
    bool hasRunningAlignment() const;

    void markRunning(quint64 key, const QString &status);
    void alignmentProgress(quint64 key, int pos, int total, const QString &text);
    void finishAlignment(quint64 key, bool succeeded, const QString &reason);
    // A running burn's report; the percentage stays below 100 until it ends.
    void burnProgress(const QString &id, int percent, double remainingSeconds, double speed);
    enum class BurnEnd { Succeeded, Failed, Stopped };
    void finishBurn(const QString &id, BurnEnd end, const QString &reason);

    // A list as a restart finds it: what was running waits again.
    void requeueRunning();

    void clear();

private:
    friend bool readTaskList(const QByteArray &bytes, TaskList &list);
    TaskEntry &append(TaskEntry entry);
    TaskEntry *findMutable(quint64 key);
    TaskEntry *findBurnMutable(const QString &id);
    void renumber();

    TaskEntries m_entries;
    quint64 m_nextKey = 1;
};

// The status text a state shows when nothing more specific is known.
QString taskStateText(const TaskEntry &entry);

// The queue file ("Tasklist.xml" in the per-user folder): every task with
// its state, written atomically.
QString taskListFilePath();
QByteArray taskListBytes(const TaskList &list);
// Reads a file's tasks into `list` (keys are new); false, with `list`
// untouched, when the bytes are not a task list.
bool readTaskList(const QByteArray &bytes, TaskList &list);
bool writeTaskListFile(const QString &path, const TaskList &list);
// The tasks of the file as a restart finds them; empty when there is none.
TaskList loadTaskListFile(const QString &path);
