#pragma once

#include "base/FramedDialog.h"

class QCheckBox;
class QLineEdit;

// What "Config.ini" keeps of a password: nothing unless it is remembered.
QString storedPassword(const QString &password);

// The log-in window, with remembered password and automatic log-in.
class LoginWidget : public FramedDialog
{
    Q_OBJECT
public:
    explicit LoginWidget(QWidget *parent = nullptr);

    // Fills the fields and boxes from the account values in memory.
    void fillFromMemory();

    QLineEdit *userNameEdit() const { return m_userName; }
    QLineEdit *passwordEdit() const { return m_password; }
    QCheckBox *rememberBox() const { return m_remember; }
    QCheckBox *autoLoginBox() const { return m_autoLogin; }

public slots:
    void slot_clickLoginButton();
    void slot_clickCancelButton();
    void slot_RememberPwdCheckState(bool checked);
    void slot_AutoLoginCheckState(bool checked);

private:
    QLineEdit *m_userName;
    QLineEdit *m_password;
    QCheckBox *m_remember;
    QCheckBox *m_autoLogin;
};
