// Archive entry names and types as the updater checks them before writing:
// an accepted name never leads outside the install folder.

#include "FuzzSupport.h"

#include "ZipEntryRules.h"

#include <QDir>
#include <QStringList>
#include <QtEndian>

#include <sys/stat.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 7)
        return 0;
    // Header: flags, version made by (2 bytes), external attributes (4 bytes).
    const bool utf8 = data[0] & 1;
    const quint16 madeBy = qFromLittleEndian<quint16>(data + 1);
    const quint32 attributes = qFromLittleEndian<quint32>(data + 3);
    const QByteArray stored(reinterpret_cast<const char *>(data) + 7, int(size - 7));

    QString why;
    const std::optional<EntryName> name = checkEntryName(stored, utf8, &why);
    if (!name) {
        FUZZ_CHECK(!why.isEmpty());
        return 0;
    }
    const QString install = QStringLiteral("/opt/cuewright");
    const QString target = QDir::cleanPath(install + QLatin1Char('/') + name->path);
    FUZZ_CHECK(target.startsWith(install + QLatin1Char('/')));
    FUZZ_CHECK(!name->path.isEmpty() && !name->path.startsWith(QLatin1Char('/')) && !name->path.endsWith(QLatin1Char('/')));
    FUZZ_CHECK(!name->path.contains(QLatin1Char('\\')) && !name->path.contains(QChar(0)));
    const QStringList components = name->path.split(QLatin1Char('/'));
    FUZZ_CHECK(components.size() <= MaxEntryDepth);
    for (const QString &component : components) {
        FUZZ_CHECK(!component.isEmpty() && component != QLatin1String(".") && component != QLatin1String(".."));
        FUZZ_CHECK(component.toUtf8().size() <= MaxComponentBytes);
    }
    // Cleaning changes nothing: the name already is the path it will have.
    FUZZ_CHECK(target == install + QLatin1Char('/') + name->path);

    const std::optional<EntryType> type = checkEntryType(madeBy, attributes, *name, &why);
    if (type) {
        FUZZ_CHECK(type->folder == name->folder);
        if (type->permissions) {
            const mode_t mode = *type->permissions;
            FUZZ_CHECK((mode & (S_ISUID | S_ISGID | S_ISVTX | S_IWGRP | S_IWOTH)) == 0 && (mode & ~mode_t(07777)) == 0);
            FUZZ_CHECK(installedFileMode(type->permissions, std::nullopt) == mode);
        }
    }
    return 0;
}
