#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

// The panel shown over the editor while a job runs or a project loads.
class SrtProgressWidget : public QWidget
{
    Q_OBJECT
public:
    explicit SrtProgressWidget(QWidget *parent = nullptr);

    QLabel *label() const { return m_label; }
    QProgressBar *bar() const { return m_bar; }

    // pos * 100 / total, never below 0; a zero total shows 0.
    static int percentFor(int pos, int total);

private:
    QLabel *m_label;
    QProgressBar *m_bar;
};
