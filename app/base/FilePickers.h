#pragma once

#include <QString>

class QWidget;

// The media and text choosers of the editor and the start page.
namespace FilePickers {

extern const char *const mediaFilter;
extern const char *const projectFilter;

// Base name (up to the first dot) survives the local code page and is a
// valid file name; characters GBK cannot hold turn into '?', which fails.
bool isAcceptableMediaName(const QString &path);

// Media chooser: remembers the folder, refuses unacceptable names with the
// "非法的文件名!" notice. Empty when cancelled or refused.
QString pickMediaFile(QWidget *parent);

// Transcript/subtitle chooser (*.txt;*.srt); remembers the folder.
QString pickTextFile(QWidget *parent);

} // namespace FilePickers
