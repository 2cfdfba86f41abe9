#include "project/Settings.h"
#include "project/TimeText.h"

#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Points the per-user folder at a fresh temporary folder for one test.
class SettingsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_saved = qgetenv("APPDATA");
        m_hadValue = qEnvironmentVariableIsSet("APPDATA");
        qputenv("APPDATA", m_dir.path().toLocal8Bit());
    }
    void TearDown() override
    {
        if (m_hadValue)
            qputenv("APPDATA", m_saved);
        else
            qunsetenv("APPDATA");
    }

    QTemporaryDir m_dir;
    QByteArray m_saved;
    bool m_hadValue = false;
};

TEST_F(SettingsTest, FirstStartWritesEveryDefault)
{
    EXPECT_EQ(settingsFilePath(), m_dir.path() + "/Cuewright/Config.ini");
    EXPECT_FALSE(QFile::exists(settingsFilePath()));

    const StartupSettings loaded = loadStartupSettings();
    EXPECT_EQ(loaded.userName, "");
    EXPECT_FALSE(loaded.rememberPassword);
    EXPECT_FALSE(loaded.autoLogin);
    EXPECT_EQ(loaded.folderPath, "");

    QSettings ini(settingsFilePath(), QSettings::IniFormat);
    EXPECT_EQ(ini.childGroups(), QStringList{"BaseSet"});
    ini.beginGroup("BaseSet");
    QStringList keys = ini.childKeys();
    keys.sort();
    EXPECT_EQ(keys, QStringList({"FolderPath", "IsAutoLogin", "IsRememberPwd", "UserName", "UserPwd"}));
    EXPECT_EQ(ini.value("IsRememberPwd").toString(), "0");
    EXPECT_EQ(ini.value("IsAutoLogin").toString(), "0");

    EXPECT_EQ(ensureSettingDefault(SettingKeys::ShowSystemTip, "1"), "1");
    EXPECT_EQ(readSetting(SettingKeys::ShowSystemTip), "1");
}

TEST_F(SettingsTest, FileIsPrivateToItsOwner)
{
    writeSetting(SettingKeys::UserPwd, "secret");
    writeSetting(SettingKeys::UserName, "someone");
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
                                            | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    const QFileDevice::Permissions permissions = QFile::permissions(settingsFilePath());
    EXPECT_EQ(permissions & others, QFileDevice::Permissions());
    EXPECT_TRUE(permissions & QFileDevice::ReadOwner);
    EXPECT_TRUE(permissions & QFileDevice::WriteOwner);
}

TEST_F(SettingsTest, StoredValuesWinAndFlagsNeedTheNumberOne)
{
    writeSetting(SettingKeys::UserName, "张三");
    writeSetting(SettingKeys::IsRememberPwd, "1");
    writeSetting(SettingKeys::IsAutoLogin, "true");
    writeSetting(SettingKeys::FolderPath, "/home/张三/视频");

    const StartupSettings loaded = loadStartupSettings();
    EXPECT_EQ(loaded.userName, "张三");
    EXPECT_TRUE(loaded.rememberPassword);
    EXPECT_FALSE(loaded.autoLogin);
    EXPECT_EQ(loaded.folderPath, "/home/张三/视频");
    EXPECT_EQ(readSetting(SettingKeys::IsAutoLogin), "true"); // not rewritten

    const std::pair<const char *, bool> flags[] = {{"1", true}, {"01", true}, {"0", false}, {"2", false},
                                                   {"true", false}, {"", false}, {"-1", false}};
    for (const auto &flag : flags)
        EXPECT_EQ(settingFlagIsSet(flag.first), flag.second) << flag.first;
}

TEST_F(SettingsTest, MissingKeyReadsEmpty)
{
    EXPECT_EQ(readSetting("/BaseSet/Nothing"), "");
    writeSetting("/BaseSet/Nothing", "x");
    EXPECT_EQ(readSetting("/BaseSet/Nothing"), "x");
}

TEST(TimeTextTest, DurationText)
{
    const std::pair<int, const char *> cases[] = {
        {0, ""},      {59, "59秒"},        {61, "1分1秒"},          {3600, "1小时"},
        {3661, "1小时1分1秒"}, {7200, "2小时"}, {3660, "1小时1分"}, {-5, ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(formatDurationText(c.first), QString::fromUtf8(c.second)) << c.first;
}

TEST(TimeTextTest, TimestampNameIsFourteenDigits)
{
    EXPECT_TRUE(QRegularExpression("^\\d{14}$").match(currentTimestampName()).hasMatch());
}

} // namespace
