#include "shell/MainTitleWidget.h"

#include "base/CurrentProject.h"
#include "base/FilePickers.h"
#include "base/SignalProxy.h"

#include <QHBoxLayout>
#include <QShortcut>
#include <QToolButton>

MainTitleWidget::MainTitleWidget(QWidget *parent)
    : TitleBarWidget(parent)
{
    setObjectName(QStringLiteral("MainTitleWidget"));
    QHBoxLayout *row = leadingLayout();
    connect(addNamedButton(row, QStringLiteral("openmedia"), QStringLiteral("打开媒体文件")),
            &QToolButton::clicked, this, &MainTitleWidget::slot_clickOpenMedia);
    connect(addNamedButton(row, QStringLiteral("opensrt"), QStringLiteral("打开字幕文件")),
            &QToolButton::clicked, this, &MainTitleWidget::slot_clickOpenSrt);
    connect(addNamedButton(row, QStringLiteral("autoalign"), QStringLiteral("自动对齐")),
            &QToolButton::clicked, this, &MainTitleWidget::slot_clickAutoAlign);
    connect(addNamedButton(row, QStringLiteral("voicerecog"), QStringLiteral("语音识别")),
            &QToolButton::clicked, this, &MainTitleWidget::slot_clickVoiceRecog);
    connect(addNamedButton(row, QStringLiteral("saveproject"), QStringLiteral("保存工程")),
            &QToolButton::clicked, this, &MainTitleWidget::signal_saveProject);
    connect(addNamedButton(row, QStringLiteral("exportsubtitle"), QStringLiteral("导出字幕")),
            &QToolButton::clicked, this, &MainTitleWidget::slot_clickExport);
    connect(addNamedButton(row, QStringLiteral("repress"), QStringLiteral("压制")),
            &QToolButton::clicked, this, [] {
                // Like the other title-bar actions: no leaving mid-job, the
                // result must land in the editor it was started from.
                if (!currentProject().taskRunning)
                    emit SignalProxy::instance()->signal_clickTab(3, 1);
            });

    auto *save = new QShortcut(QKeySequence(QStringLiteral("Ctrl+S")), this);
    connect(save, &QShortcut::activated, this, &MainTitleWidget::signal_saveProject);
    auto *exportKey = new QShortcut(QKeySequence(QStringLiteral("Ctrl+E")), this);
    connect(exportKey, &QShortcut::activated, this, &MainTitleWidget::slot_clickExport);
}

void MainTitleWidget::slot_clickOpenMedia()
{
    if (currentProject().taskRunning)
        return;
    const QString path = FilePickers::pickMediaFile(this);
    if (!path.isEmpty())
        emit SignalProxy::instance()->signal_SelectMediafile(path);
}

void MainTitleWidget::slot_clickOpenSrt()
{
    if (currentProject().taskRunning)
        return;
    const QString path = FilePickers::pickTextFile(this);
    if (!path.isEmpty())
        emit SignalProxy::instance()->signal_SelectTxtfile(path);
}

void MainTitleWidget::slot_clickAutoAlign()
{
    if (!currentProject().taskRunning)
        emit SignalProxy::instance()->signal_NoticeAutoalignment();
}

void MainTitleWidget::slot_clickVoiceRecog()
{
    if (!currentProject().taskRunning)
        emit SignalProxy::instance()->signal_NoticeVoiceRecognition();
}

void MainTitleWidget::slot_clickExport()
{
    if (!currentProject().taskRunning)
        emit signal_exportSubtitle();
}
