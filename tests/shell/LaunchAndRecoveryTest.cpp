// Files named on the command line, and bringing back work after a crash.
#include "ShellFixture.h"

#include "base/CurrentProject.h"
#include "base/SignalProxy.h"
#include "project/XmlOperate.h"
#include "shell/CotentWidget.h"
#include "shell/LaunchArguments.h"
#include "shell/RecoveryOffer.h"
#include "subtitle/RecoverySession.h"
#include "subtitle/SubtitleList.h"
#include "subtitle/SubtitleWriters.h"

#include <QSignalSpy>

using LaunchAndRecoveryTest = ShellFixture;

TEST_F(LaunchAndRecoveryTest, TheNamedFileDecidesWhatOpens)
{
    EXPECT_EQ(launchFileArgument({"cuewright"}), QString());
    EXPECT_EQ(launchFileArgument({"cuewright", "--reverse", "", "talk.srt", "other.srt"}), QStringLiteral("talk.srt"));

    for (const char *name : {"a.srt", "b.TXT", "c.cwpro", "d.mp4", "e"})
        writeFile(workFile(QLatin1String(name)), "x");
    EXPECT_EQ(launchKind(QString()), LaunchKind::Nothing);
    EXPECT_EQ(launchKind(workFile("a.srt")), LaunchKind::Subtitles);
    EXPECT_EQ(launchKind(workFile("b.TXT")), LaunchKind::Subtitles);
    EXPECT_EQ(launchKind(workFile("c.cwpro")), LaunchKind::Project);
    EXPECT_EQ(launchKind(workFile("d.mp4")), LaunchKind::Media);
    EXPECT_EQ(launchKind(workFile("e")), LaunchKind::Media);
    EXPECT_EQ(launchKind(workFile("gone.srt")), LaunchKind::Missing);
    EXPECT_EQ(launchKind(m_work.path()), LaunchKind::Missing); // a folder is no file
}

TEST_F(LaunchAndRecoveryTest, LaunchingWithAFileOpensItWhereItBelongs)
{
    CotentWidget window;
    QSignalSpy subtitles(SignalProxy::instance(), &SignalProxy::signal_SelectTxtfile);
    QSignalSpy media(SignalProxy::instance(), &SignalProxy::signal_SelectMediafile);

    const QString srt = workFile(QStringLiteral("talk.srt"));
    writeFile(srt, "1\r\n00:00:01,000 --> 00:00:02,000\r\nHi\r\n\r\n");
    openLaunchFile(window, srt);
    EXPECT_EQ(window.currentPage(), 2);
    ASSERT_EQ(subtitles.count(), 1);
    EXPECT_EQ(subtitles[0][0].toString(), srt);

    const QString video = workFile(QStringLiteral("lecture.mp4"));
    writeFile(video, "x");
    openLaunchFile(window, video);
    ASSERT_EQ(media.count(), 1);
    EXPECT_EQ(currentProject().mediaFilePath, video);
    EXPECT_EQ(window.currentPage(), 2);

    boxAnswers = {ModalSeam::Answer::Cancel}; // leave the media project without saving
    _ProjectSetting setting;
    setting.MultimediaFile = video;
    setting.WavFilePath = video;
    const QString project = workFile(QStringLiteral("lecture.cwpro"));
    ASSERT_TRUE(XmlOperate().WriteProjectSetting(project, setting));
    openLaunchFile(window, project);
    EXPECT_EQ(currentProject().projectFilePath, project);
    EXPECT_EQ(currentProject().projectList.size(), 1);

    boxTexts.clear();
    openLaunchFile(window, workFile(QStringLiteral("missing.srt")));
    ASSERT_EQ(boxTexts.size(), 1);
    EXPECT_TRUE(boxTexts[0].startsWith(QStringLiteral("文件不存在")));
}

TEST_F(LaunchAndRecoveryTest, WorkLeftByACrashIsOfferedOnceAndRestoredAsUnsaved)
{
    const QString folder = userFile(QStringLiteral("recovery"));
    SubtitleEntry entry;
    entry.startTime = secondsToTimeCode(1);
    entry.endTime = secondsToTimeCode(2);
    entry.text = "kept";
    {
        // A run that never ends cleanly leaves its copy behind.
        RecoverySession crashed(folder);
        ASSERT_TRUE(crashed.begin());
        ASSERT_TRUE(writeSrtFile({entry, entry}, crashed.copyPath(), QStringLiteral("UTF-8")));
    }

    struct Case
    {
        const char *name;
        ModalSeam::Answer answer;
        bool restored;
        bool copyKept;
    };
    const Case cases[] = {
        {"closing the box asks again next time", ModalSeam::Answer::No, false, true},
        {"restore", ModalSeam::Answer::Ok, true, true},
        {"discard", ModalSeam::Answer::Cancel, false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        currentSubtitleList().replaceDocument({});
        RecoverySession session(folder);
        ASSERT_TRUE(session.begin());
        ASSERT_TRUE(session.hasCopyFromUncleanExit());
        boxAnswers = {c.answer};
        EXPECT_EQ(offerRecovery(nullptr, session), c.restored);
        EXPECT_EQ(currentSubtitleList().size(), c.restored ? 2 : 0);
        EXPECT_EQ(QFileInfo::exists(session.copyPath()), c.copyKept);
        // Restored work is a new document: nothing to undo into.
        EXPECT_FALSE(currentSubtitleList().canUndo());
    }

    RecoverySession clean(folder);
    ASSERT_TRUE(clean.begin());
    EXPECT_FALSE(clean.hasCopyFromUncleanExit());
    clean.end();
}
