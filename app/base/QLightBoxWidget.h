#pragma once

#include <QWidget>

// A dimming layer that covers its parent completely while shown.
class QLightBoxWidget : public QWidget
{
    Q_OBJECT
public:
    explicit QLightBoxWidget(QWidget *parent);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void coverParent();
};
