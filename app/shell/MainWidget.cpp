#include "shell/MainWidget.h"

#include "base/AppConfig.h"
#include "base/CurrentProject.h"
#include "base/CustomProgressIndicator.h"
#include "base/InfoTipWidget.h"
#include "base/LoginState.h"
#include "shell/MainContentWidget.h"
#include "shell/MainTitleWidget.h"
#include "base/MsgBox.h"
#include "base/PlaybackState.h"
#include "shell/ProjectActions.h"
#include "base/QLightBoxWidget.h"
#include "base/SignalProxy.h"
#include "shell/SrtProgressWidget.h"
#include "base/WindowGeometry.h"
#include "project/AutoSaveThread.h"
#include "subtitle/SubtitleList.h"
#include "views/BottomToolWidget.h"
#include "views/MarginTimeAdjustWidget.h"
#include "views/RemoveOverlayWidget.h"
#include "views/SrtListWidget.h"
#include "views/SrtSaveWidget.h"

#include <QCoreApplication>
#include <QDebug>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Export makes sense once some entry has a time of a second or more.
bool hasTimedEntry()
{
    return currentSubtitleList().read([](const SubtitleEntries &entries) {
        for (const SubtitleEntry &entry : entries) {
            if (timeCodeToMilliseconds(entry.startTime) / 1000 >= 1
                || timeCodeToMilliseconds(entry.endTime) / 1000 >= 1)
                return true;
        }
        return false;
    });
}

// Alignment replaces times: ask once some entry starts a second or more in.
bool hasEntryStartingAfterFirstSecond()
{
    return currentSubtitleList().read([](const SubtitleEntries &entries) {
        for (const SubtitleEntry &entry : entries) {
            if (timeCodeToMilliseconds(entry.startTime) / 1000 >= 1)
                return true;
        }
        return false;
    });
}

bool confirmReplacing(QWidget *parent, const QString &text)
{
    MsgBox box(parent);
    box.setFixedSize(562, 170);
    box.setTitle(QStringLiteral("请确认操作"));
    box.setText(text);
    box.setOkText(QStringLiteral("确认"));
    box.setCancelText(QStringLiteral("取消"));
    return box.exec() == QDialog::Accepted;
}

} // namespace

MainWidget::MainWidget(QWidget *parent)
    : QWidget(parent)
{
    resize(1280, 665);
    setWindowTitle(QStringLiteral("Cuewright"));

    m_title = new MainTitleWidget(this);
    auto *container = new QWidget(this);
    m_content = new MainContentWidget(container);
    auto *containerLayout = new QVBoxLayout(container);
    containerLayout->setContentsMargins(0, 0, 0, 0);
    containerLayout->addWidget(m_content);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_title);
    layout->addWidget(container, 1);

    m_bottomTool = new BottomToolWidget(this);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    m_bottomTool->move(bottomToolPosition(screen, m_bottomTool->size()));
    m_bottomTool->show();

    m_lightBox = new QLightBoxWidget(container);
    m_progress = new SrtProgressWidget(m_lightBox);
    m_lightBoxClose = new QToolButton(m_lightBox);
    m_lightBoxClose->setObjectName(QStringLiteral("lightBoxClose"));
    m_lightBoxClose->setFixedSize(40, 49);
    m_lightBoxClose->setAccessibleName(QStringLiteral("关闭"));
    m_lightBoxClose->setToolTip(QStringLiteral("关闭"));
    m_lightBoxClose->hide();
    connect(m_lightBoxClose, &QToolButton::clicked, this, &MainWidget::slot_closeLightBox);
    auto *boxLayout = new QVBoxLayout(m_lightBox);
    boxLayout->addWidget(m_lightBoxClose, 0, Qt::AlignRight);
    boxLayout->addWidget(m_progress, 1, Qt::AlignCenter);

    connect(m_progress, &SrtProgressWidget::signal_resultArriving, this, &MainWidget::slot_jobResultArriving);
    connect(m_progress, &SrtProgressWidget::signal_jobCompleted, this, &MainWidget::slot_jobCompleted);

    SignalProxy *proxy = SignalProxy::instance();
    connect(proxy, &SignalProxy::signal_NoticeAutoalignment, this, &MainWidget::slot_NoticeAutoalignment);
    connect(proxy, &SignalProxy::signal_NoticeVoiceRecognition, this, &MainWidget::slot_NoticeVoiceRecognition);
    connect(proxy, &SignalProxy::signal_NoticeShowProcessOverlayWidget, this,
            &MainWidget::slot_showProcessOverlayWidget);
    connect(proxy, &SignalProxy::signal_NoticeShowMargintimeAdjustWidget, this,
            &MainWidget::slot_showMarginTimeAdjustWidget);
    connect(proxy, &SignalProxy::signal_noticeShowBottomtoolWidget, m_bottomTool, &QWidget::show);
    connect(proxy, &SignalProxy::signal_noticeGenerateSrtError, m_lightBoxClose, &QWidget::show);
    connect(proxy, &SignalProxy::signal_loadwavefileFinished, this, &MainWidget::updateWidget);
    connect(proxy, &SignalProxy::signal_noticeShowLoadProjectLayer, this, &MainWidget::slot_noticeShowLoadProjectLayer);
    connect(m_title, &TitleBarWidget::signal_Maxnormal, this, &MainWidget::slot_Maxnormal);
    connect(m_title, &MainTitleWidget::signal_closeProgressW, this, &MainWidget::slot_closeLightBox);
    connect(m_title, &TitleBarWidget::signal_closeClicked, this, &MainWidget::closeApplication);
    connect(m_title, &MainTitleWidget::signal_saveProject, this, &MainWidget::slot_saveProjectWithTip);
    connect(m_title, &MainTitleWidget::signal_exportSubtitle, this, &MainWidget::slot_exportSubtitle);
}

MainWidget::~MainWidget()
{
    // The strip is a separate top-level window; do not leave it behind.
    delete m_bottomTool;
}

QPoint MainWidget::bottomToolPosition(const QRect &screen, const QSize &toolSize)
{
    return QPoint((screen.width() - 1280) / 2 + 1261 - toolSize.width(),
                  (screen.height() - 665) / 2 + 610 - toolSize.height());
}

bool MainWidget::saveProject()
{
    switch (ProjectActions::saveProject(this)) {
    case ProjectActions::SaveOutcome::Saved:
        return true;
    case ProjectActions::SaveOutcome::WriteFailed:
        MsgBox::notice(this, QStringLiteral("工程文件保存失败，请检查保存位置是否可写！"));
        return false;
    default:
        return false;
    }
}

bool MainWidget::confirmLeaveProject()
{
    CurrentProject &project = currentProject();
    if (project.taskRunning) {
        MsgBox::notice(this, QStringLiteral("当前任务正在进行中，并已经扣费，请您等待任务处理结束！"));
        return false;
    }
    if (project.isOpen()) {
        switch (MsgBox::askSaveProject(this)) {
        case MsgBox::SaveChoice::Save:
            // A cancelled save dialog or a failed write keeps the editor:
            // leaving would throw away the work the user asked to keep.
            if (!saveProject())
                return false;
            break;
        case MsgBox::SaveChoice::DontSave:
            return true;
        case MsgBox::SaveChoice::Cancel:
            return false;
        }
    }
    if (playbackState().playerStarted)
        emit SignalProxy::instance()->signal_stopVideo();
    project.taskRunning = false;
    return true;
}

bool MainWidget::closeApplication()
{
    if (!confirmClose())
        return false;
    finishClose();
    return true;
}

bool MainWidget::confirmClose()
{
    const CurrentProject &project = currentProject();
    if (project.taskRunning) {
        MsgBox box(this);
        box.setFixedSize(562, 170);
        box.setTitle(QStringLiteral("请确认操作"));
        box.setText(QStringLiteral("当前任务正在进行中，并已经扣费，推荐您等待任务处理结束。强制关闭会丢失当前数据，"
                                   "并有可能造成未知错误，确认要关闭窗口并取消该任务吗?"));
        box.setOkText(QStringLiteral("关闭并停止处理"));
        box.setCancelText(QStringLiteral("继续处理"));
        box.setButtonSize(QSize(118, 31));
        if (box.exec() != QDialog::Accepted)
            return false;
    }
    if (project.isOpen()) {
        switch (MsgBox::askSaveProject(this)) {
        case MsgBox::SaveChoice::Save:
            if (!saveProject())
                return false;
            break;
        case MsgBox::SaveChoice::DontSave:
            break;
        case MsgBox::SaveChoice::Cancel:
            return false;
        }
    }
    return true;
}

void MainWidget::finishClose()
{
    CurrentProject &project = currentProject();
    if (playbackState().playerStarted)
        emit SignalProxy::instance()->signal_stopVideo();
    project.taskRunning = false;
    if (m_progress->isJobRunning()) {
        // The job cannot be stopped once the service has it, and Qt aborts
        // when a running thread is destroyed: let the thread go, end the
        // event loop as usual (main still closes what it owns), and leave
        // without static teardown if the job is still blocked then.
        m_progress->abandonJob();
        SrtThread::leaveAtExitWithoutWaitingForJobs();
    }
    QCoreApplication::quit();
}

void MainWidget::slot_NoticeAutoalignment()
{
    const CurrentProject &project = currentProject();
    if (!loginState().loggedIn) {
        emit SignalProxy::instance()->signal_noticeShowLoginWidget();
        return;
    }
    if (project.mediaFilePath.isEmpty()) {
        MsgBox::notice(this, QStringLiteral("请先选择媒体文件！"));
        return;
    }
    if (project.subtitleFilePath.isEmpty()) {
        MsgBox::notice(this, QStringLiteral("请先选择文本文件！"));
        return;
    }
    if (hasEntryStartingAfterFirstSecond()
        && !confirmReplacing(this, QStringLiteral("当前字幕已有时间轴信息，再次执行自动对齐，会清除现有时间轴数据，"
                                                  "并应用服务器传回的新数据，是否继续?")))
        return;
    startJob(false);
}

void MainWidget::slot_NoticeVoiceRecognition()
{
    if (!loginState().loggedIn) {
        emit SignalProxy::instance()->signal_noticeShowLoginWidget();
        return;
    }
    if (currentProject().mediaFilePath.isEmpty()) {
        MsgBox::notice(this, QStringLiteral("请先选择媒体文件！"));
        return;
    }
    if (!currentSubtitleList().isEmpty()
        && !confirmReplacing(this, QStringLiteral("当前字幕已有字幕和时间轴信息，再次执行语音识别，会清除现有字幕稿和"
                                                  "时间轴数据，并应用服务器传回的新数据，是否继续?"))) {
        qDebug().noquote() << QStringLiteral("reject:\t");
        return;
    }
    startJob(true);
}

void MainWidget::startJob(bool recognition)
{
    CurrentProject &project = currentProject();
    if (m_progress->isJobRunning())
        return;
    // Everything the worker needs, copied now: it never reads the project.
    RecognitionJobInput input;
    input.mediaPath = project.mediaFilePath;
    input.transcriptPath = recognition ? QString() : project.subtitleFilePath;
    input.sessionId = loginState().sessionId;
    input.userName = accountMemory().userName;
    input.serviceHost = AppConfig::serviceHost();
    input.servicePort = AppConfig::servicePort();
    input.scratchFolder = project.tempFolder;

    m_progress->clearText();
    project.recognitionMode = recognition;
    m_bottomTool->hide();
    m_lightBoxClose->hide();
    m_lightBox->show();
    m_progress->startJob(input);
    project.taskRunning = true;
}

void MainWidget::slot_jobResultArriving(bool recognition)
{
    // Recognised text is no longer the subtitle file the user opened: it
    // must never be autosaved over that file. Nothing may be written while
    // the list is replaced; the result's place is set once it is shown.
    if (recognition)
        currentProject().subtitleFilePath.clear();
    m_content->srtListWidget()->autoSave()->setTarget(AutoSaveTarget());
}

void MainWidget::slot_jobCompleted()
{
    // The result is on no disk yet: the next autosave pass keeps it (in the
    // subtitle file, else in the recovery copy).
    const CurrentProject &project = currentProject();
    AutoSaveThread *autoSave = m_content->srtListWidget()->autoSave();
    autoSave->setTarget(AutoSaveTarget{project.subtitleFilePath, project.textEncoding, playbackState().playerStarted});
    autoSave->markListUnsaved();
    m_lightBox->hide();
}

void MainWidget::slot_closeLightBox()
{
    if (m_progress->isJobRunning()) {
        // Hiding the panel would not stop the job, whose result would then
        // replace whatever the user edits meanwhile.
        MsgBox::notice(this, QStringLiteral("当前任务正在进行中，并已经扣费，请您等待任务处理结束！"));
        return;
    }
    m_lightBox->hide();
    m_bottomTool->show();
    currentProject().taskRunning = false;
}

void MainWidget::slot_noticeShowLoadProjectLayer(bool b)
{
    if (b) {
        m_progress->bar()->hide();
        m_progress->label()->setText(QStringLiteral("正在打开工程..."));
        m_progress->indicator()->startAnimation();
        m_lightBox->show();
    } else {
        m_progress->bar()->show();
        m_progress->label()->clear();
        m_progress->indicator()->stopAnimation();
        m_lightBox->hide();
    }
}

void MainWidget::slot_Maxnormal(bool maximised)
{
    m_maximised = maximised;
    QWidget *top = window();
    const QRect area = WindowGeometry::availableArea(top);
    if (maximised) {
        top->setGeometry(area);
        m_bottomTool->move(area.right() - 20 - m_bottomTool->width(), area.bottom() - 110 - m_bottomTool->height());
    } else {
        top->setGeometry(WindowGeometry::normalGeometry(area));
        m_bottomTool->move(bottomToolPosition(area, m_bottomTool->size()) + area.topLeft());
    }
}

void MainWidget::updateWidget()
{
    resize(width() + 1, height() + 1);
    resize(width() - 1, height() - 1);
}

void MainWidget::slot_saveProjectWithTip()
{
    if (!saveProject())
        return;
    auto *tip = new InfoTipWidget(this);
    tip->setAttribute(Qt::WA_DeleteOnClose);
    tip->showCentredOn(window(), 1000);
}

void MainWidget::slot_exportSubtitle()
{
    if (currentProject().taskRunning || !hasTimedEntry())
        return;
    (new SrtSaveWidget(this))->show();
}

// Each opening starts afresh: a new dialog that deletes itself on close.
void MainWidget::slot_showProcessOverlayWidget()
{
    (new RemoveOverlayWidget(this))->show();
}

void MainWidget::slot_showMarginTimeAdjustWidget()
{
    auto *dialog = new MarginTimeAdjustWidget(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}
