#include "base/ModalSeam.h"

#include "base/FileChooser.h"

#include <QFileDialog>
#include <QFileInfo>

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
QStringList runChooser(QWidget *parent, const QString &caption, const QString &start, const QString &filter,
                       bool save, bool multiple = false)
{
    QFileDialog dialog(parent, caption);
    FileChooser::setUp(dialog, filter, save);
    if (multiple)
        dialog.setFileMode(QFileDialog::ExistingFiles);
    // A folder opens there; a proposed file name opens its folder with the
    // name filled in.
    const QFileInfo info(start);
    if (!start.isEmpty() && info.isDir()) {
        dialog.setDirectory(start);
    } else if (!start.isEmpty()) {
        dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    if (dialog.exec() != QDialog::Accepted)
        return QStringList();
    return dialog.selectedFiles();
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
    return runChooser(parent, caption, folder, filter, false).value(0);
}

QStringList ModalSeam::openFileNames(QWidget *parent, const QString &caption, const QString &folder,
                                     const QString &filter)
{
    if (fileAnswererSlot())
        return fileAnswererSlot()(FileRequest{false, caption, folder, filter, true})
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return runChooser(parent, caption, folder, filter, false, true);
}

QString ModalSeam::saveFileName(QWidget *parent, const QString &caption, const QString &proposed,
                                const QString &filter)
{
    if (fileAnswererSlot())
        return fileAnswererSlot()(FileRequest{true, caption, proposed, filter});
    return runChooser(parent, caption, proposed, filter, true).value(0);
}
