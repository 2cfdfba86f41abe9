#pragma once

#include <QString>
#include <QVariantMap>

// Per-user settings in "<appDataFolder>/Cuewright/Config.ini", one key at a
// time; every value is text.
namespace SettingKeys {
inline const QString UserName = QStringLiteral("/BaseSet/UserName");
inline const QString UserPwd = QStringLiteral("/BaseSet/UserPwd");
inline const QString IsRememberPwd = QStringLiteral("/BaseSet/IsRememberPwd");
inline const QString IsAutoLogin = QStringLiteral("/BaseSet/IsAutoLogin");
inline const QString FolderPath = QStringLiteral("/BaseSet/FolderPath");
inline const QString ShowSystemTip = QStringLiteral("/BaseSet/ShowSystemTip");
// "0" turns off the version check at start; "检查更新" still works.
inline const QString CheckUpdateAtStart = QStringLiteral("/BaseSet/CheckUpdateAtStart");
} // namespace SettingKeys

// APPDATA when set, else the platform's per-user configuration folder.
QString appDataFolder();
// "<appDataFolder>/Cuewright".
QString userDataFolder();
// "<appDataFolder>/Cuewright/Config.ini".
QString settingsFilePath();

// The value of `key`, or "" when missing or unreadable.
QString readSetting(const QString &key);
// Stores `value` under `key`, creating the folder and the file (readable by
// its owner only: it may hold a remembered password). The file is replaced
// atomically; false when it could not be written, the old file then stays.
bool writeSetting(const QString &key, const QString &value);

// The settings file's bytes for `values` (keys as QSettings gives them,
// "Group/Name"; text or lists of text), in the INI form QSettings reads.
QByteArray settingsFileBytes(const QVariantMap &values);

// A flag counts as set only when its text is the unsigned number 1.
bool settingFlagIsSet(const QString &text);

// Writes `defaultText` under `key` when the key holds no text; returns the
// value in effect.
QString ensureSettingDefault(const QString &key, const QString &defaultText);

struct StartupSettings
{
    QString userName;
    QString userPassword;
    bool rememberPassword = false;
    bool autoLogin = false;
    QString folderPath; // becomes the last folder used in file dialogs
};

// Reads the five start-up keys; each missing one gets its default written
// ("" for texts, "0" for flags), so the file holds all five afterwards.
StartupSettings loadStartupSettings();
