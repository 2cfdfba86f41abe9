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

    // pos * 100 / total in 64 bits (uploads pass 21 MB, where 32 bits
    // overflow), never below 0; a total of 0 or less shows 0.
    static int percentFor(qint64 pos, qint64 total);

private:
    QLabel *m_label;
    QProgressBar *m_bar;
};
