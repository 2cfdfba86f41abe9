// Batch alignments through the task page against the real service: files
// and list entries, one job at a time, a deletion above a running task, a
// failed task retried, and quitting while a task runs.
#include "BurnTestSupport.h"
#include "JobServiceFixture.h"

#include "base/CurrentProject.h"
#include "base/SignalProxy.h"
#include "batch/BatchAutoalignWidget.h"
#include "batch/BatchThread.h"
#include "batch/TableModel.h"
#include "batch/TaskManageWidget.h"
#include "project/ProjectSetting.h"
#include "project/XmlOperate.h"
#include "shell/CotentWidget.h"
#include "subtitle/Utf8Conversion.h"

#include <QCheckBox>
#include <QSignalSpy>
#include <QTableView>

namespace {

class BatchServiceTest : public JobServiceFixture
{
protected:
    void TearDown() override
    {
        waitUntil([] { return BatchThread::abandonedRunning() == 0; }, 60000);
        JobServiceFixture::TearDown();
    }

    // A lecture and its transcript of the same name in the work folder.
    QString lecture(const QString &name, const QString &source)
    {
        const QString media = copyOf(source, name);
        copyOf(material().transcript, QFileInfo(name).baseName() + QStringLiteral(".txt"));
        return media;
    }

    static QString status(BatchAutoalignWidget *batch, int row)
    {
        return batch->model()->data(batch->model()->index(row, TableModel::StatusColumn)).toString();
    }
    static int running(const TaskList &tasks)
    {
        return int(std::count_if(tasks.entries().cbegin(), tasks.entries().cend(),
                                 [](const TaskEntry &e) { return e.state == TaskState::Running; }));
    }
    static bool allEnded(const TaskList &tasks)
    {
        return std::none_of(tasks.entries().cbegin(), tasks.entries().cend(),
                            [](const TaskEntry &e) { return e.queued(); });
    }
};

} // namespace

TEST_F(BatchServiceTest, TwoLecturesRunOneAtATimeAndLeaveTheirSrtProjectAndListEntry)
{
    TaskManageWidget page;
    BatchAutoalignWidget *batch = page.batchWidget();
    const QStringList media = {lecture(QStringLiteral("lecture1.wav"), material().wav),
                               lecture(QStringLiteral("lecture2.mp3"), material().mp3)};
    batch->sameNamedTextBox()->setChecked(true);
    fileAnswers.push_back(media.join('\n'));
    batch->slot_ClickaddMediaButton();
    logIn();
    QSignalSpy listUpdates(SignalProxy::instance(), &SignalProxy::signal_UpdateList);
    int mostRunning = 0;
    QObject::connect(batch->model(), &QAbstractItemModel::dataChanged, batch,
                     [&] { mostRunning = qMax(mostRunning, running(page.tasks())); });

    batch->slot_clickAllStartButton();
    EXPECT_TRUE(boxTexts.isEmpty()); // every task has its transcript
    // The worker's WAV is in the scratch folder: the cache stays.
    batch->slot_clickCleartmpButton();
    EXPECT_EQ(boxTexts.value(0), QStringLiteral("当前有任务正在进行中，请等待任务结束后再清除缓存！"));
    ASSERT_TRUE(waitUntil([&] { return allEnded(page.tasks()); }, 180000));
    EXPECT_EQ(mostRunning, 1);

    EXPECT_EQ(listUpdates.count(), 2);
    const ProjectItems &list = currentProject().projectList;
    ASSERT_EQ(list.size(), 2);
    ProjectItems onDisk;
    ASSERT_TRUE(XmlOperate().ReadProjectList(userFile(QStringLiteral("Prolist.xml")), onDisk));
    EXPECT_EQ(onDisk, list);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(media[i].toStdString());
        EXPECT_EQ(status(batch, i), QStringLiteral("字幕已生成"));
        const QByteArray srt = readFile(media[i] + QStringLiteral(".srt"));
        EXPECT_EQ(testUtf8(srt) == NotUtf8, false);
        EXPECT_TRUE(srt.contains(material().lines.first().toUtf8()));
        _ProjectSetting project;
        ASSERT_TRUE(XmlOperate().ReadProjectSetting(media[i] + QStringLiteral(".cwpro"), project));
        EXPECT_EQ(project.MultimediaFile, media[i]);
        EXPECT_EQ(project.SrtListData.size(), material().sentences);
        EXPECT_EQ(list.at(i).path, media[i] + QStringLiteral(".cwpro"));
        EXPECT_TRUE(list.at(i).state);
    }
}

TEST_F(BatchServiceTest, AFailedTaskIsRetriedAndARowDeletedAboveARunningTaskTakesNothingWithIt)
{
    TaskManageWidget page;
    BatchAutoalignWidget *batch = page.batchWidget();
    TaskList &tasks = page.tasks();
    tasks.addMedia({workFile(QStringLiteral("other.mp4"))}, false);
    const QString media = lecture(QStringLiteral("talk.wav"), material().wav);
    tasks.addMedia({media}, true);
    batch->slot_ReSetModel();
    logIn();

    service->stop();
    batch->table()->selectRow(1);
    batch->slot_clickStartButton();
    ASSERT_TRUE(waitUntil([&] { return allEnded(tasks); }, 60000));
    EXPECT_TRUE(status(batch, 1).startsWith(QStringLiteral("操作失败："))) << status(batch, 1).toStdString();

    ASSERT_TRUE(service->start());
    qputenv("CUEWRIGHT_SERVICE_PORT", QByteArray::number(service->port()));
    logIn();
    batch->table()->selectRow(1);
    batch->slot_clickStartButton();
    ASSERT_TRUE(waitUntil([&] { return batch->isWorkerBusy() && !tasks.entries().at(1).status.isEmpty(); }, 5000));
    batch->table()->selectRow(0);
    batch->slot_clickDeleteButton();
    ASSERT_EQ(tasks.size(), 1);
    ASSERT_TRUE(waitUntil([&] { return allEnded(tasks); }, 120000));
    EXPECT_EQ(status(batch, 0), QStringLiteral("字幕已生成"));
    EXPECT_EQ(tasks.entries().at(0).number, 1);
    EXPECT_TRUE(QFileInfo::exists(media + QStringLiteral(".srt")));
    EXPECT_FALSE(QFileInfo::exists(workFile(QStringLiteral("other.mp4.srt"))));
}

TEST_F(BatchServiceTest, QuittingWhileATaskRunsAsksAndNeverDestroysTheWorker)
{
    auto *window = new CotentWidget;
    BatchAutoalignWidget *batch = window->taskPage()->batchWidget();
    window->taskPage()->tasks().addMedia({copyOf(material().wav, QStringLiteral("talk.wav"))}, false);
    logIn();
    boxAnswers = {ModalSeam::Answer::Ok}; // "自动生成"
    batch->slot_clickAllStartButton();
    ASSERT_TRUE(batch->isWorkerBusy());

    boxAnswers = {ModalSeam::Answer::Cancel}; // "继续处理"
    EXPECT_FALSE(window->closeApplication());
    EXPECT_TRUE(batch->isWorkerBusy());
    boxAnswers = {ModalSeam::Answer::Ok}; // "关闭并停止处理"
    EXPECT_TRUE(window->closeApplication());
    EXPECT_EQ(boxTitles.last(), QStringLiteral("请确认操作"));
    delete window; // the running worker is let go of, not destroyed
    EXPECT_TRUE(waitUntil([] { return BatchThread::abandonedRunning() == 0; }, 60000));
    // The queue kept the task to run again.
    EXPECT_EQ(loadTaskListFile(taskListFilePath()).entries().value(0).state, TaskState::Waiting);
}
