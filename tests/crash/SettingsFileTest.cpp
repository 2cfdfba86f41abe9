#include "project/Settings.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// What the settings writer composes must read back unchanged through
// QSettings, which every reader of the file uses.
TEST(SettingsFileTest, EveryTextReadsBackThroughQSettings)
{
    const QVariantMap values{
        {"BaseSet/Empty", QString()},
        {"BaseSet/Spaced", " 80 "},
        {"BaseSet/At", "@Variant(not one)"},
        {"BaseSet/Commas", "a,b;c=d"},
        {"BaseSet/Chinese", QStringLiteral("/home/张三/视频")},
        {"BaseSet/HexAfterEscape", QStringLiteral("中abc\x01" "f0")},
        {"BaseSet/Escapes", "quote\" back\\slash\ttab\nline\rret\aend"},
        {"BaseSet/Emoji", QStringLiteral("😀x")},
        {"General/Key", "a group called General"},
        {"general/Key", "and one called general"},
        {"Top", "a key without a group"},
        {"Group/Sub/Key", "nested"},
        {QStringLiteral("组 名/键=名"), "odd names"},
        {"Lists/Two", QStringList{"a", "b, c"}},
        {"Lists/Empty", QStringList()},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath("Config.ini");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(settingsFileBytes(values));
    file.close();

    QSettings settings(path, QSettings::IniFormat);
    QStringList keys = values.keys();
    keys.sort();
    QStringList read = settings.allKeys();
    read.sort();
    EXPECT_EQ(read, keys);
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (it.value().userType() == QMetaType::QStringList)
            EXPECT_EQ(settings.value(it.key()).toStringList(), it.value().toStringList()) << qPrintable(it.key());
        else
            EXPECT_EQ(settings.value(it.key()).toString(), it.value().toString()) << qPrintable(it.key());
    }
}

// QSettings reads a file again only when its size or millisecond time
// changed; flipping a flag back and forth must still read back every time.
TEST(SettingsFileTest, SameSizeWritesInQuickSuccessionAreAllSeen)
{
    QTemporaryDir dir;
    const QByteArray saved = qgetenv("APPDATA");
    qputenv("APPDATA", QFile::encodeName(dir.path()));
    qint64 previousMs = -1;
    for (int i = 0; i < 200; ++i) {
        const QString value = i % 2 ? QStringLiteral("1") : QStringLiteral("0");
        ASSERT_TRUE(writeSetting(SettingKeys::ShowSystemTip, value));
        ASSERT_EQ(readSetting(SettingKeys::ShowSystemTip), value) << "write " << i;
        // The file system's clock is coarse; each write must still move it on.
        const qint64 ms = QFileInfo(settingsFilePath()).lastModified().toMSecsSinceEpoch();
        ASSERT_GT(ms, previousMs) << "write " << i;
        previousMs = ms;
    }
    saved.isNull() ? qunsetenv("APPDATA") : qputenv("APPDATA", saved);
}

TEST(SettingsFileTest, WritingAKeyKeepsTheOthersAndLeavesOnlyTheFile)
{
    QTemporaryDir dir;
    const QByteArray saved = qgetenv("APPDATA");
    qputenv("APPDATA", QFile::encodeName(dir.path()));
    QDir().mkpath(dir.filePath("Cuewright"));
    {
        QFile file(settingsFilePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[BaseSet]\nUserName=\\x5f20\\x4e09\nList=a, b\n\n[Other]\nKey=1\n");
    }

    EXPECT_TRUE(writeSetting(SettingKeys::FolderPath, "/media/视频"));
    EXPECT_TRUE(writeSetting(SettingKeys::IsAutoLogin, "1"));
    EXPECT_TRUE(writeSetting(SettingKeys::IsAutoLogin, "0")); // same size, same instant
    // Written on what it reads now, not on a copy QSettings kept of the file.
    EXPECT_TRUE(writeSetting(SettingKeys::IsRememberPwd, "1"));
    EXPECT_EQ(readSetting(SettingKeys::FolderPath), QStringLiteral("/media/视频"));
    EXPECT_EQ(readSetting(SettingKeys::IsAutoLogin), "0");
    EXPECT_EQ(readSetting(SettingKeys::IsRememberPwd), "1");
    EXPECT_EQ(readSetting(SettingKeys::UserName), QStringLiteral("张三"));
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    EXPECT_EQ(settings.value("BaseSet/List").toStringList(), QStringList({"a", "b"}));
    EXPECT_EQ(settings.value("Other/Key").toString(), "1");
    EXPECT_EQ(QDir(dir.filePath("Cuewright")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"Config.ini"});
    saved.isNull() ? qunsetenv("APPDATA") : qputenv("APPDATA", saved);
}

} // namespace
