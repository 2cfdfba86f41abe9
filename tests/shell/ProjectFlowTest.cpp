// Saving, listing and opening projects through the windows.
#include "ShellFixture.h"

#include "project/ProjectList.h"
#include "project/XmlOperate.h"
#include "shell/CotentWidget.h"
#include "base/CurrentProject.h"
#include "base/PlaybackState.h"
#include "base/ProjectPacking.h"
#include "shell/MainContentWidget.h"
#include "shell/MainWidget.h"
#include "shell/ProjectContentWidget.h"
#include "shell/ProjectListItem.h"
#include "base/QLightBoxWidget.h"
#include "base/SignalProxy.h"
#include "shell/StatusWidget.h"
#include "shell/SubtitleProjectPage.h"
#include "subtitle/SubtitleList.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace {

class ProjectFlowTest : public ShellFixture
{
protected:
    // A project file whose media exists (an empty stand-in) and whose WAV is
    // the media itself, so opening needs no extraction.
    QString makeProject(const QString &name, const QString &media)
    {
        writeFile(media, "x");
        _ProjectSetting setting;
        setting.MultimediaFile = media;
        setting.WavFilePath = media;
        setting.TimeScaleValue = 2;
        SrtItem item;
        item.begintime = QStringLiteral("00:00:01,000");
        item.endtime = QStringLiteral("00:00:02,500");
        item.text = QStringLiteral("你好");
        setting.SrtListData.append(item);
        const QString path = workFile(name);
        EXPECT_TRUE(XmlOperate().WriteProjectSetting(path, setting));
        return path;
    }

    void startProjectWithMedia(const QString &media)
    {
        emit SignalProxy::instance()->signal_NoticeNewProject();
        emit SignalProxy::instance()->signal_SelectMediafile(media);
    }
};

} // namespace

TEST_F(ProjectFlowTest, SaveProposesTheMediaBaseNameAndListsTheProjectOnce)
{
    CotentWidget window;
    const QString media = workFile(QStringLiteral("a.b.mp4"));
    startProjectWithMedia(media);
    const QString chosen = workFile(QStringLiteral("chosen.cwpro"));
    fileAnswers = {chosen};

    ASSERT_TRUE(window.mainWidget()->saveProject());
    ASSERT_EQ(fileRequests.size(), 1);
    EXPECT_TRUE(fileRequests[0].save);
    EXPECT_EQ(fileRequests[0].caption, QStringLiteral("保存工程"));
    EXPECT_EQ(fileRequests[0].folder, workFile(QStringLiteral("a.cwpro")));
    EXPECT_EQ(fileRequests[0].filter, QStringLiteral("工程文件(*.cwpro)"));

    ASSERT_TRUE(window.mainWidget()->saveProject()); // second save: same file, no dialog
    EXPECT_EQ(fileRequests.size(), 1);

    ASSERT_EQ(currentProject().projectList.size(), 1);
    EXPECT_EQ(currentProject().projectList[0].name, QStringLiteral("a"));
    EXPECT_EQ(currentProject().projectList[0].path, chosen);
    const auto rows = window.projectPage()->contentWidget()->rows();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0]->stateText(), QStringLiteral("字幕已生成"));
    ProjectItems onDisk;
    ASSERT_TRUE(XmlOperate().ReadProjectList(projectListPath(), onDisk));
    EXPECT_EQ(onDisk, currentProject().projectList);

    _ProjectSetting saved;
    ASSERT_TRUE(XmlOperate().ReadProjectSetting(chosen, saved));
    EXPECT_EQ(saved.MultimediaFile, media);
    EXPECT_EQ(saved.TimeScaleValue, 1.0);
    EXPECT_EQ(currentProject().lastFolderPath, m_work.path());
}

TEST_F(ProjectFlowTest, SaveIsRefusedWithoutMediaOrWhileATaskRuns)
{
    CotentWidget window;
    EXPECT_FALSE(window.mainWidget()->saveProject());
    startProjectWithMedia(workFile(QStringLiteral("m.mp4")));
    currentProject().taskRunning = true;
    EXPECT_FALSE(window.mainWidget()->saveProject());
    EXPECT_TRUE(fileRequests.isEmpty());
}

TEST_F(ProjectFlowTest, OpeningFromTheButtonLoadsTheEditorBehindTheLoadingLayer)
{
    CotentWidget window;
    const QString media = workFile(QStringLiteral("talk.wav"));
    const QString project = makeProject(QStringLiteral("talk.cwpro"), media);
    fileAnswers = {project};
    QSignalSpy loaded(SignalProxy::instance(), &SignalProxy::signal_loadProject);

    window.projectPage()->contentWidget()->slot_clickOpenButton();

    EXPECT_EQ(fileRequests[0].caption, QStringLiteral("打开工程文件"));
    EXPECT_EQ(window.currentPage(), 2);
    EXPECT_TRUE(window.mainWidget()->lightBox()->isVisibleTo(window.mainWidget()));
    EXPECT_EQ(currentProject().mediaFilePath, media);
    EXPECT_EQ(currentProject().projectFilePath, project);
    ASSERT_EQ(currentSubtitleList().size(), 1);
    EXPECT_EQ(currentSubtitleList().at(0).text, QByteArray("\xc4\xe3\xba\xc3")); // GBK
    settle(60);
    ASSERT_EQ(loaded.count(), 1);
    // The layer goes once the player has tried the medium (this one is no
    // real WAV, which the player finds out on its own time).
    QElapsedTimer waited;
    waited.start();
    while (window.mainWidget()->lightBox()->isVisibleTo(window.mainWidget()) && waited.elapsed() < 8000)
        settle(20);
    EXPECT_FALSE(window.mainWidget()->lightBox()->isVisibleTo(window.mainWidget()));
    EXPECT_EQ(window.mainWidget()->contentWidget()->shownMediaName(), QStringLiteral("talk.wav"));
    ASSERT_EQ(window.projectPage()->contentWidget()->rows().size(), 1);

    // Opening the same file again does not list it twice.
    boxAnswers = {ModalSeam::Answer::Cancel}; // leave the editor without saving
    emit SignalProxy::instance()->signal_clickTab(1, 0);
    fileAnswers = {project};
    window.projectPage()->contentWidget()->slot_clickOpenButton();
    EXPECT_EQ(currentProject().projectList.size(), 1);
}

TEST_F(ProjectFlowTest, RowsThatCannotOpenAreRemoved)
{
    struct Case
    {
        const char *name;
        QByteArray content; // empty: the file is deleted
        QString wantText;
    };
    const Case cases[] = {
        {"deleted project file", QByteArray(), QStringLiteral("工程文件不存在！")},
        {"not a project", QByteArray("garbage"), QStringLiteral("工程文件无效！")},
        {"no media and no subtitles",
         QByteArray("<?xml version=\"1.0\"?><Project><ReferenceFile><MultimediaFile></MultimediaFile>"
                    "</ReferenceFile></Project>"),
         QStringLiteral("工程文件无效！")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        boxTexts.clear();
        const QString keep = makeProject(QStringLiteral("keep.cwpro"), workFile(QStringLiteral("keep.wav")));
        const QString bad = workFile(QStringLiteral("bad.cwpro"));
        QFile::remove(bad);
        if (!c.content.isEmpty())
            writeFile(bad, c.content);
        currentProject().projectList = {{QStringLiteral("bad"), true, bad}, {QStringLiteral("keep"), true, keep}};
        QDir().mkpath(userFile(QString()));
        XmlOperate().WriteProjectList(projectListPath(), currentProject().projectList);

        // Values left from an earlier project must not make a bad file look valid.
        currentProject().setting.SrtListData = {SrtItem{}};
        SubtitleProjectPage page;
        ASSERT_EQ(page.contentWidget()->rows().size(), 2);
        emit page.contentWidget()->rows()[0]->signal_EnterProject(0);

        ASSERT_EQ(boxTexts.size(), 1);
        EXPECT_EQ(boxTexts[0], c.wantText);
        const auto rows = page.contentWidget()->rows();
        ASSERT_EQ(rows.size(), 1);
        EXPECT_EQ(rows[0]->index(), 0);
        EXPECT_EQ(rows[0]->pathText(), keep);
        ProjectItems onDisk;
        ASSERT_TRUE(XmlOperate().ReadProjectList(projectListPath(), onDisk));
        ASSERT_EQ(onDisk.size(), 1);
        EXPECT_EQ(onDisk[0].path, keep);
    }
}

TEST_F(ProjectFlowTest, MissingMediaCanBeRelocatedAndIsWrittenBack)
{
    const QString project = makeProject(QStringLiteral("moved.cwpro"), workFile(QStringLiteral("gone.wav")));
    QFile::remove(workFile(QStringLiteral("gone.wav")));
    const QString found = workFile(QStringLiteral("found.wav"));
    writeFile(found, "x");
    currentProject().projectList = {{QStringLiteral("moved"), true, project}};
    QDir().mkpath(userFile(QString()));
    XmlOperate().WriteProjectList(projectListPath(), currentProject().projectList);

    SubtitleProjectPage page;
    boxAnswers = {ModalSeam::Answer::Ok}; // "查找文件"
    fileAnswers = {found};
    page.contentWidget()->slot_EnterProject(0);

    EXPECT_EQ(boxTitles.value(0), QStringLiteral("找不到媒体文件"));
    EXPECT_EQ(fileRequests.value(0).caption, QStringLiteral("打开音视频文件"));
    EXPECT_EQ(currentProject().mediaFilePath, found);
    _ProjectSetting rewritten;
    ASSERT_TRUE(XmlOperate().ReadProjectSetting(project, rewritten));
    EXPECT_EQ(rewritten.MultimediaFile, found);
    EXPECT_TRUE(rewritten.WavFilePath.isEmpty());
    EXPECT_EQ(page.contentWidget()->rows().size(), 1);
}

TEST_F(ProjectFlowTest, DeleteAndClearAllRewriteTheList)
{
    currentProject().projectList = {{QStringLiteral("one"), true, QStringLiteral("/p/1.cwpro")},
                                    {QStringLiteral("two"), false, QStringLiteral("/p/2.cwpro")},
                                    {QStringLiteral("three"), true, QStringLiteral("/p/3.cwpro")}};
    QDir().mkpath(userFile(QString()));
    XmlOperate().WriteProjectList(projectListPath(), currentProject().projectList);
    ProjectContentWidget content;

    emit content.rows()[0]->signal_DeleteItem(0);
    auto rows = content.rows();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0]->index(), 0);
    EXPECT_EQ(rows[0]->nameText(), QStringLiteral("two"));
    EXPECT_EQ(rows[0]->stateText(), QStringLiteral("字幕未生成"));
    EXPECT_EQ(rows[1]->index(), 1);

    content.slot_clickClearallButton();
    EXPECT_TRUE(content.rows().isEmpty());
    EXPECT_TRUE(readFile(projectListPath()).contains("<ProList/>"));
}

TEST_F(ProjectFlowTest, FailedWriteIsReportedAndKeepsTheEditor)
{
    CotentWidget window;
    startProjectWithMedia(workFile(QStringLiteral("m.mp4")));
    const QString unwritable = workFile(QStringLiteral("missing-folder/m.cwpro"));
    boxAnswers = {ModalSeam::Answer::Ok}; // "保存" in the leave prompt
    fileAnswers = {unwritable};

    window.statusWidget()->tabButton(1)->click();

    EXPECT_EQ(window.currentPage(), 2);
    EXPECT_TRUE(currentProject().isOpen());
    ASSERT_EQ(boxTexts.size(), 2);
    EXPECT_EQ(boxTexts[1], QStringLiteral("工程文件保存失败，请检查保存位置是否可写！"));
    EXPECT_TRUE(currentProject().projectList.isEmpty());
    EXPECT_TRUE(currentProject().projectFilePath.isEmpty());
}

TEST_F(ProjectFlowTest, OpeningARowAfterLeavingStartsFromACleanProject)
{
    CotentWidget window;
    const QString first = makeProject(QStringLiteral("first.cwpro"), workFile(QStringLiteral("first.wav")));
    const QString second = makeProject(QStringLiteral("second.cwpro"), workFile(QStringLiteral("second.wav")));
    currentProject().projectList = {{QStringLiteral("first"), true, first}, {QStringLiteral("second"), true, second}};
    fileAnswers = {first};
    window.projectPage()->contentWidget()->slot_clickOpenButton();
    // What a transcript and playback leave in the first project.
    currentProject().subtitleFilePath = workFile(QStringLiteral("first.srt"));
    currentProject().textEncoding = 2;
    currentProject().lineTooLong = true;
    playbackState().playerStarted = true;
    playbackState().playerPaused = true;

    window.statusWidget()->tabButton(1)->click();
    boxAnswers = {ModalSeam::Answer::Cancel}; // "不保存"
    window.projectPage()->contentWidget()->slot_EnterProject(1);

    EXPECT_EQ(currentProject().projectFilePath, second);
    EXPECT_EQ(currentProject().mediaFilePath, workFile(QStringLiteral("second.wav")));
    EXPECT_TRUE(currentProject().subtitleFilePath.isEmpty());
    EXPECT_EQ(currentProject().textEncoding, 0);
    EXPECT_FALSE(currentProject().lineTooLong);
    EXPECT_FALSE(playbackState().playerStarted);
    EXPECT_FALSE(playbackState().playerPaused);
    // The record holds no second copy of the subtitles; the list does.
    EXPECT_TRUE(currentProject().setting.SrtListData.isEmpty());
    EXPECT_EQ(currentSubtitleList().size(), 1);
}

TEST_F(ProjectFlowTest, SaveKeepsWhereTheUserWasListeningAndHow)
{
    currentProject().setting.CurrentPlayPos = 12.5;
    currentProject().setting.PlaySpeed = 1.5;
    // Nothing played yet: the values the project was opened with stay.
    _ProjectSetting packed = packCurrentProject();
    EXPECT_EQ(packed.CurrentPlayPos, 12.5);
    EXPECT_EQ(packed.PlaySpeed, 1.5);

    PlaybackState &playback = playbackState();
    playback.duration = 600;
    playback.playPosition = 42.25;
    playback.playSpeed = 0.75;
    playback.volume = 1.5;
    packed = packCurrentProject();
    EXPECT_EQ(packed.CurrentPlayPos, 42.25);
    EXPECT_EQ(packed.TotalTime, 600);
    EXPECT_EQ(packed.PlaySpeed, 0.75);
    EXPECT_EQ(packed.Volume, 1.5);
}

TEST_F(ProjectFlowTest, AZoomFromAFileIsHeldToTheUsableRange)
{
    const QList<QPair<double, double>> cases = {
        {0, 1.0}, {-2, 1.0}, {qQNaN(), 1.0}, {qInf(), 1.0}, {0.1, 0.25}, {9, 2.5}, {1.5, 1.5}};
    for (const auto &c : cases) {
        _ProjectSetting setting;
        setting.TimeScaleValue = c.first;
        unpackIntoCurrentProject(setting);
        EXPECT_EQ(timeScaleValue(), c.second) << c.first;
    }
}
