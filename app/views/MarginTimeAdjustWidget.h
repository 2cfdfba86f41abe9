#pragma once

#include "base/FramedDialog.h"

class QComboBox;
class QLabel;
class QSlider;

// Shifts every start and end by up to a second and names how the overlaps
// this causes are repaired; the list editor does the work on
// signal_NoticeMarginTimeAdjustment. A tool window, application-modal.
class MarginTimeAdjustWidget : public FramedDialog
{
    Q_OBJECT
public:
    explicit MarginTimeAdjustWidget(QWidget *parent = nullptr);

    QSlider *startSlider() const { return m_startSlider; }
    QSlider *endSlider() const { return m_endSlider; }
    QComboBox *modeComboBox() const { return m_mode; }
    QLabel *startDirectionLabel() const { return m_startDirection; }
    QLabel *startValueLabel() const { return m_startValue; }
    QLabel *endDirectionLabel() const { return m_endDirection; }
    QLabel *endValueLabel() const { return m_endValue; }

public slots:
    void slot_clickConfirmButton();
    void slot_clickCancelButton();
    void slot_StarttimeSliderValueChanged(int i);
    void slot_EndtimeSliderValueChanged(int i);

private:
    QSlider *m_startSlider;
    QSlider *m_endSlider;
    QComboBox *m_mode;
    QLabel *m_startDirection;
    QLabel *m_startValue;
    QLabel *m_endDirection;
    QLabel *m_endValue;
};
