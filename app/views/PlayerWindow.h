#pragma once

#include "views/MediaPlayer.h"

#include <QWidget>

class QToolButton;

// The video area of the player panel: the media file's name, which shows
// the file in the file manager when clicked, above the video.
class PlayerWindow : public QWidget
{
    Q_OBJECT
public:
    explicit PlayerWindow(QWidget *parent = nullptr);
    explicit PlayerWindow(const MediaPlayer::Options &options, QWidget *parent = nullptr);

    // Plays `path` from its start; false, with the reason in `error`, when
    // the path is empty or refused.
    bool play(const QString &path, bool paused = false, QString *error = nullptr);
    // Only while playing.
    void stop();
    // Starts playing when nothing plays, else pauses or resumes.
    bool togglePause(QString *error = nullptr);

    void setMediaPath(const QString &path);
    QString mediaPath() const { return m_path; }
    MediaPlayer *player() const { return m_player; }
    QToolButton *fileButton() const { return m_fileButton; }

public slots:
    void slot_openFilePath();

private:
    QString m_path;
    MediaPlayer *m_player;
    QToolButton *m_fileButton;
};
