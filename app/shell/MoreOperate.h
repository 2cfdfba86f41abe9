#pragma once

#include "base/AutoHidePopup.h"

class QCheckBox;

// The "more" pop-up: manual, web site, help, the update check and whether
// it runs at start. Hides when the pointer leaves, or one second after
// showing if the pointer never came in.
class MoreOperate : public AutoHidePopup
{
    Q_OBJECT
public:
    explicit MoreOperate(QWidget *parent = nullptr);

    static QUrl manualUrl();
    QCheckBox *checkAtStartBox() const { return m_checkAtStart; }

signals:
    void signal_checkUpdate();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QCheckBox *m_checkAtStart;
};
