#pragma once

#include <QWidget>

// The task chooser of the start page: three tiles.
class SrtTypechoiceWidget : public QWidget
{
    Q_OBJECT
public:
    explicit SrtTypechoiceWidget(QWidget *parent = nullptr);

    // 1 and 2 for the first two tiles, 3 for the batch tile, 0 otherwise.
    static int tileNumber(const QString &objectName);

signals:
    void signal_SwitchSrtPage(int iType);

public slots:
    void slot_ClickSrtTaskItem();
};
