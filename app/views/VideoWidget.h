#pragma once

#include "views/MediaPlayer.h"

#include <QWidget>

class CustomToolButton;
class MySlider;
class PlayerWindow;
class QLabel;
class QToolButton;
class SpeedTipWidget;
class VideoSelectWidget;

// The player panel of the editor: the media-selection area until a medium
// is open, then the video, the caption under the play position and the
// transport bar. It is the editor's clock: each position report becomes a
// signal_noticePlayState on the hub, and the other views seek through
// signal_SpinposChanged.
class VideoWidget : public QWidget
{
    Q_OBJECT
public:
    explicit VideoWidget(QWidget *parent = nullptr);
    // Tests choose a player without video or sound output.
    explicit VideoWidget(const MediaPlayer::Options &options, QWidget *parent = nullptr);

    PlayerWindow *playerWindow() const { return m_playerWindow; }
    MediaPlayer *player() const;
    SpeedTipWidget *speedMenu() const { return m_speedMenu; }
    // Milliseconds per slider step.
    int sliderUnit() const { return m_sliderUnit; }
    // The caption's whole text; the label shows it elided.
    QString captionText() const { return m_captionText; }
    bool isMuted() const { return m_muted; }

public slots:
    void slot_loadWavfileFinished();
    void slot_clickPlaySwitchButton();
    void slot_clickPlaySpeedButton();
    void slot_clickMuteSwitchButton();
    void slot_clickVolumeButton();
    void slot_SpeedSelect(double speed);
    void seekBySlider();
    void slot_SliderMoved(int value);
    void slot_Sliderclicked(int value);
    void seekBySlider(int value);
    void slot_CallBackPlayPos(double t, double duration);
    void slot_SelectMediafile(QString path);
    void slot_noticeloadproject();
    void slot_noticeSpaceButton();
    void slot_SpinposChanged(double t);
    void slot_NoticePausePos(double t, double total);
    void slot_noticePlayvolumeChanged(double d);
    void slot_playstoped();
    void slot_seekfinished(qint64 milliseconds);
    void slot_stopVideo();
    void slot_clearDate();
    void slot_updateCurrentMediaName();
    void updateSlider(qint64 milliseconds);
    void updateSlider();
    void updateSliderUnit();
    // Plays the line under the play position, or the next one, from its
    // start to its end, then pauses there.
    void slot_playCurrentLine();

private slots:
    void slot_loadFailed(const QString &reason);
    void slot_pausedChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void connectHub();
    void connectPlayer();
    bool startPlayback(bool paused, QString *error);
    void syncPauseState();
    void showPaused(bool paused);
    void setSliderValue(qint64 value);
    void setCaption(const QString &text);
    void elideCaption();
    void applyVolume(double gain);
    void finishProjectLoad();
    void reportUnplayable(const QString &reason);

    VideoSelectWidget *m_select;
    PlayerWindow *m_playerWindow;
    QLabel *m_caption;
    QToolButton *m_playButton;
    QToolButton *m_lineButton;
    QLabel *m_time1;
    MySlider *m_slider;
    QLabel *m_time2;
    QToolButton *m_speedButton;
    QToolButton *m_muteButton;
    CustomToolButton *m_volumeButton;
    SpeedTipWidget *m_speedMenu;

    bool m_muted = false;
    int m_sliderUnit = 1000;
    QString m_captionText;
    bool m_loadingProject = false;
};
