#pragma once

#include "shell/TitleBarWidget.h"

// The start page's title bar. Its close button is answered by the main
// window, which quits at once unless a project or a job is still open.
class ProjectTitleWidget : public TitleBarWidget
{
    Q_OBJECT
public:
    explicit ProjectTitleWidget(QWidget *parent = nullptr);
};
