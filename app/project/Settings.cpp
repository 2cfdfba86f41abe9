#include "project/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

const QString ProductFolderName = QStringLiteral("Cuewright");
const QString SettingsFileName = QStringLiteral("Config.ini");
constexpr QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// Creates the settings file owner-only before the first write; QSettings
// replaces it through a save file that keeps those permissions.
void createPrivateSettingsFile(const QString &path)
{
    if (QFile::exists(path))
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        file.setPermissions(OwnerOnly);
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

void writeSetting(const QString &key, const QString &value)
{
    const QString path = settingsFilePath();
    createPrivateSettingsFile(path);
    {
        QSettings settings(path, QSettings::IniFormat);
        settings.setValue(key, value);
        settings.sync();
    }
    // Also narrows a file made by an older version or another program.
    QFile::setPermissions(path, OwnerOnly);
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
