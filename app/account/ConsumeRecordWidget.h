#pragma once

#include <QDialog>

class QLineEdit;
class QTableWidget;
class QToolButton;

// The consumption-records window: remaining time and a four-column table.
// Frameless like the other windows: its own close button, dragged by the
// top of the window.
class ConsumeRecordWidget : public QDialog
{
    Q_OBJECT
public:
    explicit ConsumeRecordWidget(QWidget *parent = nullptr);

    // Queries the balance into the "剩余时长：" field; false when the log-in
    // window was asked for instead or the query failed.
    bool refreshBalance();

    QLineEdit *remainingField() const { return m_remaining; }
    QTableWidget *table() const { return m_table; }
    QToolButton *closeButton() const { return m_close; }

public slots:
    void slot_clickLookupButton();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QToolButton *m_close;
    bool m_dragging = false;
    QPoint m_pressOffset;
    QLineEdit *m_remaining;
    QTableWidget *m_table;
};
