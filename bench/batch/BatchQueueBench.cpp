// Ten short alignments through the task page's queue against the same ten
// run as single jobs one after another, on the real service on 127.0.0.1:
// the time ratio and the pause between one task's end and the next start.
#include "ServiceProcess.h"
#include "SpeechFixture.h"

#include "account/AccountService.h"
#include "audio/RecognitionJob.h"
#include "base/AppState.h"
#include "base/CurrentProject.h"
#include "base/LoginState.h"
#include "batch/BatchAutoalignWidget.h"
#include "batch/TableModel.h"
#include "project/ProjectSetting.h"
#include "project/XmlOperate.h"
#include "subtitle/SubtitleWriters.h"
#include "batch/TaskManageWidget.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int Tasks = 10;

bool makeSpeech(const QString &folder, QString *wav, QString *transcript)
{
    const auto standard = cw::testing::standardSentences();
    const std::vector<std::string> sentences(standard.begin(), standard.begin() + 3);
    cw::testing::SpeechFixture speech;
    std::string error;
    QDir().mkpath(folder + QStringLiteral("/speech"));
    if (!cw::testing::synthesizeSpeech(sentences, cw::testing::standardPauses(sentences.size()),
                                       folder + QStringLiteral("/speech"), &speech, &error)) {
        std::fprintf(stderr, "speech: %s\n", error.c_str());
        return false;
    }
    *wav = folder + QStringLiteral("/talk.wav");
    *transcript = folder + QStringLiteral("/talk.txt");
    QFile text(*transcript);
    if (!cw::testing::writeWav16k(*wav, speech.samples) || !text.open(QIODevice::WriteOnly))
        return false;
    for (const std::string &line : sentences)
        text.write(QByteArray::fromStdString(line) + "\r\n");
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    AppState state;
    QTemporaryDir dir;
    QTemporaryDir serviceData;
    qputenv("APPDATA", dir.filePath(QStringLiteral("user")).toUtf8());
    currentProject().tempFolder = dir.filePath(QStringLiteral("scratch"));
    QDir().mkpath(currentProject().tempFolder);

    QString wav;
    QString transcript;
    if (!makeSpeech(dir.path(), &wav, &transcript))
        return 1;
    cw::testing::ServiceProcess service(QStringLiteral(CW_SERVICE_BINARY), serviceData.path());
    if (!service.addUser(QStringLiteral("bench"), QStringLiteral("pw"), 1000000) || !service.start()) {
        std::fprintf(stderr, "the service did not start\n");
        return 1;
    }
    qputenv("CUEWRIGHT_SERVICE_HOST", "127.0.0.1");
    qputenv("CUEWRIGHT_SERVICE_PORT", QByteArray::number(service.port()));
    QString session;
    QString error;
    if (AccountService::loginToService(QStringLiteral("bench"), QStringLiteral("pw"), session, error) != 0) {
        std::fprintf(stderr, "log-in: %s\n", qPrintable(error));
        return 1;
    }
    loginState().loggedIn = true;
    loginState().sessionId = session;
    accountMemory().userName = QStringLiteral("bench");

    QStringList media;
    for (int i = 0; i < Tasks; ++i) {
        const QString name = dir.filePath(QStringLiteral("lecture%1.wav").arg(i + 1));
        QFile::copy(wav, name);
        QFile::copy(transcript, dir.filePath(QStringLiteral("lecture%1.txt").arg(i + 1)));
        media << name;
    }

    // Single jobs, one after another, each writing the SRT and project
    // file a task writes.
    QElapsedTimer clock;
    clock.start();
    for (const QString &path : media) {
        RecognitionJobInput input;
        input.mediaPath = path;
        input.transcriptPath = QFileInfo(path).path() + QStringLiteral("/") + QFileInfo(path).baseName() + ".txt";
        input.sessionId = session;
        input.userName = QStringLiteral("bench");
        input.servicePort = unsigned(service.port());
        input.scratchFolder = currentProject().tempFolder;
        const RecognitionJobResult result = runRecognitionJob(input, [](const ProgressReport &) {});
        BatchJobInput task;
        task.job = input;
        task.srtPath = path + QStringLiteral(".single.srt");
        if (!result.succeeded() || !writeSrtFile(result.entries, task.srtPath, QStringLiteral("UTF-8"))
            || !XmlOperate().WriteProjectSetting(path + QStringLiteral(".single.cwpro"),
                                                 batchProjectSetting(task, result))) {
            std::fprintf(stderr, "a single job failed\n");
            return 1;
        }
    }
    const double singles = clock.nsecsElapsed() / 1e9;

    // The same ten through the queue.
    TaskManageWidget page;
    TaskList &tasks = page.tasks();
    tasks.addMedia(media, true);
    QHash<quint64, double> startedAt;
    QHash<quint64, double> endedAt;
    const auto look = [&] {
        const double now = clock.nsecsElapsed() / 1e9;
        for (const TaskEntry &task : tasks.entries()) {
            if (task.state == TaskState::Running && !startedAt.contains(task.key))
                startedAt.insert(task.key, now);
            if ((task.state == TaskState::Done || task.state == TaskState::Failed) && !endedAt.contains(task.key))
                endedAt.insert(task.key, now);
        }
    };
    BatchAutoalignWidget *batch = page.batchWidget();
    QObject::connect(batch->model(), &QAbstractItemModel::modelReset, look);
    QObject::connect(batch->model(), &QAbstractItemModel::dataChanged, look);
    clock.restart();
    batch->slot_clickAllStartButton();
    while (endedAt.size() < Tasks && clock.elapsed() < 600000)
        app.processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double queued = clock.nsecsElapsed() / 1e9;
    if (endedAt.size() < Tasks)
        return 1;
    int failed = 0;
    for (const TaskEntry &task : tasks.entries())
        failed += task.state == TaskState::Done ? 0 : 1;
    double longestPause = 0;
    const QVector<quint64> keys = tasks.keys();
    for (int i = 1; i < keys.size(); ++i)
        longestPause = std::max(longestPause, startedAt.value(keys[i]) - endedAt.value(keys[i - 1]));

    std::printf("%d alignments of a %d-sentence clip on the local service\n", Tasks, 3);
    std::printf("  single jobs, one after another  %7.2f s\n", singles);
    std::printf("  through the queue                %7.2f s   ratio %.3f (limit 1.1)\n", queued, queued / singles);
    std::printf("  longest pause between tasks      %7.1f ms  (limit 100 ms)\n", longestPause * 1000);
    std::printf("  failed tasks                     %7d\n", failed);
    service.stop();
    return failed == 0 ? 0 : 1;
}
