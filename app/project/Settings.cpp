#include "project/Settings.h"

#include "subtitle/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString ProductFolderName = QStringLiteral("Cuewright");
const QString SettingsFileName = QStringLiteral("Config.ini");
constexpr QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// Creates the settings file owner-only before the first write; the atomic
// write that replaces it keeps those permissions.
void createPrivateSettingsFile(const QString &path)
{
    if (QFile::exists(path))
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        file.setPermissions(OwnerOnly);
}

const char HexDigits[] = "0123456789ABCDEF";

// A key or group name as QSettings writes it: '/' as '\\', anything but
// letters, digits and "_-." as %XX or %UXXXX.
void appendIniKey(const QString &key, QByteArray &out)
{
    for (const QChar c : key) {
        const ushort ch = c.unicode();
        if (ch == '/') {
            out += '\\';
        } else if ((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == '_'
                   || ch == '-' || ch == '.') {
            out += char(ch);
        } else if (ch <= 0xFF) {
            out += '%';
            out += HexDigits[ch / 16];
            out += HexDigits[ch % 16];
        } else {
            out += "%U";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += HexDigits[(ch >> shift) & 0xF];
        }
    }
}

bool isHexDigit(ushort ch)
{
    return (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
}

// One text value as QSettings writes it without a codec: plain ASCII, C
// escapes, \x for anything else (and for a hex digit right after one, which
// would otherwise join it), quoted when it holds ";,=" or starts or ends
// with a space. A leading '@' is doubled so it is not read as a type.
void appendIniText(const QString &value, QByteArray &out)
{
    const QString text = value.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + value : value;
    const int start = out.size();
    bool quote = false;
    bool escapeHexDigit = false;
    for (const QChar c : text) {
        const ushort ch = c.unicode();
        if (ch == ';' || ch == ',' || ch == '=')
            quote = true;
        if (escapeHexDigit && isHexDigit(ch)) {
            out += "\\x" + QByteArray::number(ch, 16);
            continue;
        }
        escapeHexDigit = false;
        switch (ch) {
        case '\0': out += "\\0"; escapeHexDigit = true; break;
        case '\a': out += "\\a"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\v': out += "\\v"; break;
        case '"':
        case '\\':
            out += '\\';
            out += char(ch);
            break;
        default:
            if (ch <= 0x1F || ch >= 0x7F) {
                out += "\\x" + QByteArray::number(ch, 16);
                escapeHexDigit = true;
            } else {
                out += char(ch);
            }
        }
    }
    if (quote || (out.size() > start && (out.at(start) == ' ' || out.at(out.size() - 1) == ' '))) {
        out.insert(start, '"');
        out += '"';
    }
}

void appendIniValue(const QVariant &value, QByteArray &out)
{
    if (value.userType() != QMetaType::QStringList) {
        appendIniText(value.toString(), out);
        return;
    }
    const QStringList items = value.toStringList();
    if (items.isEmpty())
        out += "@Invalid()"; // how QSettings tells an empty list from [""]
    for (int i = 0; i < items.size(); ++i) {
        if (i > 0)
            out += ", ";
        appendIniText(items[i], out);
    }
}

// "BaseSet/UserName" for "/BaseSet/UserName", as QSettings normalises keys.
QString normalisedKey(const QString &key)
{
    return key.split(QLatin1Char('/'), Qt::SkipEmptyParts).join(QLatin1Char('/'));
}

QVariantMap readAllSettings(const QString &path)
{
    QVariantMap values;
    QSettings settings(path, QSettings::IniFormat);
    for (const QString &key : settings.allKeys())
        values.insert(key, settings.value(key));
    return values;
}

// Holds an advisory lock on the settings folder, so two running copies of
// the program do not each write back what they read before the other's
// change. It goes with the process, so a killed writer leaves nothing.
class FolderLock
{
public:
    explicit FolderLock(const QString &folder)
        : m_fd(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        if (m_fd >= 0)
            ::flock(m_fd, LOCK_EX);
    }
    ~FolderLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

private:
    int m_fd;
};

// QSettings keeps what it read of a file and reads it again only when its size
// or its modification time in milliseconds changed: a same-size value written
// within the same millisecond would go unseen. Each write moves the time on.
void moveModificationTimePast(const QString &path, qint64 previousMs)
{
    struct stat info {};
    const QByteArray name = QFile::encodeName(path);
    if (::stat(name.constData(), &info) != 0)
        return;
    const qint64 nowMs = qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
    if (nowMs > previousMs)
        return;
    const qint64 nextMs = previousMs + 1;
    const struct timespec times[2] = {{0, UTIME_OMIT}, {time_t(nextMs / 1000), long(nextMs % 1000) * 1000000}};
    ::utimensat(AT_FDCWD, name.constData(), times, 0);
}

qint64 modificationTimeMs(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
}

bool readFlagOrDefault(const QString &key)
{
    return settingFlagIsSet(ensureSettingDefault(key, QStringLiteral("0")));
}

} // namespace

QString appDataFolder()
{
    const QString fromEnvironment = qEnvironmentVariable("APPDATA");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString userDataFolder()
{
    return QStringLiteral("%1/%2").arg(appDataFolder(), ProductFolderName);
}

QString settingsFilePath()
{
    return QStringLiteral("%1/%2/%3").arg(appDataFolder(), ProductFolderName, SettingsFileName);
}

QString readSetting(const QString &key)
{
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    return settings.value(key).toString();
}

QByteArray settingsFileBytes(const QVariantMap &values)
{
    // Keys without a group go to [General], first, as QSettings writes them.
    QMap<QString, QVariantMap> sections;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const int slash = it.key().indexOf(QLatin1Char('/'));
        if (slash < 0)
            sections[QString()].insert(it.key(), it.value());
        else
            sections[it.key().left(slash)].insert(it.key().mid(slash + 1), it.value());
    }
    QByteArray out;
    for (auto section = sections.cbegin(); section != sections.cend(); ++section) {
        if (!out.isEmpty())
            out += '\n';
        out += '[';
        if (section.key().isEmpty())
            out += "General";
        else if (section.key().compare(QLatin1String("General"), Qt::CaseInsensitive) == 0)
            out += '%' + section.key().toLatin1(); // a group of that name, not the keys without one
        else
            appendIniKey(section.key(), out);
        out += "]\n";
        for (auto it = section->cbegin(); it != section->cend(); ++it) {
            appendIniKey(it.key(), out);
            out += '=';
            appendIniValue(it.value(), out);
            out += '\n';
        }
    }
    return out;
}

// QSettings replaces the file through a save file but leaves its lock file
// and, killed at the wrong moment, its temporary behind (and a lock file
// without a pid stalls the next write for half a minute). It only reads here.
bool writeSetting(const QString &key, const QString &value)
{
    const QString path = settingsFilePath();
    createPrivateSettingsFile(path);
    bool written = false;
    {
        FolderLock lock(QFileInfo(path).absolutePath());
        const qint64 previousMs = modificationTimeMs(path);
        QVariantMap values = readAllSettings(path);
        values.insert(normalisedKey(key), value);
        written = writeFileAtomically(path, settingsFileBytes(values));
        if (written)
            moveModificationTimePast(path, previousMs);
    }
    // Also narrows a file made by an older version or another program.
    QFile::setPermissions(path, OwnerOnly);
    return written;
}

bool settingFlagIsSet(const QString &text)
{
    bool ok = false;
    const uint value = text.toUInt(&ok);
    return ok && value == 1;
}

QString ensureSettingDefault(const QString &key, const QString &defaultText)
{
    const QString text = readSetting(key);
    if (!text.isEmpty())
        return text;
    writeSetting(key, defaultText);
    return defaultText;
}

StartupSettings loadStartupSettings()
{
    StartupSettings loaded;
    loaded.userName = ensureSettingDefault(SettingKeys::UserName, QString());
    loaded.userPassword = ensureSettingDefault(SettingKeys::UserPwd, QString());
    loaded.rememberPassword = readFlagOrDefault(SettingKeys::IsRememberPwd);
    loaded.autoLogin = readFlagOrDefault(SettingKeys::IsAutoLogin);
    loaded.folderPath = ensureSettingDefault(SettingKeys::FolderPath, QString());
    return loaded;
}
