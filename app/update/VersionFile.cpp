#include "update/VersionFile.h"

#include "update/ProgramVersion.h"

#include <QStringList>
#include <QUrl>

namespace {

// Notes are one line of plain text; a long one is cut rather than refused.
constexpr int MaxNotesLength = 400;

} // namespace

VersionFile parseVersionFile(const QByteArray &bytes)
{
    VersionFile file;
    const QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    for (const QString &rawLine : lines) {
        const QString line = rawLine.trimmed();
        if (line.isEmpty() || !line.contains(QLatin1Char('=')))
            continue;
        const QStringList pieces = line.split(QLatin1Char('='));
        const QString &key = pieces.at(0);
        const QString &value = pieces.at(1);
        if (key == QLatin1String("version"))
            file.version = value;
        else if (key == QLatin1String("url"))
            file.url = value;
        else if (key == QLatin1String("notes"))
            file.notes = value.left(MaxNotesLength);
    }
    return file;
}

bool isUpdateAddress(const QString &url)
{
    const QUrl parsed(url, QUrl::StrictMode);
    const QString scheme = parsed.scheme();
    return parsed.isValid() && !parsed.isRelative() && !parsed.host().isEmpty()
           && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

std::optional<UpdateOffer> updateOffer(const VersionFile &file, const QString &installed)
{
    if (!ProgramVersion::isNewer(file.version, installed) || !isUpdateAddress(file.url))
        return std::nullopt;
    return UpdateOffer{file.version, file.url, file.notes};
}
