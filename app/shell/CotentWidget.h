#pragma once

#include <QWidget>

class MainWidget;
class QStackedLayout;
class StatusWidget;
class SubtitleProjectPage;

// The frameless top-level window: four pages above the bottom tab bar.
class CotentWidget : public QWidget
{
    Q_OBJECT
public:
    explicit CotentWidget(QWidget *parent = nullptr);

    int currentPage() const; // 1..4
    SubtitleProjectPage *projectPage() const { return m_projectPage; }
    MainWidget *mainWidget() const { return m_mainWidget; }
    StatusWidget *statusWidget() const { return m_status; }

public slots:
    void slot_clickTab(int i, int index);
    void slot_moveWidget(int dx, int dy);

protected:
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QStackedLayout *m_pages;
    SubtitleProjectPage *m_projectPage;
    MainWidget *m_mainWidget;
    StatusWidget *m_status;
};
