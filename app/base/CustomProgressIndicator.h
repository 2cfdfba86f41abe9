#pragma once

#include <QBasicTimer>
#include <QColor>
#include <QWidget>

// A spinning "busy" indicator: a ring of bars whose brightest bar turns.
// Its timer runs only while it is started and shown, so a hidden panel or
// an idle one costs nothing.
class CustomProgressIndicator : public QWidget
{
    Q_OBJECT
public:
    static constexpr int BarCount = 12;

    explicit CustomProgressIndicator(QWidget *parent = nullptr);

    void startAnimation();
    void stopAnimation();
    bool isAnimated() const { return m_started; }
    // Whether the turning timer is active right now.
    bool isTurning() const { return m_timer.isActive(); }
    // The bar drawn brightest, 0..BarCount-1.
    int step() const { return m_step; }

    void setColor(const QColor &color);
    QColor color() const { return m_color; }
    void setStepInterval(int milliseconds);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    void updateTimer();

    QBasicTimer m_timer;
    QColor m_color = QColor(71, 179, 249);
    int m_step = 0;
    int m_interval = 80;
    bool m_started = false;
};
