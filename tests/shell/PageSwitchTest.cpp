// Changing pages and closing the program from the editor.
#include "ShellFixture.h"

#include "shell/CotentWidget.h"
#include "base/CurrentProject.h"
#include "shell/MainTitleWidget.h"
#include "shell/MainWidget.h"
#include "shell/MoreOperate.h"
#include "shell/ProjectContentWidget.h"
#include "shell/ProjectTitleWidget.h"
#include "base/SignalProxy.h"
#include "base/WindowDragger.h"
#include "shell/StatusWidget.h"
#include "shell/SubtitleProjectPage.h"
#include "shell/TitleBarWidget.h"
#include "subtitle/SubtitleList.h"
#include "views/BottomToolWidget.h"

#include <QLabel>
#include <QSignalSpy>
#include <QToolButton>

namespace {

class PageSwitchTest : public ShellFixture
{
protected:
    void openProjectInEditor(CotentWidget &window)
    {
        emit SignalProxy::instance()->signal_NoticeNewProject();
        emit SignalProxy::instance()->signal_SelectMediafile(workFile(QStringLiteral("talk.mp4")));
        SubtitleEntry entry;
        entry.text = "hello";
        currentSubtitleList().append(entry);
        ASSERT_EQ(window.currentPage(), 2);
        ASSERT_TRUE(currentProject().isOpen());
    }
};

const QString kNoExportNotice = QStringLiteral("当前工程字幕未保存或不存在，请先保存srt格式字幕文件再进行压制，"
                                               "或者自行手动添加现有字幕文件！");
const QString kSavePrompt = QStringLiteral("您正在关闭当前工程，请确认在关闭前是否保存？");

} // namespace

TEST_F(PageSwitchTest, WithoutAnOpenProjectPagesChangeWithoutAsking)
{
    CotentWidget window;
    for (int page : {2, 3, 4, 2, 1}) {
        window.statusWidget()->tabButton(page)->click();
        EXPECT_EQ(window.currentPage(), page);
        EXPECT_EQ(window.statusWidget()->highlightedTab(), page);
    }
    EXPECT_TRUE(boxTexts.isEmpty());
}

TEST_F(PageSwitchTest, SavePromptAnswersDecideTheSwitch)
{
    struct Case
    {
        const char *name;
        ModalSeam::Answer answer;
        QString saveTo;   // file chooser answer when saving
        int wantPage;
        bool wantOpen;    // project still open afterwards
        bool wantSaved;
    };
    const Case cases[] = {
        {"cancel keeps the editor", ModalSeam::Answer::No, QString(), 2, true, false},
        {"don't save switches and clears", ModalSeam::Answer::Cancel, QString(), 1, false, false},
        {"save switches after saving", ModalSeam::Answer::Ok, QStringLiteral("saved.cwpro"), 1, false, true},
        {"save with a cancelled dialog keeps the editor", ModalSeam::Answer::Ok, QString(), 2, true, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        boxTexts.clear();
        CotentWidget window;
        openProjectInEditor(window);
        QSignalSpy cleared(SignalProxy::instance(), &SignalProxy::siganal_ClearDate);
        boxAnswers = {c.answer};
        fileAnswers = {c.saveTo.isEmpty() ? QString() : workFile(c.saveTo)};

        window.statusWidget()->tabButton(1)->click();

        ASSERT_EQ(boxTexts.size(), 1);
        EXPECT_EQ(boxTexts[0], kSavePrompt);
        EXPECT_EQ(window.currentPage(), c.wantPage);
        EXPECT_EQ(window.statusWidget()->highlightedTab(), c.wantPage);
        EXPECT_EQ(currentProject().isOpen(), c.wantOpen);
        EXPECT_EQ(currentSubtitleList().isEmpty(), !c.wantOpen);
        EXPECT_EQ(cleared.count() > 0, !c.wantOpen);
        EXPECT_EQ(QFile::exists(workFile(QStringLiteral("saved.cwpro"))), c.wantSaved);
        QFile::remove(workFile(QStringLiteral("saved.cwpro")));
    }
}

TEST_F(PageSwitchTest, RunningTaskRefusesLeavingAndClosing)
{
    CotentWidget window;
    openProjectInEditor(window);
    currentProject().taskRunning = true;

    window.statusWidget()->tabButton(3)->click();
    EXPECT_EQ(window.currentPage(), 2);
    EXPECT_EQ(window.statusWidget()->highlightedTab(), 2);
    ASSERT_EQ(boxTexts.size(), 1);
    EXPECT_EQ(boxTexts[0], QStringLiteral("当前任务正在进行中，并已经扣费，请您等待任务处理结束！"));

    // Title-bar job buttons are refused too.
    QSignalSpy recognition(SignalProxy::instance(), &SignalProxy::signal_NoticeVoiceRecognition);
    window.mainWidget()->titleWidget()->button(QStringLiteral("voicerecog"))->click();
    EXPECT_EQ(recognition.count(), 0);

    boxTexts.clear();
    boxAnswers = {ModalSeam::Answer::Cancel}; // "继续处理"
    EXPECT_FALSE(window.mainWidget()->closeApplication());
    ASSERT_EQ(boxTexts.size(), 1);
    EXPECT_EQ(boxTitles.last(), QStringLiteral("请确认操作"));
    EXPECT_TRUE(currentProject().taskRunning);
}

TEST_F(PageSwitchTest, ClosingAsksToSaveOnlyWhenAProjectIsOpen)
{
    CotentWidget window;
    window.statusWidget()->tabButton(2)->click();
    EXPECT_TRUE(window.mainWidget()->closeApplication());
    EXPECT_TRUE(boxTexts.isEmpty());

    openProjectInEditor(window);
    boxAnswers = {ModalSeam::Answer::No};
    EXPECT_FALSE(window.mainWidget()->closeApplication());
    boxAnswers = {ModalSeam::Answer::Ok};
    fileAnswers = {QString()}; // save dialog cancelled: keep running
    EXPECT_FALSE(window.mainWidget()->closeApplication());
    boxAnswers = {ModalSeam::Answer::Cancel};
    EXPECT_TRUE(window.mainWidget()->closeApplication());
    EXPECT_EQ(boxTexts.size(), 3);
}

TEST_F(PageSwitchTest, BurnButtonHandsOverWithoutTheLeaveCheck)
{
    CotentWidget window;
    openProjectInEditor(window);
    QSignalSpy tabs(SignalProxy::instance(), QOverload<int, int>::of(&SignalProxy::signal_clickTab));
    // Not while a job runs: its result must land in this editor.
    currentProject().taskRunning = true;
    window.mainWidget()->titleWidget()->button(QStringLiteral("repress"))->click();
    EXPECT_EQ(tabs.count(), 0);
    EXPECT_EQ(window.currentPage(), 2);
    currentProject().taskRunning = false;

    window.mainWidget()->titleWidget()->button(QStringLiteral("repress"))->click();
    ASSERT_EQ(tabs.count(), 1);
    EXPECT_EQ(tabs[0][0].toInt(), 3);
    EXPECT_EQ(tabs[0][1].toInt(), 1);
    EXPECT_EQ(window.currentPage(), 3);
    // No leave question; only the burn page's note that nothing was exported.
    EXPECT_EQ(boxTexts, QStringList{kNoExportNotice});
    EXPECT_TRUE(currentProject().isOpen());
}

TEST_F(PageSwitchTest, TabNamesAndDragZone)
{
    EXPECT_EQ(StatusWidget::tabNumberForName(QStringLiteral("toolButton_Tab1")), 1);
    EXPECT_EQ(StatusWidget::tabNumberForName(QStringLiteral(" toolbutton_tab3 ")), 3);
    EXPECT_EQ(StatusWidget::tabNumberForName(QStringLiteral("something")), 4);
    EXPECT_TRUE(WindowDragger::titleBarGrabs(0, 1280));
    EXPECT_TRUE(WindowDragger::titleBarGrabs(1109, 1280));
    EXPECT_FALSE(WindowDragger::titleBarGrabs(1110, 1280));
    EXPECT_EQ(SubtitleProjectPage::popupPosition(QPoint(1000, 10), 220), QPoint(906, 42));
    EXPECT_EQ(MainWidget::bottomToolPosition(QRect(0, 0, 1920, 1080), QSize(114, 30)), QPoint(1467, 787));
}

TEST_F(PageSwitchTest, DraggingTheTitleBarMovesWindowAndToolStrip)
{
    CotentWidget window;
    window.move(100, 100);
    window.statusWidget()->tabButton(2)->click();
    BottomToolWidget *tool = window.mainWidget()->bottomToolWidget();
    const QPoint toolBefore = tool->pos();
    emit SignalProxy::instance()->signal_moveWidget(15, -5);
    EXPECT_EQ(window.pos(), QPoint(115, 95));
    EXPECT_EQ(tool->pos(), toolBefore + QPoint(15, -5));
}

TEST_F(PageSwitchTest, MorePopupLabelsAreTheExactTexts)
{
    MoreOperate more;
    QStringList texts;
    for (const QLabel *label : more.findChildren<QLabel *>())
        texts << label->text();
    EXPECT_EQ(texts, (QStringList{QStringLiteral("操作手册"), QStringLiteral("访问网站"), QStringLiteral("帮助"),
                                  QStringLiteral("检查更新")}));
}

TEST_F(PageSwitchTest, ClosingFromTheStartPageAsksWhileAProjectIsStillOpen)
{
    CotentWidget window;
    window.projectPage()->titleWidget()->button(QStringLiteral("close"))->click();
    EXPECT_TRUE(boxTexts.isEmpty()); // nothing open: ends at once

    // The burn hand-over keeps the project open behind the start page.
    openProjectInEditor(window);
    window.mainWidget()->titleWidget()->button(QStringLiteral("repress"))->click();
    window.statusWidget()->tabButton(1)->click();
    ASSERT_EQ(window.currentPage(), 1);
    ASSERT_EQ(boxTexts, QStringList{kNoExportNotice});
    boxTexts.clear();

    boxAnswers = {ModalSeam::Answer::No}; // "取消"
    window.projectPage()->titleWidget()->button(QStringLiteral("close"))->click();
    ASSERT_EQ(boxTexts.size(), 1);
    EXPECT_EQ(boxTexts[0], kSavePrompt);
    EXPECT_TRUE(currentProject().isOpen());

    // A close from the window system takes the same road.
    boxAnswers = {ModalSeam::Answer::No};
    EXPECT_FALSE(window.close());
    EXPECT_EQ(boxTexts.size(), 2);
    boxAnswers = {ModalSeam::Answer::Cancel}; // "不保存"
    EXPECT_TRUE(window.close());
    EXPECT_EQ(boxTexts.size(), 3);
}

TEST_F(PageSwitchTest, TabButtonsShowTheirImagesUnscaled)
{
    StatusWidget status;
    const QSize image = QPixmap(QStringLiteral(":/image/bottom/one_normal.png")).size();
    for (int tab = 1; tab <= 4; ++tab)
        EXPECT_EQ(status.tabButton(tab)->size(), image) << tab;
}

TEST_F(PageSwitchTest, NewOrOpenedProjectAsksBeforeReplacingOneLeftOpen)
{
    CotentWidget window;
    openProjectInEditor(window);
    window.mainWidget()->titleWidget()->button(QStringLiteral("repress"))->click();
    window.statusWidget()->tabButton(1)->click();
    boxTexts.clear(); // the burn page's note that nothing was exported
    ProjectContentWidget *content = window.projectPage()->contentWidget();

    boxAnswers = {ModalSeam::Answer::No, ModalSeam::Answer::No}; // "取消" twice
    content->slot_clickNewButton();
    content->slot_clickOpenButton();
    EXPECT_EQ(boxTexts, (QStringList{kSavePrompt, kSavePrompt}));
    EXPECT_TRUE(fileRequests.isEmpty());
    EXPECT_EQ(window.currentPage(), 1);
    EXPECT_TRUE(currentProject().isOpen());

    boxAnswers = {ModalSeam::Answer::Cancel}; // "不保存"
    content->slot_clickNewButton();
    EXPECT_EQ(window.currentPage(), 2);
    EXPECT_FALSE(currentProject().isOpen());

    // Nothing open: no question.
    window.statusWidget()->tabButton(1)->click();
    boxTexts.clear();
    content->slot_clickNewButton();
    EXPECT_TRUE(boxTexts.isEmpty());
    EXPECT_EQ(window.currentPage(), 2);
}
