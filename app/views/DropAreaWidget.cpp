#include "views/DropAreaWidget.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QVBoxLayout>

DropAreaWidget::DropAreaWidget(const QString &imagePath, const QString &text, QWidget *parent)
    : QWidget(parent)
{
    setAcceptDrops(true);
    setCursor(Qt::PointingHandCursor);
    auto *image = new QLabel(this);
    image->setPixmap(QPixmap(imagePath));
    image->setAlignment(Qt::AlignCenter);
    auto *label = new QLabel(text, this);
    label->setObjectName(QStringLiteral("dropText"));
    label->setAlignment(Qt::AlignCenter);
    auto *layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(image);
    layout->addSpacing(12);
    layout->addWidget(label);
    layout->addStretch();
}

QStringList DropAreaWidget::localFiles(const QMimeData *data)
{
    QStringList files;
    if (!data)
        return files;
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile())
            files << url.toLocalFile();
    }
    return files;
}

void DropAreaWidget::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasFormat(QStringLiteral("text/uri-list")))
        event->acceptProposedAction();
    else
        event->ignore();
}

void DropAreaWidget::dropEvent(QDropEvent *event)
{
    const QStringList files = localFiles(event->mimeData());
    if (!files.isEmpty())
        filesDropped(files);
    event->acceptProposedAction();
}

void DropAreaWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->pos()))
        clicked();
    QWidget::mouseReleaseEvent(event);
}
