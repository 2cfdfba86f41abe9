// cw_save_writer KIND FOLDER --reference REFERENCE_FOLDER
// cw_save_writer KIND FOLDER --serve
//
// Saves one kind of file into FOLDER through the program's own save code.
// --reference saves version A and then B, copies what each save produced to
// "<target>.A" / "<target>.B" in REFERENCE_FOLDER, prints "cycle <ms>" (how
// long the two saves took) and exits; FOLDER then holds version B.
// --serve builds its data once, saves A and B, prints "ready <ms>" (how long
// those two saves took), and then for every "go" line on standard input
// forks a child that saves A, B, A... until it is killed, printing the
// child's pid; a "reap" line waits for that child and prints "gone <wait
// status>". Forking spares each kill a whole program start.

#include "../SaveKinds.h"

#include "base/AppState.h"
#include "base/ProjectPacking.h"
#include "project/AutoSaveThread.h"
#include "project/ProjectList.h"
#include "project/Settings.h"
#include "project/TaskList.h"
#include "project/XmlOperate.h"
#include "subtitle/AtomicFile.h"
#include "subtitle/RecoverySession.h"
#include "subtitle/SubtitleWriters.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSemaphore>
#include <cstdio>
#include <functional>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Big enough that one save takes a while: about 200 KB of SRT.
constexpr int EntryCount = 2000;

SubtitleEntries versionEntries(char version)
{
    SubtitleEntries entries;
    entries.reserve(EntryCount);
    for (int i = 0; i < EntryCount; ++i) {
        SubtitleEntry entry;
        entry.number = i + 1;
        entry.startTime = millisecondsToTimeCode(i * 2000LL);
        entry.endTime = millisecondsToTimeCode(i * 2000LL + 1500 + (version == 'B' ? 250 : 0));
        entry.text = QByteArray("version ") + version + " line " + QByteArray::number(i)
                     + " the quick brown fox jumps over the lazy dog";
        entries.append(entry);
    }
    return entries;
}

using SaveVersion = std::function<bool(char version)>;

struct Writer
{
    SaveVersion save;
    std::function<void()> finish = [] {};
};

Writer projectWriter(const QString &folder)
{
    auto entries = std::make_shared<QVector<SubtitleEntries>>(
        QVector<SubtitleEntries>{versionEntries('A'), versionEntries('B')});
    CurrentProject &project = currentProject();
    project.mediaFilePath = folder + "/work.mp4";
    project.wavFilePath = folder + "/work.wav";
    project.projectFilePath = folder + "/work.cwpro";
    // What the save action does: pack the open project, write it.
    return {[entries, &project](char version) {
        currentSubtitleList().replaceDocument((*entries)[version - 'A']);
        return XmlOperate().WriteProjectSetting(project.projectFilePath, packCurrentProject());
    }};
}

Writer listWriter(const QString &folder)
{
    auto entries = std::make_shared<QVector<SubtitleEntries>>(
        QVector<SubtitleEntries>{versionEntries('A'), versionEntries('B')});
    ProjectItems listed;
    for (int i = 0; i < 1000; ++i)
        listed.append({QStringLiteral("clip%1").arg(i), i % 2 == 0, QStringLiteral("/media/projects/clip%1.cwpro").arg(i)});
    return {[entries, listed, folder](char version) {
        // The editor's save: the list as it stands, as SRT; then the project
        // list gains the project just saved.
        currentSubtitleList().replaceDocument((*entries)[version - 'A']);
        const bool srt = writeSubtitleFile(SubtitleFormat::Srt, currentSubtitleList().snapshot(),
                                           folder + "/work.srt", QStringLiteral("GBK"), QStringLiteral("work.srt"));
        ProjectItems list = listed;
        const bool projects = recordProjectInList(list, QStringLiteral("work"),
                                                  QStringLiteral("/media/work-%1.cwpro").arg(version),
                                                  folder + "/Prolist.xml");
        return srt && projects;
    }};
}

Writer exportsWriter(const QString &folder)
{
    auto entries = std::make_shared<QVector<SubtitleEntries>>(
        QVector<SubtitleEntries>{versionEntries('A'), versionEntries('B')});
    return {[entries, folder](char version) {
        bool written = true;
        for (SubtitleFormat format : {SubtitleFormat::Srt, SubtitleFormat::Ass, SubtitleFormat::WebVtt,
                                      SubtitleFormat::Lrc, SubtitleFormat::Txt}) {
            const QString path = folder + "/work." + subtitleFormatSuffix(format);
            written = writeSubtitleFile(format, (*entries)[version - 'A'], path, QStringLiteral("UTF-8"),
                                        QStringLiteral("work")) && written;
        }
        return written;
    }};
}

// The autosave worker writing the recovery copy, woken by list changes. The
// folder is claimed at once; the thread starts with the first save, so that
// it runs in the forked child.
struct AutoSaveRun
{
    QVector<SubtitleEntries> entries{versionEntries('A'), versionEntries('B')};
    RecoverySession session;
    SubtitleList &list = currentSubtitleList();
    std::unique_ptr<AutoSaveThread> thread;
    QSemaphore saved;
    bool lastWritten = false;

    explicit AutoSaveRun(const QString &folder) : session(folder)
    {
        if (!session.begin())
            std::fprintf(stderr, "cannot claim %s\n", qPrintable(folder));
    }

    void startThread()
    {
        thread = std::make_unique<AutoSaveThread>(list);
        thread->setRecoveryPath(session.copyPath());
        thread->setIntervalMs(0);
        QObject::connect(thread.get(), &AutoSaveThread::signal_autoSaved, thread.get(),
                         [this](const QString &, bool written) {
                             lastWritten = written;
                             saved.release();
                         },
                         Qt::DirectConnection);
        thread->setRunning(true);
        thread->start();
    }

    bool save(char version)
    {
        if (!thread)
            startThread();
        list.assign(entries[version - 'A']);
        saved.acquire();
        return lastWritten;
    }

    void finish()
    {
        if (thread)
            thread->stop();
        thread.reset();
    }
};

Writer autoSaveWriter(const QString &folder)
{
    auto run = std::make_shared<AutoSaveRun>(folder);
    return {[run](char version) { return run->save(version); }, [run] { run->finish(); }};
}

Writer settingsWriter(const QString &folder)
{
    // settingsFilePath() is "<APPDATA>/Cuewright/Config.ini".
    QDir parent(folder);
    parent.cdUp();
    qputenv("APPDATA", QFile::encodeName(parent.absolutePath()));
    QString payload[2];
    for (int i = 0; i < 2; ++i) {
        const QString line = QStringLiteral("/home/用户%1/视频/第%2集; \"quoted\", x=1\\n ").arg(QChar('A' + i)).arg(i);
        payload[i].reserve(line.size() * 4000);
        for (int n = 0; n < 4000; ++n)
            payload[i] += line;
    }
    loadStartupSettings(); // the other keys, so the file is not the payload alone
    return {[payload](char version) {
        writeSetting(SettingKeys::FolderPath, payload[version - 'A']);
        return readSetting(SettingKeys::FolderPath) == payload[version - 'A'];
    }};
}

Writer taskListWriter(const QString &folder)
{
    auto lists = std::make_shared<QVector<TaskList>>(2);
    for (int v = 0; v < 2; ++v) {
        QStringList media;
        for (int i = 0; i < 1500; ++i)
            media.append(QStringLiteral("/media/batch-%1/clip%2.mp4").arg(QChar('a' + v)).arg(i));
        (*lists)[v].addMedia(media, false);
    }
    const QString path = folder + "/Tasklist.xml";
    return {[lists, path](char version) { return writeTaskListFile(path, (*lists)[version - 'A']); }};
}

// The control: truncates the file and writes it in place.
Writer inPlaceWriter(const QString &folder)
{
    auto bytes = std::make_shared<QVector<QByteArray>>(QVector<QByteArray>{
        composeSrt(versionEntries('A'), QStringLiteral("UTF-8")), composeSrt(versionEntries('B'), QStringLiteral("UTF-8"))});
    const QString path = folder + "/work.srt";
    return {[bytes, path](char version) {
        QFile file(path);
        const QByteArray &content = (*bytes)[version - 'A'];
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        // In slices, as a writer streaming its document would.
        for (int at = 0; at < content.size(); at += 4096) {
            if (file.write(content.mid(at, 4096)) < 0 || !file.flush())
                return false;
        }
        return true;
    }};
}

Writer writerFor(const QString &kind, const QString &folder)
{
    if (kind == "inplace")
        return inPlaceWriter(folder);
    if (kind == "project")
        return projectWriter(folder);
    if (kind == "list")
        return listWriter(folder);
    if (kind == "exports")
        return exportsWriter(folder);
    if (kind == "autosave")
        return autoSaveWriter(folder);
    if (kind == "settings")
        return settingsWriter(folder);
    return taskListWriter(folder);
}

bool copyTargets(const SaveKind &kind, const QString &folder, const QString &referenceFolder, char version)
{
    for (const QString &target : kind.targets) {
        QByteArray bytes;
        if (!readWholeFile(folder + "/" + target, &bytes)
            || !writeFileAtomically(QStringLiteral("%1/%2.%3").arg(referenceFolder, target).arg(QChar(version)), bytes))
            return false;
    }
    return true;
}

// Saves A, B, A... until killed.
[[noreturn]] void saveUntilKilled(Writer &writer)
{
    for (quint64 round = 0;; ++round) {
        if (!writer.save(round % 2 == 0 ? 'A' : 'B')) {
            std::fprintf(stderr, "save failed\n");
            _exit(1);
        }
    }
}

// How long saving A and then B takes.
qint64 cycleMs(Writer &writer, bool *saved)
{
    QElapsedTimer timer;
    timer.start();
    *saved = writer.save('A') && writer.save('B');
    return timer.elapsed();
}

int serve(Writer &writer)
{
    bool saved = false;
    const qint64 cycle = cycleMs(writer, &saved);
    if (!saved)
        return 1;
    std::printf("ready %lld\n", cycle);
    std::fflush(stdout);
    char line[64];
    pid_t child = 0;
    while (std::fgets(line, sizeof line, stdin)) {
        const QByteArray command = QByteArray(line).trimmed();
        if (command == "go") {
            child = fork();
            if (child == 0)
                saveUntilKilled(writer);
            std::printf("%d\n", int(child));
        } else if (command == "reap" && child > 0) {
            int status = 0;
            waitpid(child, &status, 0);
            child = 0;
            std::printf("gone %d\n", status);
        }
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const SaveKind *kind = arguments.size() >= 4 ? findSaveKind(arguments[1]) : nullptr;
    const bool reference = kind && arguments.size() == 5 && arguments[3] == "--reference";
    const bool serving = kind && arguments.size() == 4 && arguments[3] == "--serve";
    if (!reference && !serving) {
        std::fprintf(stderr, "usage: cw_save_writer KIND FOLDER --reference FOLDER | --serve\n");
        return 2;
    }
    const QString folder = QDir(arguments[2]).absolutePath();
    QDir().mkpath(folder);

    AppState state;
    Writer writer = writerFor(kind->name, folder);
    if (serving)
        return serve(writer);

    // Only the saves count towards the cycle, not the copies.
    QElapsedTimer timer;
    qint64 cycleMs = 0;
    const auto timedSave = [&](char version) {
        timer.start();
        const bool saved = writer.save(version);
        cycleMs += timer.elapsed();
        return saved;
    };
    const bool done = timedSave('A') && copyTargets(*kind, folder, arguments[4], 'A') && timedSave('B')
                      && copyTargets(*kind, folder, arguments[4], 'B');
    std::printf("cycle %lld\n", cycleMs);
    writer.finish();
    return done ? 0 : 1;
}
