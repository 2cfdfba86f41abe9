#include "shell/SubtitleProjectPage.h"

#include "account/ConsumeRecordWidget.h"
#include "base/LoginState.h"
#include "account/LoginWidget.h"
#include "account/PersonTipWidget.h"
#include "account/UpdatePwdWidget.h"
#include "base/AppConfig.h"
#include "base/CurrentProject.h"
#include "shell/MoreOperate.h"
#include "base/PlaybackState.h"
#include "shell/ProjectContentWidget.h"
#include "shell/ProjectTitleWidget.h"
#include "base/SignalProxy.h"
#include "shell/SystemTipWidget.h"
#include "base/WindowGeometry.h"

#include "base/DesktopActions.h"
#include "base/MsgBox.h"
#include "project/Settings.h"
#include "shell/MainWidget.h"
#include "update/FileDownloader.h"
#include "update/ProgramVersion.h"
#include "update/UpdatePrompt.h"
#include "update/UpdaterLauncher.h"
#include "update/VersionFile.h"

#include <QCoreApplication>
#include <QTimer>
#include <QVBoxLayout>

SubtitleProjectPage::SubtitleProjectPage(QWidget *parent)
    : QWidget(parent)
{
    resize(1280, 665);
    m_title = new ProjectTitleWidget(this);
    m_content = new ProjectContentWidget(this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_title);
    layout->addWidget(m_content, 1);

    m_personTip = new PersonTipWidget(this);
    m_personTip->hide();
    m_more = new MoreOperate(this);
    m_more->hide();
    m_login = new LoginWidget(this);
    m_login->fillFromMemory();
    m_systemTip = new SystemTipWidget(this);
    if (SystemTipWidget::shouldShow())
        QTimer::singleShot(500, m_systemTip, &QWidget::show);

    SignalProxy *proxy = SignalProxy::instance();
    connect(proxy, &SignalProxy::signal_NoticeNewProject, this, &SubtitleProjectPage::slot_NoticeNewProject);
    connect(proxy, &SignalProxy::signal_OpenNewProject, this, &SubtitleProjectPage::slot_OpenNewProject);
    connect(proxy, &SignalProxy::signal_RequestAutoalignment, this, &SubtitleProjectPage::slot_RequestAutoalignment);
    connect(proxy, &SignalProxy::signal_noticeShowLoginWidget, this, &SubtitleProjectPage::slot_noticeShowLoginWidget);
    connect(proxy, &SignalProxy::signal_noticeShowRegWidget, this, &SubtitleProjectPage::slot_noticeShowRegWidget);
    connect(proxy, &SignalProxy::signal_NoticeShowPersonCenterWidget, this,
            &SubtitleProjectPage::slot_OpenPersonInfoWidget);
    connect(proxy, &SignalProxy::signal_NoticeShowMoreOperateWidget, this,
            &SubtitleProjectPage::slot_OpenMoreOperateWidget);
    connect(proxy, &SignalProxy::signal_NoticeShowUpdatePwdWidget, this,
            &SubtitleProjectPage::slot_NoticeShowUpdatePwdWidget);
    connect(proxy, &SignalProxy::signal_NoticeShowConsumeRecordWidget, this,
            &SubtitleProjectPage::slot_NoticeShowConsumeRecordWidget);
    connect(m_title, &TitleBarWidget::signal_Maxnormal, this, &SubtitleProjectPage::slot_Maxnormal);
    connect(m_more, &MoreOperate::signal_checkUpdate, this, &SubtitleProjectPage::slot_checkUpdateNow);

    m_updaterFolder = QCoreApplication::applicationDirPath();
    m_checkTimer = new QTimer(this);
    m_checkTimer->setInterval(666);
    connect(m_checkTimer, &QTimer::timeout, this, &SubtitleProjectPage::slot_checkTimerout);
    m_checkTimer->start();

    // After the window is up, so a slow service never delays its first paint.
    if (accountMemory().autoLogin)
        QTimer::singleShot(0, this, &SubtitleProjectPage::autoLoginAtStart);
}

QPoint SubtitleProjectPage::popupPosition(const QPoint &p, int width)
{
    return QPoint(p.x() - width / 2 + 16, p.y() + 32);
}

void SubtitleProjectPage::autoLoginAtStart()
{
    m_login->slot_clickLoginButton();
}

void SubtitleProjectPage::rememberAvailableRect()
{
    currentProject().availableRect = WindowGeometry::availableArea(window());
}

void SubtitleProjectPage::slot_NoticeNewProject()
{
    resetCurrentProject();
    rememberAvailableRect();
    emit SignalProxy::instance()->signal_clickTab(2, 0);
}

void SubtitleProjectPage::slot_RequestAutoalignment(QString strMediaFile, QString strTxtfile)
{
    // A project can still be open behind the start page (the burn page's
    // hand-over keeps it): it is left, or kept, as "新建工程" would.
    if (!m_content->mayReplaceOpenProject())
        return;
    resetCurrentProject();
    rememberAvailableRect();
    CurrentProject &project = currentProject();
    project.mediaFilePath = strMediaFile;
    project.subtitleFilePath = strTxtfile;
    SignalProxy *proxy = SignalProxy::instance();
    if (!strTxtfile.isEmpty())
        emit proxy->signal_SelectTxtfile(strTxtfile);
    if (project.lineTooLong) {
        // Nothing was started: no half-made project stays open behind the page.
        resetCurrentProject();
        MsgBox::notice(this, QStringLiteral("字幕文本中存在行内容过长，需作断行处理，然后重新开始！"));
        project.lineTooLong = false;
        return;
    }
    emit proxy->signal_clickTab(2, 0);
    if (strTxtfile.isEmpty())
        emit proxy->signal_NoticeVoiceRecognition();
    else
        emit proxy->signal_NoticeAutoalignment();
}

void SubtitleProjectPage::slot_OpenNewProject()
{
    // The project's values are in the state already (see ProjectActions).
    rememberAvailableRect();
    SignalProxy *proxy = SignalProxy::instance();
    emit proxy->signal_clickTab(2, 0);
    emit proxy->signal_noticeShowLoadProjectLayer(true);
    QTimer::singleShot(10, proxy, [proxy] { emit proxy->signal_loadProject(); });
}

void SubtitleProjectPage::slot_noticeShowLoginWidget()
{
    m_login->fillFromMemory();
    m_login->show();
    m_login->raise();
}

void SubtitleProjectPage::slot_noticeShowRegWidget()
{
    DesktopActions::openUrl(AppConfig::webPage(QStringLiteral("/toRegister.honzh")));
}

void SubtitleProjectPage::slot_OpenPersonInfoWidget(QPoint p)
{
    m_personTip->move(popupPosition(p, m_personTip->width()));
    m_personTip->setWindowModality(Qt::ApplicationModal);
    m_personTip->refresh();
    if (loginState().loggedIn)
        m_personTip->show();
}

void SubtitleProjectPage::slot_OpenMoreOperateWidget(QPoint p)
{
    m_more->move(popupPosition(p, m_more->width()));
    m_more->setWindowModality(Qt::ApplicationModal);
    m_more->show();
}

void SubtitleProjectPage::slot_NoticeShowUpdatePwdWidget()
{
    delete m_updatePwd;
    m_updatePwd = new UpdatePwdWidget(this);
    m_updatePwd->show();
}

void SubtitleProjectPage::slot_NoticeShowConsumeRecordWidget()
{
    delete m_consumeRecord;
    m_consumeRecord = new ConsumeRecordWidget(this);
    m_consumeRecord->refreshBalance();
    m_consumeRecord->setWindowModality(Qt::ApplicationModal);
    m_consumeRecord->show();
}

void SubtitleProjectPage::slot_Maxnormal(bool maximised)
{
    QWidget *top = window();
    const QRect area = WindowGeometry::availableArea(top);
    top->setGeometry(maximised ? area : WindowGeometry::normalGeometry(area));
}

void SubtitleProjectPage::slot_checkTimerout()
{
    m_checkTimer->stop();
    if (settingFlagIsSet(ensureSettingDefault(SettingKeys::CheckUpdateAtStart, QStringLiteral("1"))))
        startVersionCheck(false);
    // One pixel wider and back: the freshly shown window lays itself out again.
    if (QWidget *top = parentWidget() ? parentWidget()->window() : nullptr) {
        top->resize(top->width() + 1, top->height());
        top->resize(top->width() - 1, top->height());
    }
}

void SubtitleProjectPage::slot_checkUpdateNow()
{
    startVersionCheck(true);
}

void SubtitleProjectPage::startVersionCheck(bool askedByUser)
{
    // A check on its way answers both; the user hears of its outcome.
    m_checkAskedByUser = m_checkAskedByUser || askedByUser;
    if (m_versionDownloader && !m_versionDownloader->isFinished())
        return;
    delete m_versionDownloader;
    m_versionDownloader = new FileDownloader(AppConfig::webPage(versionFilePath), this);
    connect(m_versionDownloader, &FileDownloader::downloaded, this, &SubtitleProjectPage::slot_downVersionFile);
}

void SubtitleProjectPage::slot_downVersionFile()
{
    const bool askedByUser = m_checkAskedByUser;
    m_checkAskedByUser = false;
    if (!m_versionDownloader)
        return;
    // A host that has published nothing has nothing newer either.
    const bool fetched = m_versionDownloader->succeeded() || m_versionDownloader->httpStatus() == 404;
    const std::optional<UpdateOffer> offer =
        updateOffer(parseVersionFile(m_versionDownloader->downloadedData()), ProgramVersion::own());
    if (!offer) {
        if (askedByUser)
            MsgBox::notice(this, fetched ? QStringLiteral("当前已是最新版本。")
                                         : QStringLiteral("检查更新失败，请检查网络后重试。"));
        return;
    }
    const UpdaterLauncher launcher(m_updaterFolder, currentProject().tempFolder);
    ClosingSteps steps;
    // The editor owns the closing questions; without one, nothing is open.
    if (MainWidget *editor = window()->findChild<MainWidget *>()) {
        steps.confirm = [editor] { return editor->confirmClose(); };
        steps.finish = [editor] { editor->finishClose(); };
    } else {
        steps.finish = [] { QCoreApplication::quit(); };
    }
    offerUpdate(this, *offer, launcher, steps);
}
