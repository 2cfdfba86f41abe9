#include "account/UpdatePwdWidget.h"

#include "account/AccountService.h"
#include "account/LoginWidget.h"
#include "base/LoginState.h"
#include "project/Settings.h"
#include "base/MsgBox.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

UpdatePwdWidget::UpdatePwdWidget(QWidget *parent)
    : FramedDialog(QStringLiteral("修改密码"), parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("UpdatePwdWidget"));
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(380, 280);
    const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9@_]+$"));
    auto *form = new QFormLayout;
    for (QLineEdit **edit : {&m_old, &m_new, &m_confirm}) {
        *edit = new QLineEdit(this);
        (*edit)->setEchoMode(QLineEdit::Password);
        (*edit)->setValidator(new QRegularExpressionValidator(pattern, *edit));
    }
    form->addRow(QStringLiteral("原密码"), m_old);
    form->addRow(QStringLiteral("新密码"), m_new);
    form->addRow(QStringLiteral("确认密码"), m_confirm);

    QVBoxLayout *layout = contentLayout();
    layout->setContentsMargins(24, 4, 24, 18);
    layout->addLayout(form);
    const ActionButtons buttons = addActionButtons(QStringLiteral("确定"));
    connect(buttons.primary, &QPushButton::clicked, this, &UpdatePwdWidget::slot_clickConfirmButton);
    connect(buttons.cancel, &QPushButton::clicked, this, &UpdatePwdWidget::slot_clickCacelButton);
}

QString UpdatePwdWidget::validationMessage(const QString &oldPassword, const QString &newPassword,
                                           const QString &confirmation)
{
    if (oldPassword.isEmpty())
        return QStringLiteral("原密码不能为空！");
    if (newPassword.isEmpty())
        return QStringLiteral("新密码不能为空！");
    if (confirmation.isEmpty())
        return QStringLiteral("确认密码不能为空！");
    if (newPassword != confirmation)
        return QStringLiteral("两次输入密码不一致！");
    return QString();
}

void UpdatePwdWidget::slot_clickConfirmButton()
{
    const QString complaint = validationMessage(m_old->text().trimmed(), m_new->text().trimmed(),
                                                m_confirm->text().trimmed());
    if (!complaint.isEmpty()) {
        MsgBox::notice(this, complaint);
        return;
    }
    const QString newPassword = m_confirm->text().trimmed();
    const AccountService::Result result =
        AccountService::changePassword(accountMemory().userName, accountMemory().password, newPassword);
    if (!result.ok) {
        MsgBox::notice(this, QStringLiteral("更新密码失败") + result.error);
        return;
    }
    // Keep the remembered password in step with the service; the old one
    // would fail the next change and the next automatic log-in.
    accountMemory().password = newPassword;
    writeSetting(SettingKeys::UserPwd, storedPassword(newPassword));
    hide();
    MsgBox::notice(parentWidget(), QStringLiteral("更新密码成功！"));
}

void UpdatePwdWidget::slot_clickCacelButton()
{
    hide();
}
