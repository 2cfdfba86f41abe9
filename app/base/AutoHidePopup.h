#pragma once

#include <QWidget>

class QTimer;

// A frameless pop-up that hides when the pointer leaves it, or `graceMs`
// after showing if the pointer never came in.
class AutoHidePopup : public QWidget
{
    Q_OBJECT
public:
    explicit AutoHidePopup(const QString &title, QWidget *parent = nullptr, int graceMs = 1000);

    bool graceRunning() const;

protected:
    void showEvent(QShowEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    // Runs when the grace period ends; hides by default.
    virtual void graceEnded();

private:
    QTimer *m_grace;
};
