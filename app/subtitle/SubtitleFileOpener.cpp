#include "subtitle/SubtitleFileOpener.h"

#include "subtitle/AtomicFile.h"
#include "subtitle/SrtReader.h"
#include "subtitle/SubtitleList.h"
#include "subtitle/TranscriptReader.h"
#include "subtitle/Utf8Conversion.h"

#include <QDir>
#include <QFileInfo>

namespace {
bool isTranscriptSuffix(const QString &suffix)
{
    return suffix == QLatin1String("txt");
}

bool isSupportedSuffix(const QString &suffix)
{
    return suffix == QLatin1String("srt") || isTranscriptSuffix(suffix);
}

// The copy is what the autosave writes back to; when it cannot be made the
// text is still read, from memory, but nothing may be written over the
// source as if it were in the local code page.
QString writeScratchCopy(const QString &scratchFolder, const QString &fileName, const QByteArray &local)
{
    if (scratchFolder.isEmpty())
        return QString();
    const QString copyPath = QStringLiteral("%1/%2").arg(scratchFolder, fileName);
    if (!QDir().mkpath(scratchFolder) || !writeFileAtomically(copyPath, local))
        return QString();
    return copyPath;
}
} // namespace

SubtitleFileOpenResult readSubtitleFile(const QString &path, const QString &scratchFolder)
{
    SubtitleFileOpenResult result;
    const QFileInfo source(path);
    const QString suffix = source.suffix().toLower();
    if (!isSupportedSuffix(suffix))
        return result;

    QByteArray bytes;
    if (!readWholeFile(path, &bytes)) {
        result.status = SubtitleOpenStatus::Unreadable;
        return result;
    }
    if (testUtf8(bytes) == NotUtf8) {
        result.textEncoding = SourceNotUtf8;
        result.workingPath = path;
    } else {
        bytes = utf8ToLocal8(bytes);
        result.textEncoding = ConvertedFromUtf8;
        result.workingPath = writeScratchCopy(scratchFolder, source.fileName(), bytes);
    }

    if (isTranscriptSuffix(suffix)) {
        if (readTranscriptText(bytes, result.entries)) {
            result.status = SubtitleOpenStatus::LineTooLong;
            result.entries.clear();
            return result;
        }
    } else {
        readSrtText(bytes, result.entries, false);
    }
    result.status = SubtitleOpenStatus::Opened;
    return result;
}

SubtitleFileOpenResult openSubtitleFile(const QString &path, const QString &scratchFolder,
                                        SubtitleList &list)
{
    SubtitleFileOpenResult result = readSubtitleFile(path, scratchFolder);
    if (result.opened())
        list.replaceDocument(result.entries);
    return result;
}
