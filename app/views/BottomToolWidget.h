#pragma once

#include <QWidget>

// The floating strip over the waveform: boundary switch, zoom in, zoom out.
class BottomToolWidget : public QWidget
{
    Q_OBJECT
public:
    explicit BottomToolWidget(QWidget *parent = nullptr);

public slots:
    void slot_clickSwitchButton();
    void slot_clickZoomInButton();
    void slot_clickZoomOutButton();
};
