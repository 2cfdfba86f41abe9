#pragma once

#include <QString>
#include <QStringList>

class CotentWidget;

// What a file named on the command line (or double-clicked in the file
// manager) opens as.
enum class LaunchKind {
    Nothing,     // no file named
    Subtitles,   // .srt or .txt: into the editor
    Project,     // .cwpro: opened as a project
    Media,       // anything else that exists: a new project with that media
    Missing      // the named file does not exist
};

// The first argument after the program name that names a file; options
// (Qt's own, such as -platform, are taken out by the application object)
// and empty arguments are skipped.
QString launchFileArgument(const QStringList &arguments);
LaunchKind launchKind(const QString &path);

// Opens the file the program was started with, once the window is up.
void openLaunchFile(CotentWidget &window, const QString &path);
