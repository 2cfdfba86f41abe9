#pragma once

#include <QTimer>
#include <QWidget>

class SpeedLabel;

// The speed menu: a speech bubble of seven speeds above the speed button.
// It closes a second after showing unless the pointer comes in, and when
// the pointer leaves.
class SpeedTipWidget : public QWidget
{
    Q_OBJECT
public:
    explicit SpeedTipWidget(QWidget *parent = nullptr);

    QList<SpeedLabel *> labels() const { return m_labels; }

public slots:
    void slot_timeout();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QTimer m_hideTimer;
    QList<SpeedLabel *> m_labels;
};
