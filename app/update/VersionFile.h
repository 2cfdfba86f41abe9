#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The version file "version3.0.ini": lines of key=value, "version" and
// "url" read, an optional "notes" shown with the offer.
struct VersionFile
{
    QString version;
    QString url;
    QString notes;
};

// Lines split at "\n" and trimmed; the key is everything before the first
// "=" and the value everything up to the next "=" (so "version = 313" is no
// "version" line); a later line wins.
VersionFile parseVersionFile(const QByteArray &bytes);

// An absolute http or https address with a host.
bool isUpdateAddress(const QString &url);

struct UpdateOffer
{
    QString version;
    QString url;
    QString notes;
};

// An offer when the announced version is newer than `installed` and the
// archive address is one the updater may fetch.
std::optional<UpdateOffer> updateOffer(const VersionFile &file, const QString &installed);

// Where the version file is published on the web host.
inline const QString versionFilePath = QStringLiteral("/cuewright/update/version3.0.ini");
