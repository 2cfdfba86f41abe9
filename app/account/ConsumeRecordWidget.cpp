#include "account/ConsumeRecordWidget.h"

#include "account/AccountService.h"
#include "account/RemainingTime.h"
#include "account/ConsumeRecord.h"
#include "base/LoginState.h"
#include "base/MsgBox.h"
#include "base/SignalProxy.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

ConsumeRecordWidget::ConsumeRecordWidget(QWidget *parent)
    : FramedDialog(QStringLiteral("消费记录"), parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("ConsumeRecordWidget"));
    resize(640, 460);

    m_remaining = new QLineEdit(this);
    m_remaining->setReadOnly(true);
    auto *lookup = new QPushButton(QStringLiteral("查看消费记录"), this);
    lookup->setObjectName(QStringLiteral("primaryButton"));
    connect(lookup, &QPushButton::clicked, this, &ConsumeRecordWidget::slot_clickLookupButton);
    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("剩余时长："), this));
    top->addWidget(m_remaining, 1);
    top->addWidget(lookup);

    m_table = new QTableWidget(0, 4, this);
    m_table->setHorizontalHeaderLabels({QStringLiteral("时间"), QStringLiteral("类型"), QStringLiteral("金额"),
                                        QStringLiteral("时长")});
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setAlternatingRowColors(true);

    QVBoxLayout *layout = contentLayout();
    layout->setContentsMargins(18, 4, 18, 18);
    layout->addLayout(top);
    layout->addWidget(m_table, 1);
}

bool ConsumeRecordWidget::refreshBalance()
{
    const std::optional<QString> remaining = fetchRemainingTimeText(this);
    if (remaining)
        m_remaining->setText(*remaining);
    return remaining.has_value();
}

void ConsumeRecordWidget::slot_clickLookupButton()
{
    // Rows from an earlier lookup are emptied, not removed.
    for (int row = 0; row < m_table->rowCount(); ++row) {
        for (int column = 0; column < m_table->columnCount(); ++column) {
            if (QTableWidgetItem *cell = m_table->item(row, column))
                cell->setText(QString());
        }
    }
    const AccountService::Result log = AccountService::queryCostLog(loginState().sessionId, 0, 200);
    if (!log.ok) {
        MsgBox::notice(this, QStringLiteral("查询失败：") + log.error);
        return;
    }
    const QVector<ConsumeRecord> records = parseConsumeRecords(log.text);
    for (int i = records.size() - 1; i >= 0; --i) {
        const ConsumeRecord &record = records[i];
        m_table->insertRow(0);
        const QString cells[4] = {record.time, record.type, record.amount, record.duration};
        for (int column = 0; column < 4; ++column)
            m_table->setItem(0, column, new QTableWidgetItem(cells[column]));
    }
}
