#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <atomic>

class QWidget;

// The media player behind the player panel: one libmpv instance and the
// widget it draws the video in. Times are milliseconds. Everything here runs
// on the GUI thread; libmpv's own threads only post wake-ups to it.
class MediaPlayer : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        bool nullVideo = false; // decode but never draw (tests, no OpenGL)
        bool nullAudio = false; // decode but never play sound (tests)
        bool untimed = false; // run as fast as decoding allows (tests)
    };

    explicit MediaPlayer(QObject *parent = nullptr);
    explicit MediaPlayer(const Options &options, QObject *parent = nullptr);
    ~MediaPlayer() override;

    // False when the player could not be made; errorString() says why.
    bool isValid() const;
    QString errorString() const;

    // Where the video is drawn: an OpenGL widget, or a black one where no
    // OpenGL context can be made. Made with the player and laid out by the
    // caller, which then owns it.
    QWidget *videoSurface() const;
    bool drawsVideo() const;
    // A file given to play() waits until its surface is first shown.
    bool waitsForSurface() const { return !m_renderReady; }

    // Loads and starts an existing local file, paused or running. False,
    // with the reason in `error`, when the path is refused or the player
    // cannot take it; a file that turns out unplayable is reported later
    // through loadFailed().
    bool play(const QString &path, bool paused = false, QString *error = nullptr);
    void stop();
    void pause(bool paused);
    // A file is loaded or on its way.
    bool isPlaying() const;
    bool isPaused() const;
    // Exact seek; before the file is loaded the target is kept and applied
    // once it is. Ignored (false) while nothing is playing.
    bool seek(qint64 milliseconds);
    // Pauses, exactly there, once playback reaches `milliseconds`; any seek,
    // pause, stop or new file forgets it.
    void pauseAt(qint64 milliseconds);

    void setSpeed(double speed);
    double speed() const;
    // A linear gain of 0 to 2.0.
    void setVolume(double gain);
    double volume() const;
    void setMuted(bool muted);
    bool isMuted() const;

    qint64 position() const;
    double positionSeconds() const; // unrounded, for exact checks
    qint64 duration() const;
    // How often positionChanged() comes while playing.
    int notifyInterval() const { return kNotifyInterval; }

signals:
    void positionChanged(qint64 milliseconds);
    // The file is loaded: duration() is known.
    void started();
    void stopped();
    void seekFinished(qint64 milliseconds);
    void pausedChanged(bool paused);
    // The file could not be played, with libmpv's reason; comes right
    // after its stopped().
    void loadFailed(const QString &reason);

private:
    friend class MpvGlSurface;
    struct Mpv;
    static constexpr int kNotifyInterval = 100;

    void create(const Options &options);
    static void onWakeup(void *self);
    void drainEvents();
    void handleEvent(const void *event);
    void onFileLoaded();
    void onEndFile(qint64 entryId, int reason, int error);
    void renderReady(bool ok);
    bool loadFile(const QString &path, QString *error);
    void poll();
    void reachPauseAt();
    void updatePolling();
    void notePause();
    void setFlag(const char *name, bool value);
    void setDouble(const char *name, double value);
    bool flag(const char *name) const;
    double number(const char *name, double fallback) const;

    Mpv *m_mpv = nullptr;
    QString m_error;
    QPointer<QWidget> m_surface;
    bool m_drawsVideo = false;
    bool m_renderReady = true;
    std::atomic<bool> m_wakeupPosted {false};

    QString m_heldPath; // waits for the render context
    qint64 m_entryId = 0; // the playlist entry that is ours; -1: the next to start
    qint64 m_stoppingEntry = 0;
    qint64 m_eventEntry = 0; // the entry the events now arriving are about
    bool m_loaded = false;
    qint64 m_pendingSeek = -1;
    enum class SeekState { None, Asked, Running };
    SeekState m_seek = SeekState::None;
    qint64 m_pauseAt = -1;
    qint64 m_duration = 0;
    qint64 m_lastReported = -1;
    double m_speed = 1.0;
    double m_volume = 1.0;
    bool m_muted = false;
    bool m_toldPaused = true;
    QTimer m_poll;
    QTimer m_pauseTimer;
};
