#include "base/FramedDialog.h"

#include "base/WindowDragger.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVariant>
#include <QVBoxLayout>

FramedDialog::FramedDialog(const QString &title, QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags | Qt::FramelessWindowHint)
{
    setAttribute(Qt::WA_StyledBackground);
    // The style sheet draws every dialog's frame through this one property.
    setProperty("framedDialog", QVariant(true));

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("dialogTitle"));
    m_close = new QToolButton(this);
    m_close->setObjectName(QStringLiteral("dialogClose"));
    m_close->setAccessibleName(QStringLiteral("关闭"));
    m_close->setToolTip(QStringLiteral("关闭"));
    connect(m_close, &QToolButton::clicked, this, &QDialog::reject);

    auto *titleRow = new QHBoxLayout;
    titleRow->setContentsMargins(14, 6, 8, 0);
    titleRow->addWidget(m_title);
    titleRow->addStretch();
    titleRow->addWidget(m_close);

    m_content = new QVBoxLayout;
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(titleRow);
    layout->addLayout(m_content, 1);

    setTitle(title);
    WindowDragger::byTop(this, TitleRowHeight);
}

void FramedDialog::setTitle(const QString &title)
{
    m_title->setText(title);
    setWindowTitle(title);
}

QString FramedDialog::title() const
{
    return m_title->text();
}

FramedDialog::ActionButtons FramedDialog::addActionButtons(const QString &primaryText, const QString &cancelText)
{
    auto *primary = new QPushButton(primaryText, this);
    primary->setObjectName(QStringLiteral("primaryButton"));
    auto *cancel = new QPushButton(cancelText, this);
    cancel->setObjectName(QStringLiteral("pushButton_Cancel"));
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(primary);
    row->addWidget(cancel);
    m_content->addStretch();
    m_content->addLayout(row);
    return {primary, cancel};
}
