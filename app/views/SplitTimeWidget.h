#pragma once

#include "base/FramedDialog.h"

class QLabel;
class QSlider;

// Splits one entry in two: the slider's percentage divides its time, and
// the same percentage proposes where its text divides. The list editor owns
// one, gives it a row with setRow() before showing it and rebuilds on
// signal_noticeUpdate(). Hidden, not deleted, between uses.
class SplitTimeWidget : public FramedDialog
{
    Q_OBJECT
public:
    explicit SplitTimeWidget(QWidget *parent = nullptr);

    // Takes row `row` of the current list: its whole text, halved, and the
    // slider at 50.
    void setRow(int row);

    int row() const { return m_row; }
    QString frontText() const { return m_front; }
    QString backText() const { return m_back; }
    QSlider *slider() const { return m_slider; }

signals:
    void signal_noticeUpdate();

public slots:
    void slot_clickCancelButton();
    void slot_clickSplitButton();
    void slot_SlidervalueChanged(int value);

private:
    void showHalves(const QString &front, const QString &back);

    int m_row = -1;
    QString m_text;
    QString m_front;
    QString m_back;
    QLabel *m_source;
    QLabel *m_frontLabel;
    QLabel *m_backLabel;
    QSlider *m_slider;
};
