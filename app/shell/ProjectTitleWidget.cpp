#include "shell/ProjectTitleWidget.h"

ProjectTitleWidget::ProjectTitleWidget(QWidget *parent)
    : TitleBarWidget(parent)
{
    setObjectName(QStringLiteral("ProjectTitleWidget"));
}
