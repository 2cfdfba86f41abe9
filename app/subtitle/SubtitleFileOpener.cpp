#include "subtitle/SubtitleFileOpener.h"

#include "subtitle/SrtReader.h"
#include "subtitle/SubtitleList.h"
#include "subtitle/TranscriptReader.h"
#include "subtitle/Utf8Conversion.h"

#include <QFileInfo>

SubtitleFileOpenResult openSubtitleFile(const QString &path, const QString &scratchFolder,
                                        SubtitleList &list)
{
    SubtitleFileOpenResult result;
    const QFileInfo source(path);
    const QString suffix = source.suffix().toLower();
    if (suffix != QLatin1String("srt") && suffix != QLatin1String("txt"))
        return result;
    result.supported = true;

    const QString copyPath = QStringLiteral("%1/%2").arg(scratchFolder, source.fileName());
    result.textEncoding = convertUtf8FileToLocal(path, copyPath);
    result.workingPath = result.textEncoding == ConvertedFromUtf8 ? copyPath : path;

    SubtitleEntries entries;
    if (suffix == QLatin1String("srt")) {
        readSrtFile(result.workingPath, entries);
    } else {
        result.lineTooLong = readTranscriptFile(result.workingPath, entries);
        if (result.lineTooLong)
            entries.clear();
    }
    list.assign(entries);
    return result;
}
