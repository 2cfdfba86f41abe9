// The version check on the start page against the stand-in's web host: the
// offer, the closing questions before the hand-over, and what the user is
// told when there is nothing to do or nothing can be done.

#include "ScriptedServer.h"
#include "ShellFixture.h"
#include "UpdateFixture.h"

#include "base/CurrentProject.h"
#include "base/MsgBox.h"
#include "project/Settings.h"
#include "shell/CotentWidget.h"
#include "shell/MoreOperate.h"
#include "shell/SubtitleProjectPage.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <sys/stat.h>

using cw::testing::LocalWebHost;

namespace {

const QString kQuestion = QStringLiteral("软件有新版本，是否更新？");
const QString kSavePrompt = QStringLiteral("您正在关闭当前工程，请确认在关闭前是否保存？");
const QByteArray kVersionRequest = "web GET /cuewright/update/version3.0.ini";

class VersionCheckFlow : public ShellFixture
{
protected:
    void SetUp() override
    {
        ShellFixture::SetUp();
        ASSERT_TRUE(web.start()) << web.log().toStdString();
        qputenv("CUEWRIGHT_WEB_HOST", web.url(QString()).toUtf8());
        writeSetting(SettingKeys::CheckUpdateAtStart, QStringLiteral("1"));
        // A stand-in updater that only records how it was started.
        QDir().mkpath(updaterFolder());
        writeFile(updaterFolder() + QStringLiteral("/patchling"),
                  "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/args.txt\"\n");
        ::chmod(QFile::encodeName(updaterFolder() + QStringLiteral("/patchling")).constData(), 0755);
    }
    void TearDown() override
    {
        qunsetenv("CUEWRIGHT_WEB_HOST");
        ShellFixture::TearDown();
    }

    QString updaterFolder() const { return workFile(QStringLiteral("program")); }
    QString archiveUrl() const { return web.url(QStringLiteral("/cuewright/update/Cuewright_v313.zip")); }
    void announce(const QByteArray &text)
    {
        writeFile(web.root() + QStringLiteral("/cuewright/update/version3.0.ini"), text);
    }
    void announceUpdate() { announce("version=313\nurl=" + archiveUrl().toUtf8() + "\n"); }
    std::unique_ptr<CotentWidget> startProgram()
    {
        auto window = std::make_unique<CotentWidget>();
        window->projectPage()->setUpdaterFolder(updaterFolder());
        return window;
    }
    bool waitForBoxes(int count, int ms = 10000)
    {
        QElapsedTimer clock;
        clock.start();
        while (boxTexts.size() < count && clock.elapsed() < ms)
            settle(20);
        return boxTexts.size() >= count;
    }
    QByteArray updaterArguments()
    {
        QElapsedTimer clock;
        clock.start();
        while (!QFile::exists(updaterFolder() + QStringLiteral("/args.txt")) && clock.elapsed() < 3000)
            settle(20);
        return readFile(updaterFolder() + QStringLiteral("/args.txt"));
    }
    int versionRequests() const { return web.log().toUtf8().count(kVersionRequest); }

    LocalWebHost web;
};

} // namespace

TEST_F(VersionCheckFlow, OfferedOnceShortlyAfterStartAndDeclined)
{
    announceUpdate();
    QString okText, cancelText;
    QSize size;
    ModalSeam::setBoxAnswerer([&](const MsgBox &box) {
        boxTexts << box.text();
        boxTitles << box.title();
        okText = box.okText();
        cancelText = box.cancelText();
        size = box.size();
        return ModalSeam::Answer::Cancel; // "下次吧"
    });
    auto window = startProgram();
    EXPECT_TRUE(window->projectPage()->versionCheckTimer()->isActive());
    ASSERT_TRUE(waitForBoxes(1));
    EXPECT_EQ(boxTitles, QStringList{QStringLiteral("软件更新")});
    EXPECT_EQ(boxTexts, QStringList{kQuestion});
    EXPECT_EQ(okText, QStringLiteral("好的"));
    EXPECT_EQ(cancelText, QStringLiteral("下次吧"));
    EXPECT_EQ(size, QSize(350, 160));
    EXPECT_FALSE(window->projectPage()->versionCheckTimer()->isActive());
    settle(1500);
    EXPECT_EQ(boxTexts.size(), 1);
    EXPECT_EQ(versionRequests(), 1);
    EXPECT_TRUE(updaterArguments().isEmpty());
}

TEST_F(VersionCheckFlow, AcceptingAsksTheClosingQuestionsBeforeTheUpdaterStarts)
{
    announceUpdate();
    auto window = startProgram();
    currentProject().mediaFilePath = workFile(QStringLiteral("talk.mp4"));
    boxAnswers = {ModalSeam::Answer::Ok, ModalSeam::Answer::No}; // "好的", then "取消"
    ASSERT_TRUE(waitForBoxes(2));
    EXPECT_EQ(boxTexts, (QStringList{kQuestion, kSavePrompt}));
    settle(300);
    EXPECT_TRUE(updaterArguments().isEmpty()); // no update this time
    EXPECT_TRUE(currentProject().isOpen());

    // "检查更新" asks again; "不保存" lets the program end for the updater.
    boxAnswers = {ModalSeam::Answer::Ok, ModalSeam::Answer::Cancel};
    emit window->projectPage()->moreOperate()->signal_checkUpdate();
    ASSERT_TRUE(waitForBoxes(4));
    EXPECT_EQ(boxTexts.mid(2), (QStringList{kQuestion, kSavePrompt}));
    EXPECT_EQ(updaterArguments(), archiveUrl().toUtf8() + "\n");
}

TEST_F(VersionCheckFlow, ARunningJobIsNotEndedForAnUpdateWithoutBeingAsked)
{
    announceUpdate();
    auto window = startProgram();
    currentProject().taskRunning = true;
    boxAnswers = {ModalSeam::Answer::Ok, ModalSeam::Answer::Cancel}; // "好的", then "继续处理"
    ASSERT_TRUE(waitForBoxes(2));
    EXPECT_EQ(boxTitles[1], QStringLiteral("请确认操作"));
    settle(300);
    EXPECT_TRUE(updaterArguments().isEmpty());
    EXPECT_TRUE(currentProject().taskRunning);
}

TEST_F(VersionCheckFlow, AnUpdaterThatCannotStartKeepsTheProgramAsItWas)
{
    announceUpdate();
    auto window = startProgram();
    window->projectPage()->setUpdaterFolder(workFile(QStringLiteral("no-program-here")));
    currentProject().mediaFilePath = workFile(QStringLiteral("talk.mp4"));
    boxAnswers = {ModalSeam::Answer::Ok, ModalSeam::Answer::Cancel, ModalSeam::Answer::Ok};
    ASSERT_TRUE(waitForBoxes(3));
    EXPECT_TRUE(boxTexts[2].startsWith(QStringLiteral("无法启动更新程序，本次不更新。"))) << boxTexts[2].toStdString();
    EXPECT_TRUE(currentProject().isOpen());
}

TEST_F(VersionCheckFlow, NotesAreShownAsTextAndBadAddressesAreNeverOffered)
{
    announce("version=313\nurl=" + archiveUrl().toUtf8() + "\nnotes=<b>更快</b> & 更稳\n");
    boxAnswers = {ModalSeam::Answer::Cancel};
    {
        auto window = startProgram();
        ASSERT_TRUE(waitForBoxes(1));
        EXPECT_EQ(boxTexts[0], kQuestion + QStringLiteral("<br><br>&lt;b&gt;更快&lt;/b&gt; &amp; 更稳"));
    }
    for (const QByteArray &url : {QByteArray(""), QByteArray("ftp://127.0.0.1/a.zip"), QByteArray("/a.zip")}) {
        announce("version=313\nurl=" + url + "\n");
        const int requests = versionRequests();
        auto window = startProgram();
        QElapsedTimer clock;
        clock.start();
        while (versionRequests() == requests && clock.elapsed() < 5000)
            settle(20);
        settle(300);
        EXPECT_EQ(boxTexts.size(), 1) << url.constData();
    }
}

TEST_F(VersionCheckFlow, TheStartUpCheckCanBeTurnedOffAndTheManualOneAlwaysAnswers)
{
    announce("version=312\nurl=" + archiveUrl().toUtf8() + "\n");
    auto window = startProgram();
    QElapsedTimer clock;
    clock.start();
    while (versionRequests() < 1 && clock.elapsed() < 5000)
        settle(20);
    MoreOperate *more = window->projectPage()->moreOperate();
    more->show();
    EXPECT_TRUE(more->checkAtStartBox()->isChecked());
    more->checkAtStartBox()->setChecked(false);
    EXPECT_EQ(readSetting(SettingKeys::CheckUpdateAtStart), QStringLiteral("0"));
    more->hide();

    auto second = startProgram(); // the next start
    settle(1500);
    EXPECT_EQ(versionRequests(), 1); // the first start's only
    EXPECT_TRUE(boxTexts.isEmpty());  // nothing new: the start-up check says nothing

    emit second->projectPage()->moreOperate()->signal_checkUpdate();
    ASSERT_TRUE(waitForBoxes(1));
    EXPECT_EQ(boxTexts[0], QStringLiteral("当前已是最新版本。"));
    QFile::remove(web.root() + QStringLiteral("/cuewright/update/version3.0.ini"));
    emit second->projectPage()->moreOperate()->signal_checkUpdate();
    ASSERT_TRUE(waitForBoxes(2));
    EXPECT_EQ(boxTexts[1], QStringLiteral("当前已是最新版本。")); // nothing published

    int deadPort = 0;
    {
        cw::testing::ScriptedServer gone;
        deadPort = gone.port();
    }
    qputenv("CUEWRIGHT_WEB_HOST", QByteArray("http://127.0.0.1:") + QByteArray::number(deadPort));
    emit second->projectPage()->moreOperate()->signal_checkUpdate();
    ASSERT_TRUE(waitForBoxes(3));
    EXPECT_EQ(boxTexts[2], QStringLiteral("检查更新失败，请检查网络后重试。"));
}
