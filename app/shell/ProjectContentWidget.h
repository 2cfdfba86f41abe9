#pragma once

#include <QWidget>

class QLabel;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;
class SrtTypechoiceWidget;
class ProjectListItem;

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

    QVBoxLayout *m_rowsLayout;
    QLabel *m_heading;
    QToolButton *m_return;
    QStackedWidget *m_stack;
    SrtTypechoiceWidget *m_chooser;
};
