#include "account/LoginWidget.h"

#include "account/AccountService.h"
#include "base/LoginState.h"
#include "project/Settings.h"
#include "base/MsgBox.h"
#include "base/SignalProxy.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {
const char *const kAccountPattern = "^[A-Za-z0-9@_]+$";

QString flagText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}
} // namespace

QString storedPassword(const QString &password)
{
    return accountMemory().rememberPassword ? password : QString();
}

LoginWidget::LoginWidget(QWidget *parent)
    : FramedDialog(QStringLiteral("登录"), parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("LoginWidget"));
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(380, 270);

    const QRegularExpression pattern(QString::fromLatin1(kAccountPattern));
    m_userName = new QLineEdit(this);
    m_userName->setValidator(new QRegularExpressionValidator(pattern, m_userName));
    m_password = new QLineEdit(this);
    m_password->setEchoMode(QLineEdit::Password);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("用户名："), m_userName);
    form->addRow(QStringLiteral("密码："), m_password);

    m_remember = new QCheckBox(QStringLiteral("记住密码"), this);
    m_autoLogin = new QCheckBox(QStringLiteral("自动登录"), this);
    connect(m_remember, &QCheckBox::clicked, this, &LoginWidget::slot_RememberPwdCheckState);
    connect(m_autoLogin, &QCheckBox::clicked, this, &LoginWidget::slot_AutoLoginCheckState);
    auto *boxes = new QHBoxLayout;
    boxes->addWidget(m_remember);
    boxes->addStretch();
    boxes->addWidget(m_autoLogin);

    QVBoxLayout *layout = contentLayout();
    layout->setContentsMargins(24, 4, 24, 18);
    layout->addLayout(form);
    layout->addLayout(boxes);
    const ActionButtons buttons = addActionButtons(QStringLiteral("登录"));
    buttons.primary->setDefault(true);
    connect(buttons.primary, &QPushButton::clicked, this, &LoginWidget::slot_clickLoginButton);
    connect(buttons.cancel, &QPushButton::clicked, this, &LoginWidget::slot_clickCancelButton);
}

void LoginWidget::fillFromMemory()
{
    const AccountMemory &memory = accountMemory();
    const bool fill = memory.autoLogin || memory.rememberPassword;
    m_userName->setText(fill ? memory.userName : QString());
    m_password->setText(fill ? memory.password : QString());
    m_remember->setChecked(fill);
    m_autoLogin->setChecked(memory.autoLogin);
}

void LoginWidget::slot_clickLoginButton()
{
    const QString userName = m_userName->text().trimmed();
    const QString password = m_password->text().trimmed();
    if (userName.isEmpty()) {
        MsgBox::notice(this, QStringLiteral("用户名不能为空！"));
        return;
    }
    if (password.isEmpty()) {
        MsgBox::notice(this, QStringLiteral("密码不能为空！"));
        return;
    }

    QString sessionId;
    QString error;
    if (AccountService::loginToService(userName, password, sessionId, error) < 0) {
        MsgBox::notice(this, error);
    } else {
        loginState().loggedIn = true;
        loginState().sessionId = sessionId;
        accountMemory().userName = userName;
        accountMemory().password = password;
        writeSetting(SettingKeys::UserName, userName);
        writeSetting(SettingKeys::UserPwd, storedPassword(password));
        emit SignalProxy::instance()->signal_LoginSuccess(userName);
    }
    hide();
}

void LoginWidget::slot_clickCancelButton()
{
    hide();
}

void LoginWidget::slot_RememberPwdCheckState(bool checked)
{
    AccountMemory &memory = accountMemory();
    memory.rememberPassword = checked;
    if (!checked) {
        m_autoLogin->setChecked(false);
        memory.autoLogin = false;
        writeSetting(SettingKeys::IsAutoLogin, flagText(false));
        writeSetting(SettingKeys::UserPwd, QString());
    }
    writeSetting(SettingKeys::IsRememberPwd, flagText(checked));
}

void LoginWidget::slot_AutoLoginCheckState(bool checked)
{
    AccountMemory &memory = accountMemory();
    memory.autoLogin = checked;
    writeSetting(SettingKeys::IsAutoLogin, flagText(checked));
    if (checked) {
        m_remember->setChecked(true);
        memory.rememberPassword = true;
        writeSetting(SettingKeys::IsRememberPwd, flagText(true));
    }
}
