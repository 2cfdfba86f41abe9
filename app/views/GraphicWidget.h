#pragma once

#include <QGraphicsView>

// The timeline's view. The mouse wheel neither scrolls nor zooms it.
class GraphicWidget : public QGraphicsView
{
    Q_OBJECT
public:
    explicit GraphicWidget(QWidget *parent = nullptr);

protected:
    void wheelEvent(QWheelEvent *event) override;
};
