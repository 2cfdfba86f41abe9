#include "shell/ProjectTitleWidget.h"

#include <QCoreApplication>

ProjectTitleWidget::ProjectTitleWidget(QWidget *parent)
    : TitleBarWidget(parent)
{
    setObjectName(QStringLiteral("ProjectTitleWidget"));
    connect(this, &TitleBarWidget::signal_closeClicked, qApp, &QCoreApplication::quit);
}
