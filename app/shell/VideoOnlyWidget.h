#pragma once

#include <QWidget>

class FileSelectWidget;
class QPushButton;

// The start page's media-only page: pick the media, then "开始" asks for a
// speech recognition through the hub.
class VideoOnlyWidget : public QWidget
{
    Q_OBJECT
public:
    explicit VideoOnlyWidget(QWidget *parent = nullptr);

    FileSelectWidget *mediaTile() const { return m_media; }
    QPushButton *startButton() const { return m_start; }
    void clear();

public slots:
    void slot_clickStartButton();

private:
    FileSelectWidget *m_media;
    QPushButton *m_start;
};
