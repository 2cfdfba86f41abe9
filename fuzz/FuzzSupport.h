#pragma once
// Shared by the fuzz targets: a checked invariant, the Qt application some
// readers need, and a private scratch folder for readers that take paths.

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include "FuzzCheck.h"

#include <cstdio>
#include <cstdlib>


// Settings and the program state want an application object; one per process.
inline void fuzzEnsureApplication()
{
    static int argc = 1;
    static char name[] = "cuewright-fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
}

inline QString fuzzScratchFolder()
{
    static QTemporaryDir folder;
    return folder.path();
}

// `bytes` written to "<scratch>/<name>"; the path, or "" when the write failed.
inline QString fuzzScratchFile(const QString &name, const QByteArray &bytes)
{
    const QString path = fuzzScratchFolder() + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}
