#include "shell/ModalSeam.h"

#include <QFileDialog>

namespace {
ModalSeam::BoxAnswerer &boxAnswererSlot()
{
    static ModalSeam::BoxAnswerer answerer;
    return answerer;
}

ModalSeam::FileAnswerer &fileAnswererSlot()
{
    static ModalSeam::FileAnswerer answerer;
    return answerer;
}
} // namespace

void ModalSeam::setBoxAnswerer(BoxAnswerer answerer)
{
    boxAnswererSlot() = std::move(answerer);
}

const ModalSeam::BoxAnswerer &ModalSeam::boxAnswerer()
{
    return boxAnswererSlot();
}

void ModalSeam::setFileAnswerer(FileAnswerer answerer)
{
    fileAnswererSlot() = std::move(answerer);
}

QString ModalSeam::openFileName(QWidget *parent, const QString &caption, const QString &folder,
                                const QString &filter)
{
    if (fileAnswererSlot())
        return fileAnswererSlot()(FileRequest{false, caption, folder, filter});
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

QString ModalSeam::saveFileName(QWidget *parent, const QString &caption, const QString &proposed,
                                const QString &filter)
{
    if (fileAnswererSlot())
        return fileAnswererSlot()(FileRequest{true, caption, proposed, filter});
    return QFileDialog::getSaveFileName(parent, caption, proposed, filter);
}
