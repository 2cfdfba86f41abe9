#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

#include "base/TaskItem.h"

// The process-wide signal hub: windows emit and connect here instead of
// knowing each other. Declaration order is part of the contract.
class SignalProxy : public QObject
{
    Q_OBJECT
public:
    // The hub of the program's state (see AppState).
    static SignalProxy *instance();

signals:
    void signal_noticeShowLoginWidget();
    void signal_noticeShowRegWidget();
    void signal_LoginSuccess(QString strUserName);
    void signal_SpeedSelect(double d);
    void signal_StartEditSrt();
    void signal_noticeUpdateSrtlistWidgetItem(int i);
    void signal_noticeUpdateWaveItem(int i);
    void signal_noticePlayPos(double dScecond);
    void signal_CallBackPlayPos(double t, double duration);
    void signal_noticePlayState(int iTag, double dPos, double dStart, double dEnd);
    void signal_updateTimeBlock();
    void signal_NoticeNewProject();
    void signal_NoticeAutoalignment();
    void signal_NoticeVoiceRecognition();
    void signal_NoticeLogout();
    void signal_NoticeShowUpdatePwdWidget();
    void signal_NoticeShowConsumeRecordWidget();
    void signal_SelectMediafile(QString strFile);
    void signal_SelectTxtfile(QString strFile);
    void signal_OpenNewProject();
    void signal_loadProject();
    void signal_RequestAutoalignment(QString strMediaFile, QString strTxtfile);
    void signal_NoticeShowPersonCenterWidget(QPoint p);
    void signal_NoticeShowMoreOperateWidget(QPoint p);
    void signal_NoticeProcessOverlay(int iType);
    void signal_NoticeShowProcessOverlayWidget();
    void signal_NoticeShowMargintimeAdjustWidget();
    void signal_NoticeMarginTimeAdjustment(int iStart, int iEndTime, int iType);
    void signal_SliderposChanged(double d);
    void signal_SpinposChanged(double d);
    void signal_NoticeZoomIn();
    void signal_NoticeZoomOut();
    void signal_UpdateList();
    void signal_noticeSpaceButton();
    void signal_NoticePausePos(double t, double dTotal);
    void signal_noticeShowBottomtoolWidget();
    void signal_noticeGenerateSrtError();
    void signal_noticeShowLoadProjectLayer(bool b);
    void signal_loadwavefileFinished();
    void signal_startLoadwavfile(QString str);
    void signal_drawTimeblock();
    void signal_stopVideo();
    void signal_clickTab(int num, int index);
    void signal_clickTab(int num);
    void signal_moveWidget(int dx, int dy);
    void signal_noticeCopyPresetvalue(int i);
    void signal_noticeDeletePresetvalue(int i);
    void signal_noticeSelectPresetValue(int i);
    void signal_noticeVideoConvertProgress(QString tid, int iProgress);
    void signal_noticefreshTasklist();
    void signal_addVideoTask(TaskItem);
    void signal_taskManageTableResize(bool);
    void siganal_ClearDate();
    void signal_updateCurrentMediaName();

private:
    friend class AppState;
    SignalProxy() = default;
};
