#pragma once

#include "base/FramedDialog.h"

class QLineEdit;
class QTableWidget;

// The consumption-records window: remaining time and a four-column table.
class ConsumeRecordWidget : public FramedDialog
{
    Q_OBJECT
public:
    explicit ConsumeRecordWidget(QWidget *parent = nullptr);

    // Queries the balance into the "剩余时长：" field; false when the log-in
    // window was asked for instead or the query failed.
    bool refreshBalance();

    QLineEdit *remainingField() const { return m_remaining; }
    QTableWidget *table() const { return m_table; }

public slots:
    void slot_clickLookupButton();

private:
    QLineEdit *m_remaining;
    QTableWidget *m_table;
};
