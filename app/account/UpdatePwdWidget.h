#pragma once

#include "base/FramedDialog.h"

class QLineEdit;

// The password-change window.
class UpdatePwdWidget : public FramedDialog
{
    Q_OBJECT
public:
    explicit UpdatePwdWidget(QWidget *parent = nullptr);

    QLineEdit *oldPasswordEdit() const { return m_old; }
    QLineEdit *newPasswordEdit() const { return m_new; }
    QLineEdit *confirmPasswordEdit() const { return m_confirm; }

    // The first complaint about the three fields, or "" when they may be sent.
    static QString validationMessage(const QString &oldPassword, const QString &newPassword,
                                     const QString &confirmation);

public slots:
    void slot_clickConfirmButton();
    void slot_clickCacelButton();

private:
    QLineEdit *m_old;
    QLineEdit *m_new;
    QLineEdit *m_confirm;
};
