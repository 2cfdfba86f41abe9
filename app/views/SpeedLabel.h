#pragma once

#include <QLabel>

// One choice of the speed menu; its object name ("label_1" ... "label_7")
// says which speed it stands for.
class SpeedLabel : public QLabel
{
    Q_OBJECT
public:
    SpeedLabel(const QString &name, const QString &text, QWidget *parent = nullptr);

    double speed() const;

protected:
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    // Announces the speed on the hub and closes the menu.
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void highlight(bool on);
};
