// The task page without the service: adding files and transcripts, the
// start question, failed tasks, pausing, the cache, the column widths and
// the queue coming back after a restart.
#include "BurnTestSupport.h"
#include "ShellFixture.h"

#include "base/CurrentProject.h"
#include "base/LoginState.h"
#include "base/SignalProxy.h"
#include "batch/BatchAutoalignWidget.h"
#include "batch/TableModel.h"
#include "batch/TaskManageWidget.h"

#include <QCheckBox>
#include <QDir>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QSignalSpy>
#include <QTableView>

#include <memory>

namespace {

const QString ChoiceText = QStringLiteral("当前列表中存在未指定字幕文稿的视频文件。你可以让系统直接根据音频自动生成字幕稿;"
                                          "或者你可以暂不处理它们，先让系统处理带有字幕稿的视频");

class BatchPageTest : public ShellFixture
{
protected:
    // Made after the fixture has given the test its own per-user folder.
    void SetUp() override
    {
        ShellFixture::SetUp();
        m_page = std::make_unique<TaskManageWidget>();
    }
    void TearDown() override
    {
        m_page.reset();
        ShellFixture::TearDown();
    }

    BatchAutoalignWidget *batch() { return page().batchWidget(); }
    TaskManageWidget &page() { return *m_page; }
    QString status(int row) { return batch()->model()->data(batch()->model()->index(row, 5)).toString(); }
    void select(int row) { batch()->table()->selectRow(row); }
    bool idle() { return waitFor([this] { return !page().isRunningTasks(); }, 30000); }

private:
    std::unique_ptr<TaskManageWidget> m_page;
};

} // namespace

TEST_F(BatchPageTest, MediaAndTranscriptsAreAddedAsTheChooserShowsThem)
{
    const QString lecture = workFile(QStringLiteral("a.b.mp4"));
    writeBytes(workFile(QStringLiteral("a.txt")), "line\n");
    batch()->sameNamedTextBox()->setChecked(true);
    fileAnswers.push_back(QStringList{lecture, lecture + ".wav", workFile("CLIP.MP4"), workFile("a.txt")}.join('\n'));
    batch()->slot_ClickaddMediaButton();
    EXPECT_TRUE(fileRequests.last().multiple);
    EXPECT_EQ(fileRequests.last().caption, QStringLiteral("打开音视频文件"));
    ASSERT_EQ(batch()->model()->rowCount(), 2);
    const QAbstractItemModel *model = batch()->model();
    EXPECT_EQ(model->headerData(4, Qt::Horizontal).toString(), QStringLiteral("进度"));
    EXPECT_EQ(model->data(model->index(0, 2)).toString(), workFile(QStringLiteral("a.txt")));
    EXPECT_EQ(model->data(model->index(1, 3)).toString(), workFile(QStringLiteral("CLIP.MP4.srt")));
    EXPECT_EQ(status(1), QStringLiteral("未开始"));

    fileAnswers.push_back(lecture);
    batch()->slot_ClickaddMediaButton();
    EXPECT_EQ(boxTexts, QStringList{QStringLiteral("音视频文件已经存在，不能重复添加!")});
    batch()->slot_ClickaddTxtButton(model->index(1, 2), workFile(QStringLiteral("clip.srt")));
    EXPECT_EQ(model->data(model->index(1, 2)).toString(), workFile(QStringLiteral("clip.srt")));
    EXPECT_EQ(currentProject().lastFolderPath, m_work.path());
}

TEST_F(BatchPageTest, StartAsksOnlyAboutAlignmentsWithoutTranscriptsAndAFailureShowsWhy)
{
    TaskList &tasks = page().tasks();
    tasks.addMedia({workFile("gone.mp4"), workFile("second.mp4")}, false);
    tasks.setTranscript(tasks.keys().first(), workFile("gone.txt"));
    batch()->slot_ReSetModel();
    QSignalSpy loginAsked(SignalProxy::instance(), &SignalProxy::signal_noticeShowLoginWidget);
    batch()->slot_clickAllStartButton();
    EXPECT_EQ(loginAsked.count(), 1);

    loginState().loggedIn = true;
    boxAnswers = {ModalSeam::Answer::No}; // "取消"
    batch()->slot_clickAllStartButton();
    EXPECT_EQ(boxTexts, QStringList{ChoiceText});
    EXPECT_EQ(status(0), QStringLiteral("未开始"));

    boxAnswers = {ModalSeam::Answer::Cancel}; // "暂不处理"
    batch()->slot_clickAllStartButton();
    EXPECT_TRUE(batch()->isWorkerBusy());
    ASSERT_TRUE(idle());
    EXPECT_EQ(status(1), QStringLiteral("未开始"));
    EXPECT_TRUE(status(0).startsWith(QStringLiteral("操作失败：找不到媒体文件"))) << status(0).toStdString();

    // Retried, it fails again; deleted, it is gone.
    select(0);
    batch()->slot_clickStartButton();
    ASSERT_TRUE(idle());
    EXPECT_TRUE(status(0).startsWith(QStringLiteral("操作失败")));
    select(0);
    batch()->slot_clickDeleteButton();
    ASSERT_EQ(batch()->model()->rowCount(), 1);
    EXPECT_EQ(batch()->model()->data(batch()->model()->index(0, 0)).toInt(), 1);
}

TEST_F(BatchPageTest, BurnsCannotBePausedAndTheCacheLosesItsFilesOnly)
{
    loginState().loggedIn = true;
    TaskItem burn;
    burn.id = QStringLiteral("20260101000000");
    // A kind the chooser does not offer is listed (and fails) all the same.
    burn.inputPath = workFile(QStringLiteral("missing.ts"));
    burn.outputPath = workFile(QStringLiteral("out.mp4"));
    burn.arguments = QStringList{"-y", "-i", burn.inputPath, burn.outputPath};
    batch()->slot_addVideoTask(burn);
    settle();
    ASSERT_EQ(batch()->model()->rowCount(), 1);
    EXPECT_EQ(status(0).left(4), QStringLiteral("操作失败"));
    select(0);
    batch()->slot_clickPauseButton();
    EXPECT_EQ(boxTexts, QStringList{QStringLiteral("对于视频压制任务，无法暂停！")});

    const QString scratch = currentProject().tempFolder;
    writeBytes(scratch + QStringLiteral("/talk.wav"), "RIFF");
    QDir().mkpath(scratch + QStringLiteral("/kept"));
    batch()->slot_clickCleartmpButton();
    EXPECT_EQ(boxTexts.last(), QStringLiteral("确认要清除缓存？"));
    EXPECT_FALSE(QFileInfo::exists(scratch + QStringLiteral("/talk.wav")));
    EXPECT_TRUE(QFileInfo::exists(scratch + QStringLiteral("/kept")));
}

TEST_F(BatchPageTest, ColumnWidthsFollowTheWindowStateAfterTheToggle)
{
    QHeaderView *header = batch()->table()->horizontalHeader();
    SignalProxy *hub = SignalProxy::instance();
    // Title bars say whether the window is back to normal.
    emit hub->signal_taskManageTableResize(false);
    const int w = (QGuiApplication::primaryScreen()->geometry().width() - 1 - 119) / 5;
    EXPECT_EQ(header->sectionSize(1), w + 20);
    emit hub->signal_taskManageTableResize(true);
    EXPECT_EQ(header->sectionSize(0), 100);
    EXPECT_EQ(header->sectionSize(4), 310);
}

TEST_F(BatchPageTest, TheQueueComesBackAfterARestartWithRunningTasksWaiting)
{
    TaskList &tasks = page().tasks();
    tasks.addMedia({workFile("one.mp4"), workFile("two.mp4")}, false);
    const QVector<quint64> keys = tasks.keys();
    tasks.queueForStart(keys, true);
    tasks.markRunning(keys[0], QStringLiteral("正在生成字幕..."));
    tasks.finishAlignment(keys[1], false, QStringLiteral("余额不足"));
    batch()->slot_ReSetModel();
    settle(400); // the write follows the burst of changes

    TaskManageWidget restarted;
    const TaskEntries &back = restarted.tasks().entries();
    ASSERT_EQ(back.size(), 2);
    EXPECT_EQ(back.at(0).mediaPath, workFile("one.mp4"));
    EXPECT_EQ(back.at(0).status, QStringLiteral("等待中..."));
    EXPECT_EQ(back.at(1).status, QStringLiteral("操作失败"));
    EXPECT_EQ(back.at(1).failure, QStringLiteral("余额不足"));
    EXPECT_TRUE(QFileInfo::exists(userFile(QStringLiteral("Tasklist.xml"))));
}
