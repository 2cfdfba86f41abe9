#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <sys/types.h>

// What an archive entry may be before anything is written for it. Pure
// functions over what the entry's header says.

// A name as it will be created below the staging folder: components joined
// by "/", no trailing separator.
struct EntryName
{
    QString path;
    bool folder = false; // the name ended in a separator
};

constexpr int MaxEntryDepth = 32;
constexpr int MaxComponentBytes = 255;

// Decodes the stored name (UTF-8 when the entry's language-encoding flag is
// set, else GBK, either strictly) and refuses it when it is absolute, has an
// empty, "." or ".." component, a ":", a control character or a NUL, a
// component over 255 bytes, more than 32 components, or does not decode.
// "/" and "\" both separate components.
std::optional<EntryName> checkEntryName(const QByteArray &stored, bool utf8Flag, QString *why);

// The general-purpose flag bit that marks a UTF-8 name.
constexpr quint16 Utf8NameFlag = 0x800;
constexpr quint16 EncryptedFlag = 0x1;
// Store and deflate; nothing else is unpacked.
bool isSupportedMethod(int method);

struct EntryType
{
    bool folder = false;
    // Permission bits the archive gives, already made safe; none when the
    // archive was not made on a Unix system or gave no mode.
    std::optional<mode_t> permissions;
};

// Regular files and folders only: a link, device, pipe or socket, or a
// mode that contradicts the name, is refused. Permissions lose setuid,
// setgid, sticky and group/other write.
std::optional<EntryType> checkEntryType(quint16 versionMadeBy, quint32 externalAttributes, const EntryName &name,
                                        QString *why);

// The mode a new file gets: the entry's, else the replaced file's, else 0644.
mode_t installedFileMode(const std::optional<mode_t> &entryPermissions, const std::optional<mode_t> &replacedMode);
