#pragma once

#include "base/FramedDialog.h"

class QRadioButton;

// Asks how overlapping neighbours are repaired and hands the choice to the
// list editor through the hub (signal_NoticeProcessOverlay). A tool
// window, application-modal, deleted on close.
class RemoveOverlayWidget : public FramedDialog
{
    Q_OBJECT
public:
    explicit RemoveOverlayWidget(QWidget *parent = nullptr);

    // The three choices, in mode order (起始优先, 结束优先, 平均划分).
    QRadioButton *modeButton(int mode) const;

public slots:
    void slot_clickApplyButton();
    void slot_clickCancelButton();

private:
    QRadioButton *m_modes[3];
};
