#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <QWidget>

class QMimeData;

// An empty-state panel: a picture and a line of text; takes dropped files
// ("text/uri-list") and clicks.
class DropAreaWidget : public QWidget
{
    Q_OBJECT
public:
    DropAreaWidget(const QString &imagePath, const QString &text, QWidget *parent = nullptr);

    // The local files of a drop, in order.
    static QStringList localFiles(const QMimeData *data);

protected:
    virtual void filesDropped(const QStringList &files) = 0;
    virtual void clicked() = 0;

    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};
