// The settings file as QSettings reads it, through the program's accessors.

#include "FuzzSupport.h"

#include "project/Settings.h"

#include <QDir>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzEnsureApplication();
    // Everything per-user lands in the scratch folder.
    qputenv("APPDATA", fuzzScratchFolder().toLocal8Bit());
    QDir().mkpath(userDataFolder());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    {
        QFile file(settingsFilePath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            return 0;
    }
    const StartupSettings startup = loadStartupSettings();
    // Every start-up key holds a value afterwards, and reads back as loaded.
    FUZZ_CHECK(readSetting(SettingKeys::UserName) == startup.userName);
    FUZZ_CHECK(settingFlagIsSet(readSetting(SettingKeys::IsAutoLogin)) == startup.autoLogin);
    FUZZ_CHECK(settingFlagIsSet(readSetting(SettingKeys::IsRememberPwd)) == startup.rememberPassword);

    const QString value = QString::fromUtf8(bytes.left(64));
    writeSetting(SettingKeys::FolderPath, value);
    FUZZ_CHECK(readSetting(SettingKeys::FolderPath) == value);
    FUZZ_CHECK(readSetting(SettingKeys::UserName) == startup.userName);
    const QString tip = ensureSettingDefault(SettingKeys::ShowSystemTip, QStringLiteral("1"));
    FUZZ_CHECK(!tip.isEmpty() && tip == readSetting(SettingKeys::ShowSystemTip));

    settingFlagIsSet(QString::fromUtf8(bytes));
    return 0;
}
