#pragma once

#include <QWidget>

class QLabel;
class QStackedWidget;
class SrtListWidget;

// The editor's content: player panel and subtitle list side by side above
// the waveform. Until the player and waveform arrive, their panels show
// empty states and the player panel keeps track of the chosen medium.
class MainContentWidget : public QWidget
{
    Q_OBJECT
public:
    explicit MainContentWidget(QWidget *parent = nullptr);

    QString shownMediaName() const;
    SrtListWidget *srtListWidget() const { return m_srtList; }

private slots:
    void slot_SelectMediafile(QString path);
    void slot_loadProject();
    void slot_ClearDate();

private:
    void showMedia(const QString &path);

    QStackedWidget *m_videoStack;
    QLabel *m_mediaName;
    SrtListWidget *m_srtList;
};
