#include "ZipEntryRules.h"

#include <QStringList>
#include <QTextCodec>

#include <sys/stat.h>

namespace {

std::optional<QString> decodeStrictly(const QByteArray &bytes, const char *codecName)
{
    QTextCodec *codec = QTextCodec::codecForName(codecName);
    if (!codec)
        return std::nullopt;
    QTextCodec::ConverterState state(QTextCodec::ConvertInvalidToNull);
    const QString text = codec->toUnicode(bytes.constData(), bytes.size(), &state);
    // Not every codec counts what it could not read; a name that does not
    // encode back to its bytes did not decode.
    if (state.invalidChars > 0 || state.remainingChars > 0 || codec->fromUnicode(text) != bytes)
        return std::nullopt;
    return text;
}

// Characters no file name of ours has: controls, invisible formatting, and
// what a decoder puts where it could not read (replacement, private use).
bool isControl(QChar c)
{
    const QChar::Category category = c.category();
    return category == QChar::Other_Control || category == QChar::Other_Format || category == QChar::Other_Surrogate
           || category == QChar::Other_PrivateUse || c == QChar::ReplacementCharacter;
}

constexpr mode_t UnsafeBits = S_ISUID | S_ISGID | S_ISVTX | S_IWGRP | S_IWOTH;
constexpr int UnixHost = 3;

} // namespace

std::optional<EntryName> checkEntryName(const QByteArray &stored, bool utf8Flag, QString *why)
{
    auto refuse = [why](const QString &reason) {
        *why = reason;
        return std::nullopt;
    };
    if (stored.isEmpty())
        return refuse(QStringLiteral("an entry has no name"));
    if (stored.contains('\0'))
        return refuse(QStringLiteral("an entry name holds a NUL"));
    const std::optional<QString> decoded = decodeStrictly(stored, utf8Flag ? "UTF-8" : "GBK");
    if (!decoded)
        return refuse(QStringLiteral("an entry name does not decode"));
    QString name = *decoded;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (name.startsWith(QLatin1Char('/')))
        return refuse(QStringLiteral("an entry name is absolute: %1").arg(name));
    EntryName entry;
    if (name.endsWith(QLatin1Char('/'))) {
        entry.folder = true;
        name.chop(1);
    }
    const QStringList components = name.split(QLatin1Char('/'));
    if (components.size() > MaxEntryDepth)
        return refuse(QStringLiteral("an entry lies deeper than %1 folders").arg(MaxEntryDepth));
    for (const QString &component : components) {
        if (component.isEmpty() || component == QLatin1String(".") || component == QLatin1String(".."))
            return refuse(QStringLiteral("an entry name has an empty, \".\" or \"..\" part: %1").arg(*decoded));
        if (component.contains(QLatin1Char(':')))
            return refuse(QStringLiteral("an entry name holds a \":\": %1").arg(*decoded));
        for (const QChar c : component)
            if (isControl(c))
                return refuse(QStringLiteral("an entry name holds a control character"));
        if (component.toUtf8().size() > MaxComponentBytes)
            return refuse(QStringLiteral("an entry name has a part over %1 bytes").arg(MaxComponentBytes));
    }
    entry.path = components.join(QLatin1Char('/'));
    return entry;
}

bool isSupportedMethod(int method)
{
    return method == 0 || method == 8;
}

std::optional<EntryType> checkEntryType(quint16 versionMadeBy, quint32 externalAttributes, const EntryName &name,
                                        QString *why)
{
    EntryType type;
    type.folder = name.folder;
    const mode_t mode = (versionMadeBy >> 8) == UnixHost ? mode_t(externalAttributes >> 16) : 0;
    if (mode == 0)
        return type;
    const mode_t kind = mode & S_IFMT;
    if (kind != 0 && kind != S_IFREG && kind != S_IFDIR) {
        *why = QStringLiteral("%1 is a link or a special file").arg(name.path);
        return std::nullopt;
    }
    if ((kind == S_IFDIR && !name.folder) || (kind == S_IFREG && name.folder)) {
        *why = QStringLiteral("%1 says it is both a file and a folder").arg(name.path);
        return std::nullopt;
    }
    type.permissions = mode & 07777 & ~UnsafeBits;
    return type;
}

mode_t installedFileMode(const std::optional<mode_t> &entryPermissions, const std::optional<mode_t> &replacedMode)
{
    if (entryPermissions)
        return *entryPermissions;
    if (replacedMode)
        return *replacedMode & 07777 & ~UnsafeBits;
    return 0644;
}
