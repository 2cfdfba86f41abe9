#pragma once

#include <QWidget>

class AudioWaveWidget;
class SrtListWidget;
class VideoWidget;

// The editor's content: the player panel and the subtitle list side by side
// above the waveform timeline. The three talk through the hub only.
class MainContentWidget : public QWidget
{
    Q_OBJECT
public:
    explicit MainContentWidget(QWidget *parent = nullptr);

    // The file name the player panel shows; empty while it offers a choice.
    QString shownMediaName() const;
    SrtListWidget *srtListWidget() const { return m_srtList; }
    VideoWidget *videoWidget() const { return m_video; }
    AudioWaveWidget *waveWidget() const { return m_wave; }

private:
    VideoWidget *m_video;
    SrtListWidget *m_srtList;
    AudioWaveWidget *m_wave;
};
