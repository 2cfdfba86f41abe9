// The start page's task pages: choosing files, the checks before a job is
// asked for, and what the start page does with the request before any job.
#include "ShellFixture.h"

#include "base/CurrentProject.h"
#include "base/FilePickers.h"
#include "base/LoginState.h"
#include "base/SignalProxy.h"
#include "project/Settings.h"
#include "shell/CotentWidget.h"
#include "shell/FileSelectWidget.h"
#include "shell/MainWidget.h"
#include "shell/ProjectContentWidget.h"
#include "shell/SrtProgressWidget.h"
#include "shell/SrtTypechoiceWidget.h"
#include "shell/SubtitleProjectPage.h"
#include "shell/VideoOnlyWidget.h"
#include "shell/VideoSrtWidget.h"
#include "subtitle/SubtitleList.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

namespace {

class StartPageTaskTest : public ShellFixture
{
protected:
    // Picks `path` on `tile` through a click, as the user would.
    void pick(FileSelectWidget &tile, const QString &path)
    {
        fileAnswers = {path};
        QTest::mouseClick(&tile, Qt::LeftButton);
    }

    QString existing(const QString &name)
    {
        const QString path = workFile(name);
        writeFile(path, "x");
        return path;
    }

    static void clickTile(SrtTypechoiceWidget *chooser, const char *name)
    {
        auto *tile = chooser->findChild<QWidget *>(QLatin1String(name));
        ASSERT_TRUE(tile);
        QTest::mouseClick(tile, Qt::LeftButton);
    }
};

} // namespace

TEST_F(StartPageTaskTest, FileTilesAskForTheirKindAndKeepTheLastAcceptedFile)
{
    FileSelectWidget media;
    media.setType(FileSelectWidget::Media);
    FileSelectWidget transcript;
    transcript.setType(FileSelectWidget::Transcript);
    const QString placeholder = media.nameLabel()->text();
    EXPECT_FALSE(placeholder.isEmpty());
    EXPECT_FALSE(media.accessibleName().isEmpty());
    EXPECT_NE(media.accessibleName(), transcript.accessibleName());

    const QString lecture = existing(QStringLiteral("m/第一课.mp4"));
    currentProject().lastFolderPath = workFile(QStringLiteral("start"));
    pick(media, lecture);
    ASSERT_EQ(fileRequests.size(), 1);
    EXPECT_EQ(fileRequests[0].caption, QStringLiteral("打开音视频文件"));
    EXPECT_EQ(fileRequests[0].filter, QString::fromUtf8(FilePickers::mediaFilter));
    EXPECT_EQ(fileRequests[0].folder, workFile(QStringLiteral("start")));
    EXPECT_EQ(media.filePath(), lecture);
    EXPECT_EQ(media.nameLabel()->text(), QStringLiteral("第一课.mp4"));
    // The folder is remembered, in memory and in the settings.
    EXPECT_EQ(currentProject().lastFolderPath, workFile(QStringLiteral("m")));
    EXPECT_EQ(readSetting(SettingKeys::FolderPath), workFile(QStringLiteral("m")));

    // Cancelling, or a name that is no file name everywhere, keeps the file.
    pick(media, QString());
    EXPECT_EQ(media.filePath(), lecture);
    pick(media, existing(QStringLiteral("m/talk:1.mp4")));
    EXPECT_EQ(boxTexts, QStringList{QStringLiteral("非法的文件名!")});
    EXPECT_EQ(media.filePath(), lecture);
    EXPECT_EQ(media.nameLabel()->text(), QStringLiteral("第一课.mp4"));

    // The transcript tile asks for text files; 13 characters fit one line,
    // 14 take two.
    pick(transcript, existing(QStringLiteral("t/abcdefghi.txt")));
    EXPECT_EQ(fileRequests.last().caption, QStringLiteral("打开文本文件"));
    EXPECT_EQ(fileRequests.last().filter, QStringLiteral("文本文件(*.txt)"));
    EXPECT_EQ(transcript.nameLabel()->text(), QStringLiteral("abcdefghi.txt"));
    pick(transcript, existing(QStringLiteral("t/abcdefghij.txt")));
    EXPECT_EQ(transcript.nameLabel()->text(),
              QStringLiteral("<html><head/><body><p>abcdefghij.tx</p><p>t</p></body></html>"));
    pick(transcript, existing(QStringLiteral("t/notes:1.txt")));
    EXPECT_EQ(boxTexts.size(), 2);
    EXPECT_EQ(transcript.filePath(), workFile(QStringLiteral("t/abcdefghij.txt")));

    media.clear();
    EXPECT_TRUE(media.filePath().isEmpty());
    EXPECT_EQ(media.nameLabel()->text(), placeholder);
}

TEST_F(StartPageTaskTest, StartButtonsAskForALogInThenForTheFilesThenForTheJob)
{
    SignalProxy *hub = SignalProxy::instance();
    QSignalSpy login(hub, &SignalProxy::signal_noticeShowLoginWidget);
    QSignalSpy request(hub, &SignalProxy::signal_RequestAutoalignment);
    const QString media = existing(QStringLiteral("talk.wav"));
    const QString text = existing(QStringLiteral("talk.txt"));

    VideoSrtWidget both;
    VideoOnlyWidget only;
    EXPECT_EQ(both.startButton()->text(), QStringLiteral("开始"));
    pick(*both.mediaTile(), media);
    pick(*both.transcriptTile(), text);
    pick(*only.mediaTile(), media);

    // Not logged in: only the log-in window is asked for, whatever is chosen.
    both.startButton()->click();
    only.startButton()->click();
    EXPECT_EQ(login.count(), 2);
    EXPECT_EQ(request.count(), 0);
    EXPECT_TRUE(boxTexts.isEmpty());
    EXPECT_FALSE(currentProject().recognitionMode);

    loginState().loggedIn = true;
    both.clear();
    only.clear();
    both.startButton()->click();
    only.startButton()->click();
    pick(*both.mediaTile(), media);
    both.startButton()->click();
    EXPECT_EQ(boxTexts, QStringList({QStringLiteral("请先选择媒体文件！"), QStringLiteral("请先选择媒体文件！"),
                                     QStringLiteral("请先选择文本文件！")}));
    EXPECT_EQ(request.count(), 0);

    pick(*both.transcriptTile(), text);
    both.startButton()->click();
    ASSERT_EQ(request.count(), 1);
    EXPECT_EQ(request[0], QVariantList({media, text}));
    EXPECT_FALSE(currentProject().recognitionMode);

    pick(*only.mediaTile(), media);
    only.startButton()->click();
    ASSERT_EQ(request.count(), 2);
    EXPECT_EQ(request[1], QVariantList({media, QString()}));
    EXPECT_TRUE(currentProject().recognitionMode);
    EXPECT_EQ(login.count(), 2);
}

TEST_F(StartPageTaskTest, ChooserTilesOpenClearedTaskPagesAndReturnBringsTheChooserBack)
{
    ProjectContentWidget content;
    content.show();
    QSignalSpy batch(SignalProxy::instance(), QOverload<int, int>::of(&SignalProxy::signal_clickTab));
    auto *heading = content.findChild<QLabel *>(QStringLiteral("label_Quickstart"));
    ASSERT_TRUE(heading);

    clickTile(content.chooser(), "widget_Type1");
    EXPECT_EQ(content.taskStack()->currentWidget(), content.videoSrtPage());
    // Every control of both pages is named for screen readers.
    const QList<QWidget *> pages{content.videoSrtPage(), content.videoOnlyPage()};
    for (QWidget *page : pages) {
        for (QWidget *control : page->findChildren<QWidget *>()) {
            if (!qobject_cast<QAbstractButton *>(control) && !qobject_cast<FileSelectWidget *>(control))
                continue;
            QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(control);
            ASSERT_TRUE(accessible);
            EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty()) << control->objectName().toStdString();
        }
    }
    EXPECT_TRUE(content.returnButton()->isVisible());
    EXPECT_FALSE(heading->isVisible());
    pick(*content.videoSrtPage()->mediaTile(), existing(QStringLiteral("a.mp4")));

    // Back and in again: the page starts empty.
    content.returnButton()->click();
    EXPECT_EQ(content.taskStack()->currentWidget(), content.chooser());
    EXPECT_FALSE(content.returnButton()->isVisible());
    EXPECT_TRUE(heading->isVisible());
    clickTile(content.chooser(), "widget_Type1");
    EXPECT_TRUE(content.videoSrtPage()->mediaTile()->filePath().isEmpty());

    content.returnButton()->click();
    clickTile(content.chooser(), "widget_Type2");
    EXPECT_EQ(content.taskStack()->currentWidget(), content.videoOnlyPage());
    content.returnButton()->click();
    clickTile(content.chooser(), "widget_Type3");
    ASSERT_EQ(batch.count(), 1);
    EXPECT_EQ(batch[0], QVariantList({4, 0}));
    EXPECT_EQ(content.taskStack()->currentWidget(), content.chooser());
}

TEST_F(StartPageTaskTest, OverlongTranscriptLineStopsBeforeTheEditorWithNothingOpen)
{
    CotentWidget window;
    loginState().loggedIn = true;
    QSignalSpy alignment(SignalProxy::instance(), &SignalProxy::signal_NoticeAutoalignment);
    const QString media = existing(QStringLiteral("talk.wav"));
    const QString text = workFile(QStringLiteral("long.txt"));
    writeFile(text, "short line\r\n" + QByteArray(1000, 'a') + "\r\n");

    emit SignalProxy::instance()->signal_RequestAutoalignment(media, text);

    EXPECT_EQ(boxTexts,
              QStringList{QStringLiteral("字幕文本中存在行内容过长，需作断行处理，然后重新开始！")});
    EXPECT_EQ(window.currentPage(), 1);
    EXPECT_EQ(alignment.count(), 0);
    EXPECT_TRUE(currentSubtitleList().isEmpty());
    EXPECT_FALSE(currentProject().lineTooLong);
    EXPECT_FALSE(currentProject().isOpen());
    EXPECT_FALSE(currentProject().taskRunning);
    EXPECT_FALSE(window.mainWidget()->progressWidget()->isJobRunning());
}
