#pragma once

#include "shell/TitleBarWidget.h"

// The start page's title bar; its close button ends the program at once
// (no project can be open on the start page).
class ProjectTitleWidget : public TitleBarWidget
{
    Q_OBJECT
public:
    explicit ProjectTitleWidget(QWidget *parent = nullptr);
};
