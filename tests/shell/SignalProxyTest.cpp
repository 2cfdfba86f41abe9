// The hub's signals are connected by name across windows: order and
// spelling are a contract.
#include "base/SignalProxy.h"

#include <gtest/gtest.h>

#include <QMetaMethod>

TEST(SignalProxyTest, DeclaresTheFiftyFourSignalsInOrder)
{
    const char *const expected[] = {
        "signal_noticeShowLoginWidget()",
        "signal_noticeShowRegWidget()",
        "signal_LoginSuccess(QString)",
        "signal_SpeedSelect(double)",
        "signal_StartEditSrt()",
        "signal_noticeUpdateSrtlistWidgetItem(int)",
        "signal_noticeUpdateWaveItem(int)",
        "signal_noticePlayPos(double)",
        "signal_CallBackPlayPos(double,double)",
        "signal_noticePlayState(int,double,double,double)",
        "signal_updateTimeBlock()",
        "signal_NoticeNewProject()",
        "signal_NoticeAutoalignment()",
        "signal_NoticeVoiceRecognition()",
        "signal_NoticeLogout()",
        "signal_NoticeShowUpdatePwdWidget()",
        "signal_NoticeShowConsumeRecordWidget()",
        "signal_SelectMediafile(QString)",
        "signal_SelectTxtfile(QString)",
        "signal_OpenNewProject()",
        "signal_loadProject()",
        "signal_RequestAutoalignment(QString,QString)",
        "signal_NoticeShowPersonCenterWidget(QPoint)",
        "signal_NoticeShowMoreOperateWidget(QPoint)",
        "signal_NoticeProcessOverlay(int)",
        "signal_NoticeShowProcessOverlayWidget()",
        "signal_NoticeShowMargintimeAdjustWidget()",
        "signal_NoticeMarginTimeAdjustment(int,int,int)",
        "signal_SliderposChanged(double)",
        "signal_SpinposChanged(double)",
        "signal_NoticeZoomIn()",
        "signal_NoticeZoomOut()",
        "signal_UpdateList()",
        "signal_noticeSpaceButton()",
        "signal_NoticePausePos(double,double)",
        "signal_noticeShowBottomtoolWidget()",
        "signal_noticeGenerateSrtError()",
        "signal_noticeShowLoadProjectLayer(bool)",
        "signal_loadwavefileFinished()",
        "signal_startLoadwavfile(QString)",
        "signal_drawTimeblock()",
        "signal_stopVideo()",
        "signal_clickTab(int,int)",
        "signal_clickTab(int)",
        "signal_moveWidget(int,int)",
        "signal_noticeCopyPresetvalue(int)",
        "signal_noticeDeletePresetvalue(int)",
        "signal_noticeSelectPresetValue(int)",
        "signal_noticeVideoConvertProgress(QString,int)",
        "signal_noticefreshTasklist()",
        "signal_addVideoTask(TaskItem)",
        "signal_taskManageTableResize(bool)",
        "siganal_ClearDate()",
        "signal_updateCurrentMediaName()"};
    const QMetaObject *meta = &SignalProxy::staticMetaObject;
    QStringList declared;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        if (meta->method(i).methodType() == QMetaMethod::Signal)
            declared << QString::fromLatin1(meta->method(i).methodSignature());
    }
    ASSERT_EQ(declared.size(), 54);
    for (int i = 0; i < 54; ++i)
        EXPECT_EQ(declared[i].toStdString(), expected[i]) << "signal " << i;
}
