#pragma once

#include <QString>
#include <QStringList>

class QFileDialog;

// The program writes its chooser filters with ";" between patterns, as in
// "文本文件(*.txt;*.srt)". Qt splits patterns at blanks only, so each filter
// keeps its visible text and gets the same patterns blank-separated in a
// trailing group, which the chooser hides.
namespace FileChooser {

// One Qt name filter per ";;"-separated filter.
QStringList nameFilters(const QString &filter);
// The patterns of one filter, split at ";" and blanks: "*.txt", "*.srt".
QStringList patterns(const QString &nameFilter);
// The suffix a save chooser adds to a bare name: the first filter's first
// pattern without "*." ("cwpro"), or empty for "*" and "*.*".
QString defaultSuffix(const QString &filter);

// Prepares a chooser: Qt's own dialog (the same everywhere and styled with
// the program), hidden filter details, the default suffix when saving.
void setUp(QFileDialog &dialog, const QString &filter, bool save);

} // namespace FileChooser
