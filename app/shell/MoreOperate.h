#pragma once

#include "base/AutoHidePopup.h"

// The "more" pop-up: manual, web site, help. Hides when the pointer leaves,
// or one second after showing if the pointer never came in.
class MoreOperate : public AutoHidePopup
{
    Q_OBJECT
public:
    explicit MoreOperate(QWidget *parent = nullptr);

    static QUrl manualUrl();
};
