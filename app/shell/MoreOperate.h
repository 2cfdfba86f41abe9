#pragma once

#include <QWidget>

class QTimer;

// The "more" pop-up: manual, web site, help. Hides when the pointer leaves,
// or one second after showing if the pointer never came in.
class MoreOperate : public QWidget
{
    Q_OBJECT
public:
    explicit MoreOperate(QWidget *parent = nullptr);

    static QUrl manualUrl();

protected:
    void showEvent(QShowEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QTimer *m_timer;
};
