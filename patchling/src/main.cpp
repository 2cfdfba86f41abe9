// patchling: downloads a signed update archive, installs it over the program
// folder it lives in, and starts the program again.

#include "UpdateJob.h"
#include "UpdateLocks.h"
#include "patchling.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include <csignal>
#include <cstdio>

int main(int argc, char *argv[])
{
    // Its output goes to a log the program chose; should that ever be a
    // closed pipe, a write must fail rather than end the install half way.
    std::signal(SIGPIPE, SIG_IGN);
    QApplication app(argc, argv);
    if (argc != 2)
        return 0;
    const QString url = QString::fromUtf8(argv[1]);
    const UpdatePaths paths(QCoreApplication::applicationDirPath());
    std::fprintf(stderr, "patchling: %d arguments, updating %s from %s\n", argc, qPrintable(paths.programFolder),
                 qPrintable(url));

    FolderLock updater;
    QString error;
    if (!updater.tryExclusive(paths.updaterLock(), &error)) {
        std::fprintf(stderr, "another update is under way: %s\n", qPrintable(error));
        return 1;
    }
    patchling window(url, paths.programFolder);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    window.move(screen.center() - window.rect().center());
    window.show();
    return app.exec();
}
