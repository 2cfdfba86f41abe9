#pragma once

#include <QWidget>

class ConvertVideoWidget;
class MainWidget;
class QStackedLayout;
class StatusWidget;
class SubtitleProjectPage;
class TaskManageWidget;
class TitleBarWidget;

// The frameless top-level window: four pages above the bottom tab bar.
class CotentWidget : public QWidget
{
    Q_OBJECT
public:
    explicit CotentWidget(QWidget *parent = nullptr);

    int currentPage() const; // 1..4
    SubtitleProjectPage *projectPage() const { return m_projectPage; }
    MainWidget *mainWidget() const { return m_mainWidget; }
    ConvertVideoWidget *burnPage() const { return m_burnPage; }
    TaskManageWidget *taskPage() const { return m_taskPage; }
    StatusWidget *statusWidget() const { return m_status; }

public slots:
    void slot_clickTab(int i, int index);
    void slot_moveWidget(int dx, int dy);
    // Every close button and the window system's close: asks while batch
    // tasks run, then takes the editor's road; true when the program ends.
    bool closeApplication();

protected:
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    TitleBarWidget *makePageTitleBar();
    void openTaskProject(const QString &projectPath);

    QStackedLayout *m_pages;
    SubtitleProjectPage *m_projectPage;
    MainWidget *m_mainWidget;
    ConvertVideoWidget *m_burnPage;
    TaskManageWidget *m_taskPage;
    StatusWidget *m_status;
};
