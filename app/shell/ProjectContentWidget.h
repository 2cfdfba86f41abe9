#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;
class SrtTypechoiceWidget;
class ProjectListItem;
class VideoOnlyWidget;
class VideoSrtWidget;

// The start page's content: the project list on the left, the task chooser
// on the right.
class ProjectContentWidget : public QWidget
{
    Q_OBJECT
public:
    explicit ProjectContentWidget(QWidget *parent = nullptr);

    QList<ProjectListItem *> rows() const;
    QToolButton *returnButton() const { return m_return; }
    QStackedWidget *taskStack() const { return m_stack; }
    SrtTypechoiceWidget *chooser() const { return m_chooser; }
    VideoSrtWidget *videoSrtPage() const { return m_videoSrt; }
    VideoOnlyWidget *videoOnlyPage() const { return m_videoOnly; }

    // Asked before a new or another project replaces one that is still open
    // (the burn hand-over leaves the editor without the leave check).
    void setLeaveCheck(std::function<bool()> check) { m_leaveCheck = std::move(check); }
    // True when nothing is open, or the leave check lets it go.
    bool mayReplaceOpenProject() const;

public slots:
    void slot_clickNewButton();
    void slot_clickOpenButton();
    void slot_clickClearallButton();
    void slot_EnterProject(int i);
    void slot_deleteProjectItem(int i);
    void slot_ReturnFirstPage();
    void slot_SwitchSrtPage(int iType);
    void slot_clickReturnButton();

private:
    void rebuildRows();

    std::function<bool()> m_leaveCheck;

    QVBoxLayout *m_rowsLayout;
    QLabel *m_heading;
    QToolButton *m_return;
    QStackedWidget *m_stack;
    SrtTypechoiceWidget *m_chooser;
    VideoSrtWidget *m_videoSrt;
    VideoOnlyWidget *m_videoOnly;
};
