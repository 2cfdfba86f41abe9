#pragma once

#include <QString>
#include <QUrl>

// What the program asks of the desktop: pages in the browser, files in
// their viewer, a file shown in the file manager.
namespace DesktopActions {

// Opens a web page or a local file with the desktop's default program.
bool openUrl(const QUrl &url);

// Shows the file selected in the file manager through the desktop's
// org.freedesktop.FileManager1 interface; where no file manager answers,
// opens the folder holding it. False when neither worked.
bool revealFile(const QString &path);

} // namespace DesktopActions
