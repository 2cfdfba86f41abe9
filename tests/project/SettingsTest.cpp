#include "project/Settings.h"
#include "project/TimeText.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
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
        qputenv("APPDATA", m_dir.path().toLocal8Bit());
    }
    void TearDown() override { m_saved.isNull() ? qunsetenv("APPDATA") : qputenv("APPDATA", m_saved); }

    QTemporaryDir m_dir;
    QByteArray m_saved;
};

TEST_F(SettingsTest, FirstStartWritesEveryDefaultIntoAPrivateFile)
{
    ASSERT_EQ(settingsFilePath(), m_dir.path() + "/Cuewright/Config.ini");
    const StartupSettings loaded = loadStartupSettings();
    EXPECT_EQ(loaded.userName, "");
    EXPECT_FALSE(loaded.rememberPassword);
    EXPECT_FALSE(loaded.autoLogin);
    EXPECT_EQ(ensureSettingDefault(SettingKeys::ShowSystemTip, "1"), "1");

    QSettings ini(settingsFilePath(), QSettings::IniFormat);
    EXPECT_EQ(ini.childGroups(), QStringList{"BaseSet"});
    ini.beginGroup("BaseSet");
    QStringList keys = ini.childKeys();
    keys.sort();
    EXPECT_EQ(keys, QStringList({"FolderPath", "IsAutoLogin", "IsRememberPwd", "ShowSystemTip", "UserName", "UserPwd"}));
    EXPECT_EQ(ini.value("IsRememberPwd").toString(), "0");
    EXPECT_EQ(ini.value("IsAutoLogin").toString(), "0");

    // It may hold a remembered password.
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
                                            | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_EQ(QFile::permissions(settingsFilePath()) & others, QFileDevice::Permissions());
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
    EXPECT_EQ(readSetting("/BaseSet/Nothing"), "");

    for (const auto &flag : {std::pair<const char *, bool>{"1", true}, {"01", true}, {"0", false}, {"2", false},
                             {"true", false}, {"", false}, {"-1", false}})
        EXPECT_EQ(settingFlagIsSet(flag.first), flag.second) << flag.first;
}

TEST(TimeTextTest, DurationText)
{
    const std::pair<int, const char *> cases[] = {{0, ""},         {59, "59秒"},         {61, "1分1秒"},
                                                  {3600, "1小时"}, {3661, "1小时1分1秒"}, {7200, "2小时"},
                                                  {3660, "1小时1分"}, {-5, ""}};
    for (const auto &c : cases)
        EXPECT_EQ(formatDurationText(c.first), QString::fromUtf8(c.second)) << c.first;
}

// File names are built from it, so its digits must be ASCII whatever the
// user's locale (some locales have digits of their own).
TEST(TimeTextTest, TimestampIsFourteenAsciiDigitsInAnyLocale)
{
    const QString name = currentTimestampName();
    EXPECT_TRUE(QRegularExpression("^[0-9]{14}$").match(name).hasMatch()) << name.toStdString();
    if (qEnvironmentVariableIsSet("CW_TIMESTAMP_CHILD"))
        return;

    // The system locale is read once per process: check it in a fresh run.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "ar_EG.UTF-8");
    environment.insert("CW_TIMESTAMP_CHILD", "1");
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=TimeTextTest.TimestampIsFourteenAsciiDigitsInAnyLocale"});
    ASSERT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitCode(), 0) << child.readAll().toStdString();
}

} // namespace
