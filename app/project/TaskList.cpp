#include "project/TaskList.h"

#include "project/Settings.h"
#include "subtitle/AtomicFile.h"

#include <QDir>
#include <QDomDocument>
#include <QFileInfo>
#include <QSet>
#include <QXmlStreamWriter>

#include <algorithm>

namespace {

const char *const StateNames[] = {"added", "waiting", "paused", "running", "done", "failed", "stopped"};

QString stateName(TaskState state)
{
    return QString::fromLatin1(StateNames[int(state)]);
}

bool stateFromName(const QString &name, TaskState *state)
{
    for (int i = 0; i < int(sizeof StateNames / sizeof *StateNames); ++i) {
        if (name == QLatin1String(StateNames[i])) {
            *state = TaskState(i);
            return true;
        }
    }
    return false;
}

bool isStartable(const TaskEntry &entry)
{
    return entry.state != TaskState::Running && entry.state != TaskState::Done && entry.state != TaskState::Waiting;
}

} // namespace

const QStringList &batchMediaSuffixes()
{
    static const QStringList suffixes = burnVideoSuffixes() + QStringList{QStringLiteral("mp3"), QStringLiteral("wav")};
    return suffixes;
}

const QStringList &burnVideoSuffixes()
{
    static const QStringList suffixes = {QStringLiteral("avi"), QStringLiteral("mp4"), QStringLiteral("mkv"),
                                         QStringLiteral("mpg"), QStringLiteral("mpeg"), QStringLiteral("wmv"),
                                         QStringLiteral("flv"), QStringLiteral("mov")};
    return suffixes;
}

QString sameNamedTranscriptPath(const QString &mediaPath)
{
    const QFileInfo info(mediaPath);
    return QStringLiteral("%1/%2.txt").arg(info.path(), info.baseName());
}

QString taskStateText(const TaskEntry &entry)
{
    switch (entry.state) {
    case TaskState::Added:
        return QStringLiteral("未开始");
    case TaskState::Waiting:
        return QStringLiteral("等待中...");
    case TaskState::Paused:
        return QStringLiteral("已暂停");
    case TaskState::Running:
        return entry.isBurn() ? QStringLiteral("转码中...") : QStringLiteral("正在上传音频...");
    case TaskState::Done:
        return entry.isBurn() ? QStringLiteral("转码完成") : QStringLiteral("字幕已生成");
    case TaskState::Failed:
        return QStringLiteral("操作失败");
    case TaskState::Stopped:
        return QStringLiteral("已停止...");
    }
    return QString();
}

int TaskList::indexOf(quint64 key) const
{
    for (int i = 0; i < m_entries.size(); ++i)
        if (m_entries.at(i).key == key)
            return i;
    return -1;
}

const TaskEntry *TaskList::find(quint64 key) const
{
    const int index = indexOf(key);
    return index < 0 ? nullptr : &m_entries.at(index);
}

TaskEntry *TaskList::findMutable(quint64 key)
{
    const int index = indexOf(key);
    return index < 0 ? nullptr : &m_entries[index];
}

const TaskEntry *TaskList::findBurn(const QString &id) const
{
    for (const TaskEntry &entry : m_entries)
        if (entry.isBurn() && entry.id == id)
            return &entry;
    return nullptr;
}

TaskEntry *TaskList::findBurnMutable(const QString &id)
{
    return const_cast<TaskEntry *>(findBurn(id));
}

QVector<quint64> TaskList::keys() const
{
    QVector<quint64> all;
    all.reserve(m_entries.size());
    for (const TaskEntry &entry : m_entries)
        all.append(entry.key);
    return all;
}

TaskEntry &TaskList::append(TaskEntry entry)
{
    entry.key = m_nextKey++;
    entry.number = m_entries.size() + 1;
    m_entries.append(entry);
    return m_entries.last();
}

TaskList::AddMediaResult TaskList::addMedia(const QStringList &paths, bool sameNamedText)
{
    AddMediaResult result;
    const QSet<QString> chosen(paths.begin(), paths.end());
    for (const QString &path : paths) {
        const QFileInfo info(path);
        // The chooser shows "CLIP.MP4" under "*.mp4": the kind is the same.
        if (!batchMediaSuffixes().contains(info.suffix().toLower()))
            continue;
        // "a.mp4.wav" beside a chosen "a.mp4" is that media's extracted audio.
        if (info.suffix().compare(QLatin1String("wav"), Qt::CaseInsensitive) == 0
            && chosen.contains(path.left(path.size() - 4)))
            continue;
        const bool listed = std::any_of(m_entries.cbegin(), m_entries.cend(), [&path](const TaskEntry &entry) {
            return !entry.isBurn() && entry.mediaPath == path;
        });
        if (listed) {
            result.duplicateAlone = paths.size() == 1;
            continue;
        }
        TaskEntry entry;
        entry.mediaPath = path;
        entry.outputPath = path + QStringLiteral(".srt");
        entry.state = TaskState::Added;
        entry.status = taskStateText(entry);
        if (sameNamedText && QFileInfo(sameNamedTranscriptPath(path)).isFile())
            entry.textPath = sameNamedTranscriptPath(path);
        result.added.append(append(entry).key);
    }
    return result;
}

quint64 TaskList::addBurn(const TaskEntry &burn)
{
    TaskEntry entry = burn;
    entry.type = BurnTaskType;
    entry.state = TaskState::Waiting;
    entry.progress = 0;
    entry.failure.clear();
    if (entry.status.isEmpty())
        entry.status = taskStateText(entry);
    const QString base = entry.id;
    for (int n = 2; entry.id.isEmpty() || findBurn(entry.id); ++n)
        entry.id = QStringLiteral("%1-%2").arg(base).arg(n);
    return append(entry).key;
}

bool TaskList::hasBurn(const QString &inputPath, const QString &outputPath) const
{
    return std::any_of(m_entries.cbegin(), m_entries.cend(), [&](const TaskEntry &entry) {
        return entry.isBurn() && entry.mediaPath == inputPath && entry.outputPath == outputPath;
    });
}

bool TaskList::setTranscript(quint64 key, const QString &path)
{
    TaskEntry *entry = findMutable(key);
    if (!entry || entry->isBurn() || entry->state == TaskState::Running)
        return false;
    entry->textPath = path;
    return true;
}

bool TaskList::needsTranscriptChoice(const QVector<quint64> &keys) const
{
    for (quint64 key : keys) {
        const TaskEntry *entry = find(key);
        if (entry && !entry->isBurn() && entry->textPath.isEmpty() && isStartable(*entry))
            return true;
    }
    return false;
}

void TaskList::queueForStart(const QVector<quint64> &keys, bool withoutTranscript)
{
    for (quint64 key : keys) {
        TaskEntry *entry = findMutable(key);
        if (!entry || !isStartable(*entry))
            continue;
        if (!entry->isBurn() && entry->textPath.isEmpty() && !withoutTranscript)
            continue;
        entry->state = TaskState::Waiting;
        entry->progress = 0;
        entry->failure.clear();
        entry->status = taskStateText(*entry);
    }
}

bool TaskList::pause(const QVector<quint64> &keys, bool stopAtBurn)
{
    bool metBurn = false;
    for (quint64 key : keys) {
        TaskEntry *entry = findMutable(key);
        if (!entry)
            continue;
        if (entry->isBurn()) {
            metBurn = true;
            if (stopAtBurn)
                break;
            continue;
        }
        if (entry->state == TaskState::Waiting) {
            entry->state = TaskState::Paused;
            entry->status = taskStateText(*entry);
        }
    }
    return metBurn;
}

TaskEntries TaskList::remove(const QVector<quint64> &keys)
{
    TaskEntries removed;
    for (quint64 key : keys) {
        const int index = indexOf(key);
        if (index < 0)
            continue;
        const TaskEntry &entry = m_entries.at(index);
        // A job with the service cannot be called back; its row stays until it ends.
        if (!entry.isBurn() && entry.state == TaskState::Running)
            continue;
        removed.append(entry);
        m_entries.remove(index);
    }
    renumber();
    return removed;
}

void TaskList::renumber()
{
    for (int i = 0; i < m_entries.size(); ++i)
        m_entries[i].number = i + 1;
}

quint64 TaskList::nextAlignment() const
{
    for (const TaskEntry &entry : m_entries)
        if (!entry.isBurn() && entry.state == TaskState::Waiting)
            return entry.key;
    return 0;
}

quint64 TaskList::nextBurn() const
{
    for (const TaskEntry &entry : m_entries)
        if (entry.isBurn() && entry.state == TaskState::Waiting)
            return entry.key;
    return 0;
}

bool TaskList::hasRunningAlignment() const
{
    return std::any_of(m_entries.cbegin(), m_entries.cend(), [](const TaskEntry &entry) {
        return !entry.isBurn() && entry.state == TaskState::Running;
    });
}

void TaskList::markRunning(quint64 key, const QString &status)
{
    if (TaskEntry *entry = findMutable(key)) {
        entry->state = TaskState::Running;
        entry->progress = 0;
        entry->remainingSeconds = -1;
        entry->speed = -1;
        entry->status = status;
    }
}

void TaskList::alignmentProgress(quint64 key, int pos, int total, const QString &text)
{
    TaskEntry *entry = findMutable(key);
    if (!entry || entry->state != TaskState::Running)
        return;
    entry->progress = total > 0 ? qBound(0, int(qint64(pos) * 100 / total), 100) : 0;
    entry->status = text;
}

void TaskList::finishAlignment(quint64 key, bool succeeded, const QString &reason)
{
    TaskEntry *entry = findMutable(key);
    if (!entry)
        return;
    entry->state = succeeded ? TaskState::Done : TaskState::Failed;
    if (succeeded)
        entry->progress = 100;
    entry->failure = succeeded ? QString() : reason;
    entry->status = taskStateText(*entry);
}

void TaskList::burnProgress(const QString &id, int percent, double remainingSeconds, double speed)
{
    TaskEntry *entry = findBurnMutable(id);
    if (!entry || entry->state != TaskState::Running)
        return;
    entry->progress = qBound(0, percent, 99);
    entry->remainingSeconds = remainingSeconds;
    entry->speed = speed;
    entry->status = QStringLiteral("转码中...");
}

void TaskList::finishBurn(const QString &id, BurnEnd end, const QString &reason)
{
    TaskEntry *entry = findBurnMutable(id);
    if (!entry)
        return;
    entry->state = end == BurnEnd::Succeeded ? TaskState::Done
                   : end == BurnEnd::Failed  ? TaskState::Failed
                                             : TaskState::Stopped;
    if (end == BurnEnd::Succeeded)
        entry->progress = 100;
    entry->failure = end == BurnEnd::Failed ? reason : QString();
    entry->remainingSeconds = -1;
    entry->speed = -1;
    entry->status = taskStateText(*entry);
}

void TaskList::requeueRunning()
{
    for (TaskEntry &entry : m_entries) {
        if (entry.state != TaskState::Running)
            continue;
        entry.state = TaskState::Waiting;
        entry.progress = 0;
        entry.remainingSeconds = -1;
        entry.speed = -1;
        entry.status = taskStateText(entry);
    }
}

void TaskList::clear()
{
    m_entries.clear();
}

QString taskListFilePath()
{
    return userDataFolder() + QStringLiteral("/Tasklist.xml");
}

QByteArray taskListBytes(const TaskList &list)
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("TaskList"));
    for (const TaskEntry &entry : list.entries()) {
        xml.writeStartElement(QStringLiteral("task"));
        xml.writeTextElement(QStringLiteral("type"), QString::number(entry.type));
        xml.writeTextElement(QStringLiteral("id"), entry.id);
        xml.writeTextElement(QStringLiteral("media"), entry.mediaPath);
        xml.writeTextElement(QStringLiteral("text"), entry.textPath);
        xml.writeTextElement(QStringLiteral("output"), entry.outputPath);
        xml.writeTextElement(QStringLiteral("state"), stateName(entry.state));
        xml.writeTextElement(QStringLiteral("progress"), QString::number(entry.progress));
        xml.writeTextElement(QStringLiteral("status"), entry.status);
        xml.writeTextElement(QStringLiteral("failure"), entry.failure);
        for (const QString &argument : entry.arguments)
            xml.writeTextElement(QStringLiteral("argument"), argument);
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

bool readTaskList(const QByteArray &bytes, TaskList &list)
{
    QDomDocument document;
    if (!document.setContent(bytes) || document.documentElement().tagName() != QLatin1String("TaskList"))
        return false;
    TaskList read;
    for (QDomElement task = document.documentElement().firstChildElement(QStringLiteral("task")); !task.isNull();
         task = task.nextSiblingElement(QStringLiteral("task"))) {
        const auto text = [&task](const char *name) {
            return task.firstChildElement(QString::fromLatin1(name)).text();
        };
        TaskEntry entry;
        entry.type = text("type").toInt() == BurnTaskType ? BurnTaskType : AlignmentTaskType;
        entry.id = text("id");
        entry.mediaPath = text("media");
        entry.textPath = text("text");
        entry.outputPath = text("output");
        if (!stateFromName(text("state"), &entry.state))
            entry.state = TaskState::Added;
        entry.progress = qBound(0, text("progress").toInt(), 100);
        entry.status = text("status");
        entry.failure = text("failure");
        for (QDomElement argument = task.firstChildElement(QStringLiteral("argument")); !argument.isNull();
             argument = argument.nextSiblingElement(QStringLiteral("argument")))
            entry.arguments << argument.text();
        if (entry.mediaPath.isEmpty())
            continue;
        if (entry.status.isEmpty())
            entry.status = taskStateText(entry);
        read.append(entry);
    }
    list = read;
    return true;
}

bool writeTaskListFile(const QString &path, const TaskList &list)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    return writeFileAtomically(path, taskListBytes(list));
}

TaskList loadTaskListFile(const QString &path)
{
    TaskList list;
    QByteArray bytes;
    if (readWholeFile(path, &bytes))
        readTaskList(bytes, list);
    list.requeueRunning();
    return list;
}
