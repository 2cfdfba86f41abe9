// Log-in, automatic log-in, personal centre, password change and records
// against a scripted service on the loopback interface.
#include "FakeAccountService.h"
#include "ShellFixture.h"

#include "account/ConsumeRecord.h"
#include "account/ConsumeRecordWidget.h"
#include "base/LoginState.h"
#include "account/LoginWidget.h"
#include "account/PersonTipWidget.h"
#include "account/UpdatePwdWidget.h"
#include "project/Settings.h"
#include "shell/ProjectTitleWidget.h"
#include "base/SignalProxy.h"
#include "shell/SubtitleProjectPage.h"

#include <QCheckBox>
#include <QCryptographicHash>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableWidget>
#include <QToolButton>

namespace {

enum Kind { Login = 2, Update = 4, Logout = 8, CostLog = 9, Balance = 10 };

QByteArray md5Hex(const QByteArray &text)
{
    return QCryptographicHash::hash(text, QCryptographicHash::Md5).toHex();
}

class AccountTest : public ShellFixture
{
protected:
    void SetUp() override
    {
        ShellFixture::SetUp();
        qputenv("CUEWRIGHT_SERVICE_HOST", "127.0.0.1");
        qputenv("CUEWRIGHT_SERVICE_PORT", QByteArray::number(service.port()));
    }

    void logIn(const QString &user = QStringLiteral("demo"), const QString &password = QStringLiteral("pw"))
    {
        loginState().loggedIn = true;
        loginState().sessionId = QStringLiteral("S1");
        accountMemory().userName = user;
        accountMemory().password = password;
    }

    FakeAccountService service;
};

} // namespace

TEST_F(AccountTest, AutomaticLogInAtStartUsesTheStoredAccount)
{
    service.script(Login, {0, QByteArray("{\"session\":\"abc123\"}")});
    accountMemory() = AccountMemory{QStringLiteral("demo"), QStringLiteral("pw_1"), true, true};
    QSignalSpy success(SignalProxy::instance(), &SignalProxy::signal_LoginSuccess);

    SubtitleProjectPage page;
    settle(0);

    EXPECT_TRUE(boxTexts.isEmpty()) << boxTexts.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(loginState().loggedIn);
    EXPECT_EQ(loginState().sessionId, QStringLiteral("abc123"));
    ASSERT_EQ(success.count(), 1);
    EXPECT_EQ(success[0][0].toString(), QStringLiteral("demo"));
    const QByteArray body = service.lastBody(Login);
    EXPECT_TRUE(body.contains("\"username\":\t\"demo\"")) << body.constData();
    EXPECT_TRUE(body.contains(md5Hex("pw_1"))) << body.constData();
    EXPECT_TRUE(page.loginWidget()->autoLoginBox()->isChecked());
    EXPECT_EQ(page.titleWidget()->userNameLabel()->toolTip(), QStringLiteral("demo"));
    EXPECT_TRUE(page.titleWidget()->button(QStringLiteral("login"))->isHidden());
    EXPECT_EQ(readSetting(SettingKeys::UserName), QStringLiteral("demo"));
}

TEST_F(AccountTest, LogInButtonValidatesAndReportsTheServiceMessage)
{
    struct Case
    {
        const char *name;
        QString user;
        QString password;
        int status; // -1: no request expected
        QString wantBox;
        bool wantLoggedIn;
    };
    const Case cases[] = {
        {"empty user", QStringLiteral("  "), QStringLiteral("pw"), -1, QStringLiteral("用户名不能为空！"), false},
        {"empty password", QStringLiteral("demo"), QStringLiteral(" "), -1, QStringLiteral("密码不能为空！"), false},
        {"wrong password", QStringLiteral("demo"), QStringLiteral("pw"), 1,
         QStringLiteral("登录失败：用户名或密码错误，无法登录"), false},
        {"unknown user", QStringLiteral("demo"), QStringLiteral("pw"), 3, QStringLiteral("登录失败：用户不存在"),
         false},
        {"blanks are trimmed", QStringLiteral(" demo "), QStringLiteral(" pw "), 0, QString(), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        boxTexts.clear();
        loginState() = LoginState{};
        const int before = service.requests().size();
        service.script(Login, {c.status, QByteArray("{\"Session\":\"s9\"}")});
        LoginWidget login;
        login.userNameEdit()->setText(c.user);
        login.passwordEdit()->setText(c.password);
        login.slot_clickLoginButton();

        EXPECT_EQ(boxTexts.value(0), c.wantBox);
        EXPECT_EQ(loginState().loggedIn, c.wantLoggedIn);
        EXPECT_EQ(service.requests().size() - before, c.status < 0 ? 0 : 1);
    }
    EXPECT_EQ(loginState().sessionId, QStringLiteral("s9"));
    EXPECT_EQ(accountMemory().userName, QStringLiteral("demo"));
    // Not remembered: the password stays out of the settings file.
    EXPECT_EQ(readSetting(SettingKeys::UserName), QStringLiteral("demo"));
    EXPECT_EQ(readSetting(SettingKeys::UserPwd), QString());
}

TEST_F(AccountTest, OnlyARememberedPasswordIsWrittenAndUncheckingErasesIt)
{
    service.script(Login, {0, QByteArray("{\"Session\":\"s1\"}")});
    LoginWidget login;
    login.userNameEdit()->setText(QStringLiteral("demo"));
    login.passwordEdit()->setText(QStringLiteral("pw_2"));
    login.rememberBox()->click();
    login.slot_clickLoginButton();
    EXPECT_EQ(readSetting(SettingKeys::UserPwd), QStringLiteral("pw_2"));

    login.rememberBox()->click();
    EXPECT_EQ(readSetting(SettingKeys::UserPwd), QString());
    EXPECT_EQ(readSetting(SettingKeys::IsRememberPwd), QStringLiteral("0"));
}

TEST_F(AccountTest, UnreachableServiceGivesTheConnectionMessage)
{
    qputenv("CUEWRIGHT_SERVICE_PORT", "1"); // nothing listens there
    LoginWidget login;
    login.userNameEdit()->setText(QStringLiteral("demo"));
    login.passwordEdit()->setText(QStringLiteral("pw"));
    login.slot_clickLoginButton();
    EXPECT_EQ(boxTexts.value(0), QStringLiteral("登录失败：无法申请到网络套接字"));
    EXPECT_FALSE(loginState().loggedIn);
}

TEST_F(AccountTest, RememberAndAutomaticBoxesPullEachOther)
{
    LoginWidget login;
    login.autoLoginBox()->click();
    EXPECT_TRUE(login.rememberBox()->isChecked());
    EXPECT_EQ(readSetting(SettingKeys::IsAutoLogin), QStringLiteral("1"));
    EXPECT_EQ(readSetting(SettingKeys::IsRememberPwd), QStringLiteral("1"));

    login.rememberBox()->click();
    EXPECT_FALSE(login.autoLoginBox()->isChecked());
    EXPECT_FALSE(accountMemory().autoLogin);
    EXPECT_EQ(readSetting(SettingKeys::IsAutoLogin), QStringLiteral("0"));
    EXPECT_EQ(readSetting(SettingKeys::IsRememberPwd), QStringLiteral("0"));

    accountMemory() = AccountMemory{QStringLiteral("u"), QStringLiteral("p"), true, false};
    login.fillFromMemory();
    EXPECT_EQ(login.userNameEdit()->text(), QStringLiteral("u"));
    EXPECT_TRUE(login.rememberBox()->isChecked());
    EXPECT_FALSE(login.autoLoginBox()->isChecked());
    accountMemory().rememberPassword = false;
    login.fillFromMemory();
    EXPECT_TRUE(login.userNameEdit()->text().isEmpty());
}

TEST_F(AccountTest, PasswordChangeValidatesThenSendsTheConfirmation)
{
    struct Case
    {
        const char *name;
        QString oldPassword, newPassword, confirmation;
        int status; // -1: not sent
        QString wantBox;
    };
    const Case cases[] = {
        {"old missing", "", "n1", "n1", -1, QStringLiteral("原密码不能为空！")},
        {"new missing", "o", "", "n1", -1, QStringLiteral("新密码不能为空！")},
        {"confirmation missing", "o", "n1", "", -1, QStringLiteral("确认密码不能为空！")},
        {"mismatch", "o", "n1", "N1", -1, QStringLiteral("两次输入密码不一致！")},
        {"refused", "o", "n1", "n1", 1, QStringLiteral("更新密码失败更新错误")},
        {"accepted", "anything", "n1", "n1", 0, QStringLiteral("更新密码成功！")},
    };
    logIn(QStringLiteral("demo"), QStringLiteral("pw"));
    accountMemory().rememberPassword = true;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        boxTexts.clear();
        const int before = service.requests().size();
        service.script(Update, {c.status, QByteArray()});
        UpdatePwdWidget window;
        window.show();
        window.oldPasswordEdit()->setText(c.oldPassword);
        window.newPasswordEdit()->setText(c.newPassword);
        window.confirmPasswordEdit()->setText(c.confirmation);
        window.slot_clickConfirmButton();
        EXPECT_EQ(boxTexts.value(0), c.wantBox);
        EXPECT_EQ(service.requests().size() - before, c.status < 0 ? 0 : 1);
        EXPECT_EQ(window.isVisible(), c.status != 0);
    }
    const QByteArray body = service.lastBody(Update);
    EXPECT_TRUE(body.contains(md5Hex("pw"))) << body.constData();
    EXPECT_TRUE(body.contains(md5Hex("n1"))) << body.constData();
    EXPECT_FALSE(body.contains(md5Hex("anything")));
    // The remembered password follows the change, or the next automatic
    // log-in and the next change would send the old one.
    EXPECT_EQ(accountMemory().password, QStringLiteral("n1"));
    EXPECT_EQ(readSetting(SettingKeys::UserPwd), QStringLiteral("n1"));
}

TEST_F(AccountTest, ConsumptionRecordsShowNewestFirstAndSkipShortLines)
{
    logIn();
    service.script(Balance, {0, QByteArray("3661")});
    service.script(CostLog, {0, QByteArray("2026-01-01 10:00,+,25,3600\n"
                                           "2026-01-02 11:00,-,0,61\n"
                                           "broken,line,3\n"
                                           "2026-01-03 12:00,*,0,59\n")});
    ConsumeRecordWidget window;
    ASSERT_TRUE(window.refreshBalance());
    EXPECT_EQ(window.remainingField()->text(), QStringLiteral("1小时1分1秒"));

    window.slot_clickLookupButton();
    QTableWidget *table = window.table();
    ASSERT_EQ(table->rowCount(), 3);
    const QStringList want[3] = {
        {QStringLiteral("2026-01-03 12:00"), QStringLiteral("赠送"), QStringLiteral("0"), QStringLiteral("59秒")},
        {QStringLiteral("2026-01-02 11:00"), QStringLiteral("消费"), QStringLiteral("0"), QStringLiteral("1分1秒")},
        {QStringLiteral("2026-01-01 10:00"), QStringLiteral("充值"), QStringLiteral("25"), QStringLiteral("1小时")},
    };
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(table->item(row, column)->text(), want[row][column]) << row << "," << column;
    EXPECT_TRUE(service.lastBody(CostLog).contains("\"end\":\t200"));

    // A second lookup keeps the earlier rows, emptied, below the new ones.
    service.script(CostLog, {0, QByteArray("2026-02-01 09:00,+,10,1440\n")});
    window.slot_clickLookupButton();
    ASSERT_EQ(table->rowCount(), 4);
    EXPECT_EQ(table->item(0, 0)->text(), QStringLiteral("2026-02-01 09:00"));
    EXPECT_TRUE(table->item(1, 0)->text().isEmpty());

    service.script(CostLog, {2, QByteArray()});
    window.slot_clickLookupButton();
    EXPECT_EQ(boxTexts.value(0).left(5), QStringLiteral("查询失败："));
}

TEST_F(AccountTest, PersonalCentreShowsTheBalanceAndLogsOut)
{
    service.script(Balance, {0, QByteArray("0")});
    logIn();
    accountMemory().autoLogin = false;
    SubtitleProjectPage page;
    emit SignalProxy::instance()->signal_NoticeShowPersonCenterWidget(QPoint(500, 10));
    PersonTipWidget *tip = page.personTipWidget();
    EXPECT_TRUE(tip->isVisible());
    EXPECT_TRUE(tip->remainingTimeText().isEmpty());
    EXPECT_FALSE(tip->cancelAutoLoginShown());
    settle(1100); // untouched, it closes by itself
    EXPECT_FALSE(tip->isVisible());

    QSignalSpy logout(SignalProxy::instance(), &SignalProxy::signal_NoticeLogout);
    qputenv("CUEWRIGHT_SERVICE_PORT", "1"); // the log-out exchange fails; the program logs out anyway
    tip->slot_clickLoginoutLabel();
    EXPECT_FALSE(loginState().loggedIn);
    EXPECT_EQ(logout.count(), 1);
    EXPECT_FALSE(page.titleWidget()->button(QStringLiteral("login"))->isHidden());
}

TEST_F(AccountTest, RecordTypeLabels)
{
    EXPECT_EQ(consumeTypeLabel(QStringLiteral(" + ")), QStringLiteral("充值"));
    EXPECT_EQ(consumeTypeLabel(QStringLiteral("-")), QStringLiteral("消费"));
    EXPECT_EQ(consumeTypeLabel(QStringLiteral("#")), QStringLiteral("赠送"));
    EXPECT_TRUE(parseConsumeRecords(QString()).isEmpty());
}

TEST_F(AccountTest, RecordsWindowIsFramelessAndClosesByItsOwnButton)
{
    ConsumeRecordWidget window;
    window.show();
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    window.closeButton()->click();
    EXPECT_FALSE(window.isVisible());
}
