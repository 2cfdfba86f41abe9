#pragma once

#include "base/FramedDialog.h"

class QCheckBox;

// The start-up notice about suitable audio, with "不再提醒".
class SystemTipWidget : public FramedDialog
{
    Q_OBJECT
public:
    explicit SystemTipWidget(QWidget *parent = nullptr);

    // True when /BaseSet/ShowSystemTip is 1 or missing (missing is written as 1).
    static bool shouldShow();

    QCheckBox *dontRemindBox() const { return m_dontRemind; }

private:
    QCheckBox *m_dontRemind;
};
