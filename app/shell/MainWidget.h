#pragma once

#include <QWidget>

class BottomToolWidget;
class MainContentWidget;
class MainTitleWidget;
class QLightBoxWidget;
class QToolButton;
class SrtProgressWidget;

// Page 2, the subtitle editor, and the rules for leaving it and for
// closing the program from it.
class MainWidget : public QWidget
{
    Q_OBJECT
public:
    explicit MainWidget(QWidget *parent = nullptr);
    ~MainWidget() override;

    // True when the project file was written. A failed write is reported
    // to the user here.
    bool saveProject();
    bool confirmLeaveProject();
    // True when it ended the event loop.
    bool closeApplication();
    // The closing questions alone (a running job, an unsaved project); true
    // when the program may end. Nothing is stopped yet.
    bool confirmClose();
    // Stops playback and any job and ends the event loop.
    void finishClose();

    // Where the floating tool strip sits for a centred editor on `screen`.
    static QPoint bottomToolPosition(const QRect &screen, const QSize &toolSize);

    MainTitleWidget *titleWidget() const { return m_title; }
    MainContentWidget *contentWidget() const { return m_content; }
    BottomToolWidget *bottomToolWidget() const { return m_bottomTool; }
    QLightBoxWidget *lightBox() const { return m_lightBox; }
    SrtProgressWidget *progressWidget() const { return m_progress; }
    QToolButton *lightBoxCloseButton() const { return m_lightBoxClose; }
    bool isMaximised() const { return m_maximised; }

public slots:
    void slot_NoticeAutoalignment();
    void slot_NoticeVoiceRecognition();
    void slot_closeLightBox();
    void slot_noticeShowLoadProjectLayer(bool b);
    void slot_Maxnormal(bool maximised);
    void updateWidget();

private slots:
    void slot_saveProjectWithTip();
    void slot_exportSubtitle();
    void slot_showProcessOverlayWidget();
    void slot_showMarginTimeAdjustWidget();
    void slot_jobResultArriving(bool recognition);
    void slot_jobCompleted();

private:
    void startJob(bool recognition);

    MainTitleWidget *m_title;
    MainContentWidget *m_content;
    BottomToolWidget *m_bottomTool;
    QLightBoxWidget *m_lightBox;
    SrtProgressWidget *m_progress;
    QToolButton *m_lightBoxClose;
    bool m_maximised = false;
};
