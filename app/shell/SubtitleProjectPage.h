#pragma once

#include "account/ConsumeRecordWidget.h"
#include "account/UpdatePwdWidget.h"

#include <QPointer>
#include <QWidget>

class FileDownloader;
class LoginWidget;
class QTimer;
class MoreOperate;
class PersonTipWidget;
class ProjectContentWidget;
class ProjectTitleWidget;
class SystemTipWidget;

// Page 1, the start page: project list, task chooser and the account
// pop-ups.
class SubtitleProjectPage : public QWidget
{
    Q_OBJECT
public:
    explicit SubtitleProjectPage(QWidget *parent = nullptr);

    ProjectTitleWidget *titleWidget() const { return m_title; }
    ProjectContentWidget *contentWidget() const { return m_content; }
    LoginWidget *loginWidget() const { return m_login; }
    PersonTipWidget *personTipWidget() const { return m_personTip; }
    MoreOperate *moreOperate() const { return m_more; }
    UpdatePwdWidget *updatePwdWidget() const { return m_updatePwd; }
    ConsumeRecordWidget *consumeRecordWidget() const { return m_consumeRecord; }
    SystemTipWidget *systemTipWidget() const { return m_systemTip; }

    // Where a pop-up of `width` opens below a title-bar button at global `p`.
    static QPoint popupPosition(const QPoint &p, int width);

    // The folder the updater is started from: the program's own.
    void setUpdaterFolder(const QString &folder) { m_updaterFolder = folder; }
    QTimer *versionCheckTimer() const { return m_checkTimer; }

public slots:
    void slot_NoticeNewProject();
    void slot_RequestAutoalignment(QString strMediaFile, QString strTxtfile);
    void slot_OpenNewProject();
    void slot_noticeShowLoginWidget();
    void slot_noticeShowRegWidget();
    void slot_OpenPersonInfoWidget(QPoint p);
    void slot_OpenMoreOperateWidget(QPoint p);
    void slot_NoticeShowUpdatePwdWidget();
    void slot_NoticeShowConsumeRecordWidget();
    void slot_Maxnormal(bool maximised);
    void slot_checkTimerout();
    void slot_downVersionFile();
    // "检查更新": the same check, and it says so when there is nothing new.
    void slot_checkUpdateNow();

private:
    void startVersionCheck(bool askedByUser);
    void autoLoginAtStart();
    void rememberAvailableRect();

    ProjectTitleWidget *m_title;
    ProjectContentWidget *m_content;
    LoginWidget *m_login;
    PersonTipWidget *m_personTip;
    MoreOperate *m_more;
    SystemTipWidget *m_systemTip;
    QPointer<UpdatePwdWidget> m_updatePwd;
    QPointer<ConsumeRecordWidget> m_consumeRecord;
    QTimer *m_checkTimer;
    QPointer<FileDownloader> m_versionDownloader;
    bool m_checkAskedByUser = false;
    QString m_updaterFolder;
};
