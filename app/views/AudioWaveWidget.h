#pragma once

#include "audio/WaveLoader.h"

#include <QString>
#include <QVector>
#include <QWidget>

class AudioScene;
class GraphicWidget;
class MyItem;
class SpinItem;

// The editor's waveform timeline: the media's audio with a time ruler, one
// block per subtitle entry and the play cursor. Loads the waveform off the
// GUI thread, keeps the blocks in step with the subtitle list and talks to
// the other views only through the hub, to which it connects itself.
class AudioWaveWidget : public QWidget
{
    Q_OBJECT
public:
    explicit AudioWaveWidget(QWidget *parent = nullptr);
    ~AudioWaveWidget() override;

    GraphicWidget *view() const { return m_view; }
    // Replaced as a whole on every load and clear: never keep it.
    AudioScene *scene() const { return m_scene; }
    SpinItem *cursor() const;
    const QVector<MyItem *> &blocks() const;

    // Where media that is not a usable WAV is extracted to;
    // defaultWaveScratchFolder() unless set.
    QString scratchFolder() const { return m_scratchFolder; }
    void setScratchFolder(const QString &folder) { m_scratchFolder = folder; }

    bool isLoading() const { return m_loader.isLoading(); }
    // Why the last load shows no waveform ("" when it does).
    QString lastLoadError() const { return m_lastLoadError; }

public slots:
    void slot_loadWavfile(QString str);
    void slot_noticeUpdateWaveItem(int i);
    void slot_updateTimeBlock();
    void drawTimeblock();
    void updateWidget();
    void slot_clearDate();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectHub();
    QSizeF viewSize() const;
    // A fresh scene of the view's size; the old one goes with its blocks and
    // cursor.
    void replaceScene();
    void applyLoad(const WaveLoadResult &result);
    // The list changed elsewhere: a new document has another count, an
    // edit the same.
    void followList();

    GraphicWidget *m_view = nullptr;
    AudioScene *m_scene = nullptr;
    WaveLoader m_loader;
    QString m_scratchFolder;
    QString m_lastLoadError;
};
