#pragma once

#include "project/ProjectItem.h"

#include <QWidget>

class QLabel;

// One row of the start page's project list.
class ProjectListItem : public QWidget
{
    Q_OBJECT
public:
    ProjectListItem(int index, const ProjectItem &item, QWidget *parent = nullptr);

    int index() const { return m_index; }
    QString nameText() const;
    QString stateText() const;
    QString pathText() const;

signals:
    void signal_EnterProject(int i);
    void signal_DeleteItem(int i);

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    int m_index;
    QLabel *m_name;
    QLabel *m_state;
    QLabel *m_path;
};
