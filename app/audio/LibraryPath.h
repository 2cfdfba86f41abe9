#pragma once

#include <QByteArray>
#include <QString>

// The library keeps file paths in 255-byte fields (longer ones are refused)
// and tells the service the part after the last '/' or '\' as the file's name.
constexpr int LibraryPathLimit = 255;

// A path the library can take for `path` whose last part is `name` in GBK
// (see serviceFileNameBytes): the file's own path when it already is one,
// otherwise a hard link (or, across file systems, a copy) made in
// `aliasFolder`. False with `problem` set when no such path can be made.
bool libraryPathFor(const QString &path, const QString &name, const QString &aliasFolder, QByteArray &libraryPath,
                    QString &problem);
