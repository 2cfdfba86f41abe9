#include "shell/SrtProgressWidget.h"

#include "base/CurrentProject.h"
#include "base/CustomProgressIndicator.h"
#include "base/SignalProxy.h"
#include "subtitle/SubtitleList.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

SrtProgressWidget::SrtProgressWidget(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(829, 609);
    m_indicator = new CustomProgressIndicator(this);
    m_indicator->setFixedSize(80, 80);
    m_label = new QLabel(QStringLiteral("正在处理"), this);
    m_label->setObjectName(QStringLiteral("progressLabel"));
    m_label->setAlignment(Qt::AlignCenter);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("progressBar"));
    m_bar->setAccessibleName(QStringLiteral("处理进度"));
    m_bar->setFixedSize(708, 52);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);

    auto *layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(m_indicator, 0, Qt::AlignHCenter);
    layout->addSpacing(20);
    layout->addWidget(m_label);
    layout->addSpacing(20);
    layout->addWidget(m_bar, 0, Qt::AlignHCenter);
    layout->addStretch();

    // A single-shot timer rather than a wait: the GUI thread never blocks.
    m_completionDelay = new QTimer(this);
    m_completionDelay->setSingleShot(true);
    // A coarse timer may fire 5% early; the pause is meant as a minimum.
    m_completionDelay->setTimerType(Qt::PreciseTimer);
    m_completionDelay->setInterval(CompletionDelayMs);
    connect(m_completionDelay, &QTimer::timeout, this, &SrtProgressWidget::slot_completionDelayPassed);
}

SrtProgressWidget::~SrtProgressWidget()
{
    abandonJob();
}

int SrtProgressWidget::percentFor(qint64 pos, qint64 total)
{
    if (total <= 0)
        return 0;
    const qint64 percent = pos * 100 / total;
    return static_cast<int>(qBound<qint64>(0, percent, 100));
}

void SrtProgressWidget::clearText()
{
    m_label->clear();
    m_bar->setValue(0);
    m_bar->show();
}

bool SrtProgressWidget::startJob(const RecognitionJobInput &input)
{
    if (m_jobActive)
        return false;
    auto *thread = new SrtThread(input, this);
    connect(thread, &SrtThread::signal_noticeProgress, this, &SrtProgressWidget::slot_noticeProgress,
            Qt::QueuedConnection);
    connect(thread, &SrtThread::signal_noticeError, this, &SrtProgressWidget::slot_noticeError,
            Qt::QueuedConnection);
    connect(thread, &SrtThread::signal_jobFinished, this, &SrtProgressWidget::slot_jobFinished,
            Qt::QueuedConnection);
    m_thread = thread;
    m_recognition = input.transcriptPath.isEmpty();
    m_jobActive = true;
    m_completionDelay->stop();
    // Inherits the GUI thread's priority.
    thread->start();
    m_indicator->startAnimation();
    return true;
}

void SrtProgressWidget::abandonJob()
{
    m_completionDelay->stop();
    if (m_thread) {
        disconnect(m_thread, nullptr, this, nullptr);
        m_thread->abandon();
    }
    m_thread = nullptr;
    m_jobActive = false;
    m_indicator->stopAnimation();
}

void SrtProgressWidget::slot_noticeProgress(int pos, int total, QString strText)
{
    // Only the job's outcome completes it: a report of 1 of 1 may be a
    // finished upload of a one-byte transcript.
    const int percent = percentFor(pos, total);
    m_label->setText(strText);
    m_bar->setValue(percent);
    emit signal_progressShown(strText, percent);
}

void SrtProgressWidget::slot_noticeError(QString str)
{
    // A report already on its way from a job let go of is not this panel's.
    if (!m_jobActive)
        return;
    m_label->setText(str);
    m_indicator->stopAnimation();
    emit SignalProxy::instance()->signal_noticeGenerateSrtError();
}

void SrtProgressWidget::slot_jobFinished(SrtJobOutcome outcome)
{
    if (!m_jobActive)
        return;
    m_thread = nullptr;
    CurrentProject &project = currentProject();
    project.recognitionMode = false;
    if (!outcome.succeeded()) {
        // The user's subtitles stay; taskRunning stays until the message
        // is dismissed.
        m_jobActive = false;
        m_indicator->stopAnimation();
        return;
    }
    // A new document, made on the GUI thread in one step, so neither the
    // views nor the autosave ever see a half-filled list.
    emit signal_resultArriving(m_recognition);
    currentSubtitleList().replaceDocument(outcome.entries);
    project.wavFilePath = outcome.wavPath;
    m_bar->setValue(100);
    m_completionDelay->start();
}

void SrtProgressWidget::slot_completionDelayPassed()
{
    m_jobActive = false;
    SignalProxy *hub = SignalProxy::instance();
    emit hub->signal_updateCurrentMediaName();
    emit hub->signal_noticeShowBottomtoolWidget();
    emit hub->signal_StartEditSrt();
    emit hub->signal_startLoadwavfile(currentProject().mediaFilePath);
    m_indicator->stopAnimation();
    emit signal_jobCompleted();
    currentProject().taskRunning = false;
}
