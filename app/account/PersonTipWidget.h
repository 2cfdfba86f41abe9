#pragma once

#include "base/AutoHidePopup.h"

class ClickableLabel;
class QLabel;

// The personal-centre pop-up: remaining time, recharge, records, password,
// cancel automatic log-in, log-out. Closes one second after showing unless
// the pointer comes in; closes when the pointer leaves.
class PersonTipWidget : public AutoHidePopup
{
    Q_OBJECT
public:
    explicit PersonTipWidget(QWidget *parent = nullptr);

    // Shows or hides "取消自动登录" and queries the balance; false when the
    // log-in window was asked for instead or the query failed.
    bool refresh();

    QString remainingTimeText() const;
    bool cancelAutoLoginShown() const;

public slots:
    void slot_timeout();
    void slot_clickChargeButton();
    void slot_clickLookupConsumeLabel();
    void slot_clickAlterPwdLabel();
    void slot_clickCancelAutoLogin();
    void slot_clickLoginoutLabel();

protected:
    void graceEnded() override { slot_timeout(); }

private:
    QLabel *m_remaining;
    ClickableLabel *m_cancelAutoLogin;
};
