#pragma once

#include <QLabel>

// A small frameless notice for transient confirmations ("保存成功").
class InfoTipWidget : public QLabel
{
    Q_OBJECT
public:
    explicit InfoTipWidget(QWidget *parent = nullptr, const QString &text = QStringLiteral("保存成功"));

    // Shows the tip centred on `over` and closes it after `milliseconds`.
    void showCentredOn(const QWidget *over, int milliseconds);
};
