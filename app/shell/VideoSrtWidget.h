#pragma once

#include <QWidget>

class FileSelectWidget;
class QPushButton;

// The start page's media + transcript page: pick both, then "开始" asks for
// an alignment through the hub.
class VideoSrtWidget : public QWidget
{
    Q_OBJECT
public:
    explicit VideoSrtWidget(QWidget *parent = nullptr);

    FileSelectWidget *mediaTile() const { return m_media; }
    FileSelectWidget *transcriptTile() const { return m_transcript; }
    QPushButton *startButton() const { return m_start; }
    void clear();

public slots:
    void slot_clickStartButton();

private:
    FileSelectWidget *m_media;
    FileSelectWidget *m_transcript;
    QPushButton *m_start;
};
