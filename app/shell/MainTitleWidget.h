#pragma once

#include "shell/TitleBarWidget.h"

// The editor's title bar: file, job, save, export and burn buttons on top
// of the shared title-bar buttons; Ctrl+S saves, Ctrl+E exports.
class MainTitleWidget : public TitleBarWidget
{
    Q_OBJECT
public:
    explicit MainTitleWidget(QWidget *parent = nullptr);

signals:
    void signal_saveProject();
    void signal_exportSubtitle();
    void signal_closeProgressW();

private slots:
    void slot_clickOpenMedia();
    void slot_clickOpenSrt();
    void slot_clickAutoAlign();
    void slot_clickVoiceRecog();
    void slot_clickExport();
};
