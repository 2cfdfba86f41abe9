// Recognition and alignment jobs through the windows, against the real
// service: from the start page and from the editor, their progress texts,
// the hand-over of the result, and every failure with the user's subtitles
// kept.
#include "JobServiceFixture.h"

#include "base/CurrentProject.h"
#include "base/CustomProgressIndicator.h"
#include "base/LoginState.h"
#include "base/QLightBoxWidget.h"
#include "base/SignalProxy.h"
#include "shell/CotentWidget.h"
#include "shell/FileSelectWidget.h"
#include "shell/MainContentWidget.h"
#include "shell/MainTitleWidget.h"
#include "shell/MainWidget.h"
#include "shell/ProjectContentWidget.h"
#include "shell/SrtProgressWidget.h"
#include "shell/SrtThread.h"
#include "shell/StatusWidget.h"
#include "shell/SubtitleProjectPage.h"
#include "shell/VideoOnlyWidget.h"
#include "shell/VideoSrtWidget.h"
#include "subtitle/SubtitleList.h"
#include "views/BottomToolWidget.h"
#include "views/SrtListWidget.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

const QString Uploading = QStringLiteral("正在上传音频...");
const QString UploadingText = QStringLiteral("正在上传文本...");
const QString Generating = QStringLiteral("正在生成字幕...");
const QString AlignQuestion = QStringLiteral(
    "当前字幕已有时间轴信息，再次执行自动对齐，会清除现有时间轴数据，并应用服务器传回的新数据，是否继续?");
const QString RecogniseQuestion = QStringLiteral("当前字幕已有字幕和时间轴信息，再次执行语音识别，会清除现有字幕稿和"
                                                 "时间轴数据，并应用服务器传回的新数据，是否继续?");

// The hub signals a job's end is seen through, in the order they came.
class HubRecorder
{
public:
    HubRecorder()
    {
        SignalProxy *hub = SignalProxy::instance();
        QObject::connect(hub, &SignalProxy::signal_updateCurrentMediaName, &m_context,
                         [this] { events << QStringLiteral("mediaName"); });
        QObject::connect(hub, &SignalProxy::signal_noticeShowBottomtoolWidget, &m_context,
                         [this] { events << QStringLiteral("bottomTool"); });
        QObject::connect(hub, &SignalProxy::signal_StartEditSrt, &m_context, [this] {
            events << QStringLiteral("startEdit");
            startEditAt = clock.elapsed();
        });
        QObject::connect(hub, &SignalProxy::signal_startLoadwavfile, &m_context,
                         [this](const QString &path) { events << QStringLiteral("loadWave:") + path; });
        QObject::connect(hub, &SignalProxy::signal_noticeGenerateSrtError, &m_context,
                         [this] { events << QStringLiteral("error"); });
        QObject::connect(&currentSubtitleList(), &SubtitleList::changed, &m_context,
                         [this] { listChangedAt = clock.elapsed(); });
        clock.start();
    }

    QStringList events;
    QElapsedTimer clock;
    qint64 startEditAt = -1;
    qint64 listChangedAt = -1;

private:
    QObject m_context;
};

// What the panel showed, each text once, in order.
class PanelRecorder
{
public:
    explicit PanelRecorder(SrtProgressWidget *panel)
    {
        QObject::connect(panel, &SrtProgressWidget::signal_progressShown, &m_context,
                         [this](const QString &text, int percent) {
                             if (texts.isEmpty() || texts.last() != text)
                                 texts << text;
                             percents << percent;
                         });
    }

    // The conversion's texts, checked and taken off the front.
    QStringList withoutConversion(int *conversionTexts) const
    {
        static const QRegularExpression conversion(QStringLiteral("^正在提取音频\\.\\.\\. \\d{1,3}%$"));
        QStringList rest = texts;
        *conversionTexts = 0;
        while (!rest.isEmpty() && rest.first().startsWith(QStringLiteral("正在提取音频"))) {
            EXPECT_TRUE(conversion.match(rest.first()).hasMatch()) << rest.first().toStdString();
            rest.removeFirst();
            ++*conversionTexts;
        }
        return rest;
    }

    QStringList texts;
    QVector<int> percents;

private:
    QObject m_context;
};

class JobFlowTest : public JobServiceFixture
{
protected:
    static MainWidget *editor(CotentWidget &window) { return window.mainWidget(); }
    static SrtProgressWidget *panel(CotentWidget &window) { return window.mainWidget()->progressWidget(); }
    static bool lightBoxShown(CotentWidget &window)
    {
        return editor(window)->lightBox()->isVisibleTo(editor(window));
    }

    bool waitForJobEnd(CotentWidget &window)
    {
        return waitUntil([&window] { return !panel(window)->isJobRunning(); }, 120000);
    }

    // An editor with the media chosen and the user's own timed subtitles.
    void openEditorWith(CotentWidget &window, const QString &media, const QString &transcript)
    {
        emit SignalProxy::instance()->signal_NoticeNewProject();
        QSignalSpy waveform(SignalProxy::instance(), &SignalProxy::signal_loadwavefileFinished);
        emit SignalProxy::instance()->signal_SelectMediafile(media);
        currentProject().subtitleFilePath = transcript;
        currentSubtitleList().replaceDocument(userEntries());
        ASSERT_EQ(window.currentPage(), 2);
        ASSERT_EQ(currentProject().mediaFilePath, media);
        // The waveform records its WAV when it is ready; forget it, so what
        // a job records is what the tests see.
        ASSERT_TRUE(waveform.count() > 0 || waveform.wait(30000));
        currentProject().wavFilePath.clear();
    }

    void expectTranscriptAligned()
    {
        const SubtitleEntries entries = currentSubtitleList().snapshot();
        ASSERT_EQ(entries.size(), material().sentences);
        qint32 previousEnd = 0;
        for (int i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(QString::fromLatin1(entries[i].text), material().lines[i]);
            EXPECT_GE(timeCodeToMilliseconds(entries[i].startTime), previousEnd);
            EXPECT_GT(timeCodeToMilliseconds(entries[i].endTime), timeCodeToMilliseconds(entries[i].startTime));
            previousEnd = timeCodeToMilliseconds(entries[i].endTime);
        }
    }

    // The editor after a successful job: the panel gone, the flags down,
    // the four signals in order.
    void expectEditorOpenedOnResult(CotentWidget &window, const HubRecorder &hub, const QString &media)
    {
        EXPECT_EQ(hub.events, QStringList({QStringLiteral("mediaName"), QStringLiteral("bottomTool"),
                                           QStringLiteral("startEdit"), QStringLiteral("loadWave:") + media}));
        EXPECT_FALSE(lightBoxShown(window));
        EXPECT_FALSE(currentProject().taskRunning);
        EXPECT_FALSE(currentProject().recognitionMode);
        EXPECT_FALSE(editor(window)->bottomToolWidget()->isHidden());
        EXPECT_FALSE(window.mainWidget()->contentWidget()->srtListWidget()->showsEmptyState());
        EXPECT_EQ(panel(window)->bar()->value(), 100);
        EXPECT_TRUE(QFileInfo(currentProject().wavFilePath).isFile()) << currentProject().wavFilePath.toStdString();
    }
};

SubtitleEntries untimed(int count)
{
    SubtitleEntries entries;
    for (int i = 0; i < count; ++i) {
        SubtitleEntry entry;
        entry.number = i + 1;
        entry.startTime = millisecondsToTimeCode(999);
        entry.endTime = millisecondsToTimeCode(999);
        entry.text = "line";
        entries.append(entry);
    }
    return entries;
}

} // namespace

TEST_F(JobFlowTest, AlignmentFromTheStartPageConvertsUploadsAndOpensTheEditor)
{
    CotentWidget window;
    logIn();
    const QString media = copyOf(material().mp3, QStringLiteral("talk.mp3"));
    const QString transcript = copyOf(material().transcript, QStringLiteral("talk.txt"));
    ProjectContentWidget *start = window.projectPage()->contentWidget();
    start->slot_SwitchSrtPage(1);
    fileAnswers = {media, transcript};
    QTest::mouseClick(start->videoSrtPage()->mediaTile(), Qt::LeftButton);
    QTest::mouseClick(start->videoSrtPage()->transcriptTile(), Qt::LeftButton);
    HubRecorder hub;
    PanelRecorder shown(panel(window));
    // The GUI thread stays free: a timer keeps ticking through the job.
    QElapsedTimer sinceTick;
    sinceTick.start();
    qint64 longestGap = 0;
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        longestGap = qMax(longestGap, sinceTick.restart());
    });
    heartbeat.start(20);

    start->videoSrtPage()->startButton()->click();

    EXPECT_EQ(window.currentPage(), 2);
    EXPECT_TRUE(lightBoxShown(window));
    EXPECT_TRUE(editor(window)->bottomToolWidget()->isHidden());
    EXPECT_TRUE(editor(window)->lightBoxCloseButton()->isHidden());
    EXPECT_TRUE(currentProject().taskRunning);
    EXPECT_FALSE(currentProject().recognitionMode);
    EXPECT_EQ(currentProject().mediaFilePath, media);
    // The transcript is in the list as loaded, without times, so nothing was asked.
    EXPECT_EQ(currentSubtitleList().size(), material().sentences);
    EXPECT_TRUE(panel(window)->isVisibleTo(editor(window)));
    EXPECT_TRUE(panel(window)->indicator()->isVisibleTo(editor(window)));
    EXPECT_TRUE(panel(window)->indicator()->isAnimated());
    ASSERT_TRUE(waitForJobEnd(window));
    heartbeat.stop();

    EXPECT_TRUE(boxTexts.isEmpty()) << boxTexts.join('|').toStdString();
    int conversionTexts = 0;
    EXPECT_EQ(shown.withoutConversion(&conversionTexts), QStringList({Uploading, UploadingText, Generating}));
    EXPECT_GE(conversionTexts, 1);
    expectTranscriptAligned();
    expectEditorOpenedOnResult(window, hub, media);
    EXPECT_TRUE(currentProject().wavFilePath.startsWith(currentProject().tempFolder + QLatin1Char('/')));
    EXPECT_FALSE(panel(window)->indicator()->isTurning());
    EXPECT_LT(longestGap, 1000);
    // The player shows the medium the start page chose.
    EXPECT_EQ(editor(window)->contentWidget()->shownMediaName(), QFileInfo(media).fileName());
}

TEST_F(JobFlowTest, EditorStartsAskBeforeReplacingAndRunTheirOwnKind)
{
    CotentWidget window;
    logIn();
    const QString media = copyOf(material().wav, QStringLiteral("talk.wav"));
    const QString transcript = copyOf(material().transcript, QStringLiteral("talk.txt"));
    openEditorWith(window, media, transcript);
    SignalProxy *hub = SignalProxy::instance();

    // Cancelled questions start nothing and change nothing.
    boxAnswers = {ModalSeam::Answer::Cancel, ModalSeam::Answer::Cancel};
    emit hub->signal_NoticeAutoalignment();
    emit hub->signal_NoticeVoiceRecognition();
    EXPECT_EQ(boxTexts, QStringList({AlignQuestion, RecogniseQuestion}));
    EXPECT_EQ(boxTitles, QStringList({QStringLiteral("请确认操作"), QStringLiteral("请确认操作")}));
    EXPECT_FALSE(panel(window)->isJobRunning());
    EXPECT_FALSE(currentProject().taskRunning);
    EXPECT_EQ(currentSubtitleList().snapshot(), userEntries());

    // Start times under a second: alignment starts without asking.
    boxTexts.clear();
    currentSubtitleList().replaceDocument(untimed(3));
    PanelRecorder aligned(panel(window));
    emit hub->signal_NoticeAutoalignment();
    EXPECT_TRUE(boxTexts.isEmpty());
    EXPECT_TRUE(panel(window)->isJobRunning());
    ASSERT_TRUE(waitForJobEnd(window));
    EXPECT_EQ(aligned.texts, QStringList({Uploading, UploadingText, Generating}));
    expectTranscriptAligned();

    // Recognition with a transcript still attached: asked, and run as a
    // recognition all the same (no transcript is sent).
    boxAnswers = {ModalSeam::Answer::Ok};
    PanelRecorder recognised(panel(window));
    emit hub->signal_NoticeVoiceRecognition();
    EXPECT_EQ(boxTexts, QStringList{RecogniseQuestion});
    EXPECT_TRUE(currentProject().recognitionMode);
    ASSERT_TRUE(waitForJobEnd(window));
    EXPECT_EQ(recognised.texts, QStringList({Uploading, Generating}));
    EXPECT_FALSE(currentProject().recognitionMode);
    EXPECT_FALSE(currentProject().taskRunning);
    // Recognised text belongs to no file the user opened, so the autosave
    // can never write it over one.
    EXPECT_TRUE(currentProject().subtitleFilePath.isEmpty());
}

TEST_F(JobFlowTest, FailuresShowTheirMessageAndKeepTheUsersSubtitles)
{
    CotentWidget window;
    const QString media = copyOf(material().wav, QStringLiteral("talk.wav"));
    const QString transcript = copyOf(material().transcript, QStringLiteral("talk.txt"));
    SignalProxy *hub = SignalProxy::instance();
    QSignalSpy login(hub, &SignalProxy::signal_noticeShowLoginWidget);

    // Refused before any job.
    openEditorWith(window, media, transcript);
    emit hub->signal_NoticeAutoalignment();
    emit hub->signal_NoticeVoiceRecognition();
    EXPECT_EQ(login.count(), 2);
    EXPECT_TRUE(boxTexts.isEmpty());
    logIn();
    currentProject().subtitleFilePath.clear();
    emit hub->signal_NoticeAutoalignment();
    currentProject().mediaFilePath.clear();
    emit hub->signal_NoticeAutoalignment();
    emit hub->signal_NoticeVoiceRecognition();
    EXPECT_EQ(boxTexts, QStringList({QStringLiteral("请先选择文本文件！"), QStringLiteral("请先选择媒体文件！"),
                                     QStringLiteral("请先选择媒体文件！")}));
    EXPECT_FALSE(panel(window)->isJobRunning());
    EXPECT_FALSE(currentProject().taskRunning);

    struct Case
    {
        const char *name;
        bool recognition;
        std::function<void()> prepare;
        QString message;
        bool stopServiceWhileGenerating = false;
    };
    const QString gone = workFile(QStringLiteral("gone.wav"));
    const Case cases[] = {
        {"balance too low", true, [this] { logIn(PoorUser); }, QStringLiteral("您的账户余额不足，请及时充值")},
        {"invalid session", false,
         [] { loginState().sessionId = QStringLiteral("0123456789abcdef0123456789abcdef"); },
         QStringLiteral("发送网络数据包错误")},
        {"media gone from disk", false, [&gone] { currentProject().mediaFilePath = gone; },
         QStringLiteral("找不到媒体文件：") + gone},
        {"service stopped mid-job", true, [] {}, QStringLiteral("读取网络数据包错误"), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        logIn();
        currentProject().mediaFilePath = media;
        currentProject().subtitleFilePath = transcript;
        currentProject().wavFilePath.clear();
        currentSubtitleList().replaceDocument(userEntries());
        c.prepare();
        HubRecorder events;
        bool stopped = false;
        QObject context;
        QObject::connect(panel(window), &SrtProgressWidget::signal_progressShown, &context,
                         [&](const QString &text) {
                             if (c.stopServiceWhileGenerating && text == Generating && !stopped) {
                                 stopped = true;
                                 service->kill();
                             }
                         });
        boxTexts.clear();
        // The question before replacing the subtitles is answered "确认".
        if (c.recognition)
            emit hub->signal_NoticeVoiceRecognition();
        else
            emit hub->signal_NoticeAutoalignment();
        EXPECT_EQ(boxTexts, QStringList{c.recognition ? RecogniseQuestion : AlignQuestion});
        EXPECT_EQ(currentProject().recognitionMode, c.recognition);
        ASSERT_TRUE(waitForJobEnd(window));

        EXPECT_EQ(c.stopServiceWhileGenerating, stopped);
        EXPECT_EQ(panel(window)->label()->text(), c.message);
        EXPECT_EQ(events.events, QStringList{QStringLiteral("error")});
        EXPECT_EQ(currentSubtitleList().snapshot(), userEntries());
        EXPECT_TRUE(currentProject().wavFilePath.isEmpty());
        EXPECT_TRUE(lightBoxShown(window));
        EXPECT_FALSE(editor(window)->lightBoxCloseButton()->isHidden());
        EXPECT_FALSE(panel(window)->indicator()->isAnimated());
        EXPECT_FALSE(currentProject().recognitionMode);
        // Still refused until the message is dismissed.
        EXPECT_TRUE(currentProject().taskRunning);

        editor(window)->lightBoxCloseButton()->click();
        EXPECT_FALSE(lightBoxShown(window));
        EXPECT_FALSE(currentProject().taskRunning);
        EXPECT_FALSE(editor(window)->bottomToolWidget()->isHidden());
        settle(250);
        EXPECT_EQ(events.events, QStringList{QStringLiteral("error")});
    }
}

// The service's "finished" comes before the worker has read the result;
// the editor must not switch on it, however slow the worker is.
TEST_F(JobFlowTest, TheEditorSwitchesOnlyOnceTheResultHasArrived)
{
    CotentWidget window;
    logIn();
    const QString media = copyOf(material().wav, QStringLiteral("talk.wav"));
    const QString transcript = copyOf(material().transcript, QStringLiteral("talk.txt"));
    openEditorWith(window, media, transcript);
    SrtThread::setHandOverDelayForTests(1200);
    HubRecorder hub;
    PanelRecorder shown(panel(window));

    emit SignalProxy::instance()->signal_NoticeAutoalignment();
    ASSERT_TRUE(waitUntil([&shown] { return shown.percents.contains(100); }, 120000));
    // Well past the 200 ms pause, with the result still held back.
    settle(600);
    EXPECT_TRUE(hub.events.isEmpty());
    EXPECT_TRUE(lightBoxShown(window));
    EXPECT_TRUE(currentProject().taskRunning);
    EXPECT_EQ(currentSubtitleList().snapshot(), userEntries());
    EXPECT_TRUE(currentProject().wavFilePath.isEmpty());
    // Nor can the panel be closed over a job that is still running.
    boxTexts.clear();
    editor(window)->slot_closeLightBox();
    EXPECT_EQ(boxTexts, QStringList{QStringLiteral("当前任务正在进行中，并已经扣费，请您等待任务处理结束！")});
    EXPECT_TRUE(lightBoxShown(window));
    EXPECT_TRUE(currentProject().taskRunning);

    ASSERT_TRUE(waitForJobEnd(window));
    expectTranscriptAligned();
    expectEditorOpenedOnResult(window, hub, media);
    ASSERT_GE(hub.listChangedAt, 0);
    EXPECT_GE(hub.startEditAt - hub.listChangedAt, SrtProgressWidget::CompletionDelayMs - 10);
}

// A project still open behind the start page (left through the burn page)
// is not replaced without the editor's leave question; then the media-only
// page runs a recognition.
TEST_F(JobFlowTest, RecognitionFromTheStartPageAsksBeforeReplacingAnOpenProject)
{
    CotentWidget window;
    logIn();
    const QString old = copyOf(material().wav, QStringLiteral("old.wav"));
    const QString media = copyOf(material().wav, QStringLiteral("new.wav"));
    openEditorWith(window, old, QString());
    editor(window)->titleWidget()->button(QStringLiteral("repress"))->click();
    window.statusWidget()->tabButton(1)->click();
    ASSERT_EQ(window.currentPage(), 1);
    ASSERT_EQ(boxTexts.size(), 1); // the burn page's note that nothing was exported
    boxTexts.clear();
    VideoOnlyWidget *page = window.projectPage()->contentWidget()->videoOnlyPage();
    fileAnswers = {media};
    QTest::mouseClick(page->mediaTile(), Qt::LeftButton);
    const QString savePrompt = QStringLiteral("您正在关闭当前工程，请确认在关闭前是否保存？");

    boxAnswers = {ModalSeam::Answer::No}; // "取消"
    page->startButton()->click();
    EXPECT_EQ(boxTexts, QStringList{savePrompt});
    EXPECT_EQ(window.currentPage(), 1);
    EXPECT_EQ(currentProject().mediaFilePath, old);
    EXPECT_EQ(currentSubtitleList().snapshot(), userEntries());
    EXPECT_FALSE(panel(window)->isJobRunning());

    HubRecorder hub;
    PanelRecorder shown(panel(window));
    boxAnswers = {ModalSeam::Answer::Cancel}; // "不保存"
    page->startButton()->click();
    // Reset first: the old subtitles are gone, so the recognition has
    // nothing to ask about.
    EXPECT_EQ(boxTexts, QStringList({savePrompt, savePrompt}));
    EXPECT_EQ(window.currentPage(), 2);
    EXPECT_EQ(currentProject().mediaFilePath, media);
    EXPECT_TRUE(currentProject().recognitionMode);
    ASSERT_TRUE(waitForJobEnd(window));

    EXPECT_EQ(shown.texts, QStringList({Uploading, Generating}));
    expectEditorOpenedOnResult(window, hub, media);
    EXPECT_EQ(currentProject().wavFilePath, media); // a service WAV is sent as it is
    const SubtitleEntries entries = currentSubtitleList().snapshot();
    ASSERT_FALSE(entries.isEmpty());
    for (const SubtitleEntry &entry : entries)
        EXPECT_FALSE(entry.text.isEmpty());
    // A job's result is a new document: there is nothing to undo into.
    EXPECT_FALSE(currentSubtitleList().canUndo());
}
