#include "views/VideoWidget.h"

#include "base/CurrentProject.h"
#include "base/MsgBox.h"
#include "base/PlaybackState.h"
#include "base/SignalProxy.h"
#include "subtitle/LocalCodec.h"
#include "subtitle/SubtitleList.h"
#include "subtitle/TimeCode.h"
#include "views/CustomToolButton.h"
#include "views/MySlider.h"
#include "views/PlaybackRules.h"
#include "views/PlayerWindow.h"
#include "views/SpeedTipWidget.h"
#include "views/VideoSelectWidget.h"

#include <QDebug>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The longest the loading layer waits for the stored position to show.
constexpr int ProjectLoadPatienceMs = 5000;

const char *const kPlayImage = "border-image: url(:/image/main/play_normal.png)";
const char *const kPauseImage = "border-image: url(:/image/main/pause_normal.png)";
const char *const kMuteImage = "border-image: url(:/image/main/mute_normal.png)";
const char *const kUnmuteImage = "border-image: url(:/image/main/unmute_normal.png)";

QToolButton *barButton(QWidget *parent, const QString &name, const QString &accessibleName)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setFixedSize(32, 32);
    button->setAccessibleName(accessibleName);
    button->setToolTip(accessibleName);
    // Space belongs to the window's play/pause shortcut.
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QLabel *timeLabel(QWidget *parent, const QString &name)
{
    auto *label = new QLabel(formatSeconds(0), parent);
    label->setObjectName(name);
    label->setMinimumWidth(81); // wider where the font needs it
    label->setFixedHeight(32);
    return label;
}

} // namespace

VideoWidget::VideoWidget(QWidget *parent)
    : VideoWidget(MediaPlayer::Options(), parent)
{
}

VideoWidget::VideoWidget(const MediaPlayer::Options &options, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("VideoWidget"));
    setStyleSheet(QStringLiteral("background-color: rgb(50, 50, 50);\ncolor: rgb(192, 192, 192);"));

    m_select = new VideoSelectWidget(this);
    m_playerWindow = new PlayerWindow(options, this);
    m_playerWindow->hide();

    m_caption = new QLabel(this);
    m_caption->setObjectName(QStringLiteral("label_Srt"));
    m_caption->setMinimumSize(640, 0);
    m_caption->setMaximumSize(680, 25);
    m_caption->setAlignment(Qt::AlignCenter);

    m_playButton = barButton(this, QStringLiteral("toolButton_PlaySwitch"), QStringLiteral("播放/暂停"));
    m_playButton->setStyleSheet(QLatin1String(kPlayImage));
    m_lineButton = barButton(this, QStringLiteral("toolButton_PlayLine"), QStringLiteral("播放当前字幕"));
    m_lineButton->setStyleSheet(QStringLiteral("border-image: url(:/image/main/playline_normal.png)"));
    m_time1 = timeLabel(this, QStringLiteral("label_Time1"));
    m_slider = new MySlider(this);
    m_slider->setObjectName(QStringLiteral("horizontalSlider"));
    m_slider->setAccessibleName(QStringLiteral("播放进度"));
    m_slider->setFixedHeight(32);
    m_slider->setFocusPolicy(Qt::NoFocus);
    m_slider->setStyleSheet(
        QStringLiteral("QSlider::groove:horizontal{height:14px;background:rgb(66,66,66);border-radius:5px;}"
                       "QSlider::sub-page:horizontal{background:rgb(71,180,249);border-radius:5px;}"
                       "QSlider::handle:horizontal{width:32px;height:32px;margin:-9px -5px;"
                       "border-image:url(:/image/slider/progress_normal.png);}"
                       "QSlider::handle:horizontal:hover{border-image:url(:/image/slider/progress_hover.png);}"));
    m_time2 = timeLabel(this, QStringLiteral("label_Time2"));
    m_speedButton = barButton(this, QStringLiteral("toolButton_PlaySpeed"), QStringLiteral("播放速度"));
    m_speedButton->setText(QStringLiteral("1X"));
    m_muteButton = barButton(this, QStringLiteral("toolButton_MuteSwitch"), QStringLiteral("静音"));
    m_muteButton->setStyleSheet(QLatin1String(kUnmuteImage));
    m_volumeButton = new CustomToolButton(this);
    m_volumeButton->setObjectName(QStringLiteral("toolButton_Volume"));
    m_volumeButton->setFixedSize(32, 32);
    m_volumeButton->setAccessibleName(QStringLiteral("音量"));
    m_volumeButton->setToolTip(QStringLiteral("音量"));
    m_volumeButton->setFocusPolicy(Qt::NoFocus);

    m_speedMenu = new SpeedTipWidget(this);
    m_speedMenu->hide();

    auto *videoBox = new QVBoxLayout;
    videoBox->setSpacing(0);
    videoBox->addWidget(m_select);
    videoBox->addWidget(m_playerWindow);
    auto *bar = new QHBoxLayout;
    bar->setSpacing(6);
    bar->setContentsMargins(10, 0, 10, 0);
    bar->addWidget(m_playButton);
    bar->addWidget(m_lineButton);
    bar->addWidget(m_time1);
    bar->addWidget(m_slider, 1);
    bar->addWidget(m_time2);
    bar->addWidget(m_speedButton);
    bar->addWidget(m_muteButton);
    bar->addWidget(m_volumeButton);
    auto *column = new QVBoxLayout;
    column->setSpacing(0);
    column->addLayout(videoBox, 1);
    column->addWidget(m_caption, 0, Qt::AlignHCenter);
    column->addLayout(bar);
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addLayout(column, 0, 0);

    connect(m_playButton, &QToolButton::clicked, this, &VideoWidget::slot_clickPlaySwitchButton);
    connect(m_lineButton, &QToolButton::clicked, this, &VideoWidget::slot_playCurrentLine);
    connect(m_speedButton, &QToolButton::clicked, this, &VideoWidget::slot_clickPlaySpeedButton);
    connect(m_muteButton, &QToolButton::clicked, this, &VideoWidget::slot_clickMuteSwitchButton);
    connect(m_volumeButton, &QToolButton::clicked, this, &VideoWidget::slot_clickVolumeButton);
    connect(m_volumeButton, &CustomToolButton::signal_setvolume, this, &VideoWidget::slot_noticePlayvolumeChanged);
    connect(m_slider, &QSlider::sliderPressed, this, qOverload<>(&VideoWidget::seekBySlider));
    connect(m_slider, &QSlider::sliderMoved, this, &VideoWidget::slot_SliderMoved);
    connect(m_slider, &MySlider::signal_click, this, &VideoWidget::slot_Sliderclicked);

    auto *space = new QShortcut(QKeySequence(Qt::Key_Space), this);
    space->setContext(Qt::WindowShortcut);
    connect(space, &QShortcut::activated, this, &VideoWidget::slot_clickPlaySwitchButton);
    auto *line = new QShortcut(QKeySequence(Qt::CTRL + Qt::Key_P), this);
    line->setContext(Qt::WindowShortcut);
    connect(line, &QShortcut::activated, this, &VideoWidget::slot_playCurrentLine);
    m_lineButton->setToolTip(QStringLiteral("播放当前字幕 (Ctrl+P)"));

    connectPlayer();
    connectHub();
}

MediaPlayer *VideoWidget::player() const
{
    return m_playerWindow->player();
}

void VideoWidget::connectHub()
{
    SignalProxy *hub = SignalProxy::instance();
    connect(hub, &SignalProxy::signal_loadwavefileFinished, this, &VideoWidget::slot_loadWavfileFinished);
    connect(hub, &SignalProxy::signal_SpeedSelect, this, &VideoWidget::slot_SpeedSelect);
    connect(hub, &SignalProxy::signal_SelectMediafile, this, &VideoWidget::slot_SelectMediafile);
    connect(hub, &SignalProxy::signal_loadProject, this, &VideoWidget::slot_noticeloadproject);
    connect(hub, &SignalProxy::signal_noticeSpaceButton, this, &VideoWidget::slot_noticeSpaceButton);
    connect(hub, &SignalProxy::signal_SpinposChanged, this, &VideoWidget::slot_SpinposChanged);
    connect(hub, &SignalProxy::signal_NoticePausePos, this, &VideoWidget::slot_NoticePausePos);
    connect(hub, &SignalProxy::signal_stopVideo, this, &VideoWidget::slot_stopVideo);
    connect(hub, &SignalProxy::siganal_ClearDate, this, &VideoWidget::slot_clearDate);
    connect(hub, &SignalProxy::signal_updateCurrentMediaName, this, &VideoWidget::slot_updateCurrentMediaName);
}

void VideoWidget::connectPlayer()
{
    MediaPlayer *media = player();
    connect(media, &MediaPlayer::positionChanged, this, qOverload<qint64>(&VideoWidget::updateSlider));
    // The player's report interval is fixed; the slider learns it on start.
    connect(media, &MediaPlayer::started, this, &VideoWidget::updateSliderUnit);
    connect(media, &MediaPlayer::stopped, this, &VideoWidget::slot_playstoped);
    connect(media, &MediaPlayer::seekFinished, this, &VideoWidget::slot_seekfinished);
    connect(media, &MediaPlayer::loadFailed, this, &VideoWidget::slot_loadFailed);
    connect(media, &MediaPlayer::pausedChanged, this, &VideoWidget::slot_pausedChanged);
}

void VideoWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(51, 51, 51));
}

void VideoWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    elideCaption();
}

// ---- Media ----

void VideoWidget::slot_SelectMediafile(QString path)
{
    m_select->hide();
    m_playerWindow->show();
    currentProject().mediaFilePath = path;
    if (playbackState().playerStarted) {
        m_playerWindow->stop();
        slot_playstoped();
    }
    playbackState().duration = 0;
    setCaption(QString());
    emit SignalProxy::instance()->signal_startLoadwavfile(path);
    m_playerWindow->setMediaPath(path);
}

void VideoWidget::slot_loadWavfileFinished()
{
    m_select->hide();
    m_playerWindow->show();
}

void VideoWidget::slot_updateCurrentMediaName()
{
    // A job started from the start page sets the medium without selecting
    // it (its waveform is loaded when the job ends); the panel then shows it
    // like a chosen one.
    const QString path = currentProject().mediaFilePath;
    if (!path.isEmpty() && m_playerWindow->mediaPath() != path && playbackState().playerStarted) {
        m_playerWindow->stop();
        slot_playstoped();
    }
    if (!path.isEmpty()) {
        m_select->hide();
        m_playerWindow->show();
    }
    m_playerWindow->setMediaPath(path);
}

// The project opens paused where it was left, at its speed and volume. The
// seek waits in the player until the file is loaded, and the loading layer
// closes once it has landed (or the file turned out unplayable).
void VideoWidget::slot_noticeloadproject()
{
    const QString path = currentProject().mediaFilePath;
    const _ProjectSetting setting = currentProject().setting;
    if (path.isEmpty()) {
        emit SignalProxy::instance()->signal_noticeShowLoadProjectLayer(false);
        return;
    }
    slot_SelectMediafile(path);
    PlaybackState &playback = playbackState();
    playback.playerPaused = false;
    playback.playerStarted = false;
    playback.duration = setting.TotalTime;
    if (setting.PlaySpeed > 0)
        slot_SpeedSelect(setting.PlaySpeed);
    if (setting.Volume > 0)
        applyVolume(setting.Volume);

    m_loadingProject = true;
    QString error;
    const bool playing = startPlayback(true, &error);
    if (playing)
        player()->seek(qRound64(setting.CurrentPlayPos * 1000));
    emit SignalProxy::instance()->signal_NoticePausePos(setting.CurrentPlayPos, setting.TotalTime);
    if (!playing) {
        // Opening the project has already told the user the file is gone.
        qWarning().noquote() << "player: project media not played:" << error;
        finishProjectLoad();
        return;
    }
    // A surface that is not on screen loads nothing until it is; and no
    // player trouble may keep the editor covered.
    if (player()->waitsForSurface() && !m_playerWindow->isVisible())
        finishProjectLoad();
    else
        QTimer::singleShot(ProjectLoadPatienceMs, this, &VideoWidget::finishProjectLoad);
}

void VideoWidget::finishProjectLoad()
{
    if (!m_loadingProject)
        return;
    m_loadingProject = false;
    emit SignalProxy::instance()->signal_noticeShowLoadProjectLayer(false);
}

// ---- Play and pause ----

void VideoWidget::slot_clickPlaySwitchButton()
{
    if (currentProject().mediaFilePath.isEmpty())
        return;
    QString error;
    if (playbackState().playerStarted) {
        if (!m_playerWindow->togglePause(&error)) {
            reportUnplayable(error);
            return;
        }
        syncPauseState();
        return;
    }
    if (!startPlayback(false, &error))
        reportUnplayable(error);
}

void VideoWidget::slot_noticeSpaceButton()
{
    slot_clickPlaySwitchButton();
}

bool VideoWidget::startPlayback(bool paused, QString *error)
{
    m_select->hide();
    m_playerWindow->show();
    currentProject().setting.TimeScaleValue = timeScaleValue();
    if (!m_playerWindow->play(currentProject().mediaFilePath, paused, error))
        return false;
    PlaybackState &playback = playbackState();
    playback.playerPaused = paused;
    playback.playerStarted = true;
    playback.pausedSeekSource = -1;
    m_slider->setValue(0);
    showPaused(paused);
    emit SignalProxy::instance()->signal_StartEditSrt();
    emit SignalProxy::instance()->signal_drawTimeblock();
    return true;
}

// The player's own state is the truth; a flag flipped on each click drifts
// as soon as the player pauses or resumes by itself.
void VideoWidget::syncPauseState()
{
    PlaybackState &playback = playbackState();
    const bool paused = player()->isPaused();
    playback.playerPaused = paused;
    if (!paused)
        playback.pausedSeekSource = -1;
    showPaused(paused);
}

void VideoWidget::slot_pausedChanged()
{
    if (playbackState().playerStarted && player()->isPlaying())
        syncPauseState();
}

void VideoWidget::showPaused(bool paused)
{
    m_playButton->setStyleSheet(QLatin1String(paused ? kPlayImage : kPauseImage));
}

void VideoWidget::slot_playCurrentLine()
{
    if (currentProject().mediaFilePath.isEmpty())
        return;
    MediaPlayer *media = player();
    const bool running = playbackState().playerStarted && media->isPlaying();
    const double now = running ? media->positionSeconds() : 0;
    double start = 0;
    double end = 0;
    const int line = currentSubtitleList().read([&](const SubtitleEntries &entries) {
        const int index = PlaybackRules::lineToPlay(entries, now);
        if (index >= 0) {
            start = timeCodeToSeconds(entries.at(index).startTime);
            end = timeCodeToSeconds(entries.at(index).endTime);
        }
        return index;
    });
    if (line < 0)
        return;
    QString error;
    if (!running && !startPlayback(false, &error)) {
        reportUnplayable(error);
        return;
    }
    media->seek(qRound64(start * 1000));
    media->pauseAt(qRound64(end * 1000));
    media->pause(false);
    syncPauseState();
}

void VideoWidget::reportUnplayable(const QString &reason)
{
    // Not this widget: its style sheet would dress the box.
    MsgBox::notice(window(), QStringLiteral("无法播放该媒体文件：%1").arg(reason));
}

void VideoWidget::slot_loadFailed(const QString &reason)
{
    reportUnplayable(reason);
}

// ---- Position ----

void VideoWidget::updateSlider(qint64 milliseconds)
{
    if (playbackState().playerPaused)
        return;
    const qint64 duration = player()->duration();
    m_time1->setText(formatSeconds(milliseconds / 1000.0));
    m_time2->setText(formatSeconds(duration / 1000.0));
    m_slider->setRange(0, int(duration / m_sliderUnit));
    setSliderValue(milliseconds / m_sliderUnit);
    slot_CallBackPlayPos(milliseconds / 1000.0, duration / 1000.0);
}

void VideoWidget::updateSlider()
{
    updateSlider(player()->position());
}

// Also while paused (a project opens paused): the range and the total
// follow the medium, or later seeks would land on a 0..100 slider.
void VideoWidget::updateSliderUnit()
{
    m_sliderUnit = player()->notifyInterval();
    const qint64 duration = player()->duration();
    playbackState().duration = duration / 1000.0;
    m_time2->setText(formatSeconds(duration / 1000.0));
    m_slider->setRange(0, int(duration / m_sliderUnit));
    updateSlider();
}

void VideoWidget::slot_seekfinished(qint64 milliseconds)
{
    m_time1->setText(formatSeconds(milliseconds / 1000.0));
    setSliderValue(milliseconds / m_sliderUnit);
    slot_CallBackPlayPos(milliseconds / 1000.0, player()->duration() / 1000.0);
    finishProjectLoad();
}

// A handle held by the user is not pulled away under the pointer.
void VideoWidget::setSliderValue(qint64 value)
{
    if (!m_slider->isSliderDown())
        m_slider->setValue(int(value));
}

void VideoWidget::slot_NoticePausePos(double t, double total)
{
    m_time1->setText(formatSeconds(t));
    m_time2->setText(formatSeconds(total));
    m_slider->setValue(PlaybackRules::sliderValueForFraction(t, total, m_slider->minimum(), m_slider->maximum()));
}

void VideoWidget::slot_CallBackPlayPos(double t, double duration)
{
    PlaybackState &playback = playbackState();
    playback.playPosition = t;
    if (duration > 0)
        playback.duration = duration;
    double start = -1.0;
    double end = -1.0;
    QByteArray text;
    const int index = currentSubtitleList().read([&](const SubtitleEntries &entries) {
        const int i = PlaybackRules::entryAt(entries, t);
        if (i >= 0) {
            start = timeCodeToSeconds(entries.at(i).startTime);
            end = timeCodeToSeconds(entries.at(i).endTime);
            text = entries.at(i).text;
        }
        return i;
    });
    const double scale = 100 * timeScaleValue();
    if (index >= 0)
        emit SignalProxy::instance()->signal_noticePlayState(index, t * scale, start * scale, end * scale);
    else
        emit SignalProxy::instance()->signal_noticePlayState(-1, t * scale, -1.0, -1.0);
    setCaption(fromLocal8(text));
}

void VideoWidget::setCaption(const QString &text)
{
    m_captionText = text;
    elideCaption();
}

void VideoWidget::elideCaption()
{
    m_caption->setText(m_caption->fontMetrics().elidedText(m_captionText, Qt::ElideMiddle, m_caption->width()));
}

// ---- Seeking ----

void VideoWidget::seekBySlider()
{
    seekBySlider(m_slider->value());
}

void VideoWidget::slot_SliderMoved(int value)
{
    if (player()->isPlaying())
        player()->seek(qint64(value) * m_sliderUnit);
}

void VideoWidget::seekBySlider(int value)
{
    slot_SliderMoved(value);
}

void VideoWidget::slot_Sliderclicked(int value)
{
    if (!player()->isPlaying())
        return;
    if (playbackState().playerPaused)
        playbackState().pausedSeekSource = 1;
    m_slider->setValue(value);
    player()->seek(qint64(value) * m_sliderUnit);
}

// Seconds from the ruler or the list, so milliseconds whatever the slider's
// unit: before the player has started that is still 1000.
void VideoWidget::slot_SpinposChanged(double t)
{
    player()->seek(qRound64(t * 1000));
}

// ---- Speed and volume ----

void VideoWidget::slot_clickPlaySpeedButton()
{
    const QPoint at = m_speedButton->mapToGlobal(QPoint(0, 0));
    m_speedMenu->move(at.x() - m_speedMenu->width() / 2 + 16, at.y() - m_speedMenu->height());
    m_speedMenu->show();
}

void VideoWidget::slot_SpeedSelect(double speed)
{
    m_speedButton->setText(PlaybackRules::speedText(speed));
    player()->setSpeed(speed);
    playbackState().playSpeed = player()->speed();
}

void VideoWidget::slot_clickMuteSwitchButton()
{
    m_muted = !m_muted;
    player()->setMuted(m_muted);
    m_muteButton->setStyleSheet(QLatin1String(m_muted ? kMuteImage : kUnmuteImage));
}

void VideoWidget::slot_clickVolumeButton()
{
    qDebug() << "player: volume button clicked";
}

void VideoWidget::slot_noticePlayvolumeChanged(double d)
{
    if (m_muted)
        slot_clickMuteSwitchButton();
    player()->setVolume(d * 2);
    playbackState().volume = player()->volume();
}

void VideoWidget::applyVolume(double gain)
{
    player()->setVolume(gain);
    playbackState().volume = player()->volume();
    m_volumeButton->showLevel(PlaybackRules::volumeImageForGain(gain));
}

// ---- Stop and clear ----

void VideoWidget::slot_playstoped()
{
    PlaybackState &playback = playbackState();
    playback.playerStarted = false;
    playback.playerPaused = false;
    playback.pausedSeekSource = -1;
    playback.playPosition = 0;
    m_slider->setValue(0);
    m_time1->setText(formatSeconds(0));
    m_time2->setText(formatSeconds(0));
    showPaused(true);
    finishProjectLoad();
}

void VideoWidget::slot_stopVideo()
{
    m_playerWindow->stop();
    slot_playstoped();
}

void VideoWidget::slot_clearDate()
{
    m_playerWindow->setMediaPath(QString());
    m_playerWindow->stop();
    slot_playstoped();
    // A project reset puts speed and volume back in the shared state; the
    // player and the controls follow, or the next save stores other values
    // than the ones playing.
    PlaybackState &playback = playbackState();
    playback.duration = 0;
    slot_SpeedSelect(playback.playSpeed > 0 ? playback.playSpeed : 1.0);
    applyVolume(playback.volume);
    m_select->show();
    m_playerWindow->hide();
    setCaption(QString());
}
