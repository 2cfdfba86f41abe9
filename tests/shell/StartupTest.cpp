// Start-up: defaults written, the per-user folder, the settings file's
// permissions, the project list that cannot be parsed, configuration.
#include "ShellFixture.h"

#include "project/ProjectList.h"
#include "project/Settings.h"
#include "project/XmlOperate.h"
#include "base/AppConfig.h"
#include "shell/CotentWidget.h"
#include "base/CurrentProject.h"
#include "shell/ProjectContentWidget.h"
#include "shell/ProjectListStore.h"
#include "shell/SubtitleProjectPage.h"
#include "shell/SystemTipWidget.h"

#include <QCheckBox>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

#include <sys/stat.h>

using StartupTest = ShellFixture;

TEST_F(StartupTest, FirstStartWritesEveryDefaultAndShowsTheNotice)
{
    loadStartupSettings();
    CotentWidget window;

    QSettings ini(userFile(QStringLiteral("Config.ini")), QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("BaseSet"));
    EXPECT_EQ(ini.value(QStringLiteral("IsRememberPwd")).toString(), QStringLiteral("0"));
    EXPECT_EQ(ini.value(QStringLiteral("IsAutoLogin")).toString(), QStringLiteral("0"));
    EXPECT_EQ(ini.value(QStringLiteral("ShowSystemTip")).toString(), QStringLiteral("1"));
    for (const char *key : {"UserName", "UserPwd", "FolderPath"})
        EXPECT_TRUE(ini.contains(QLatin1String(key))) << key;

    EXPECT_EQ(window.currentPage(), 1);
    settle(600);
    EXPECT_TRUE(window.projectPage()->systemTipWidget()->isVisible());
}

TEST_F(StartupTest, DontRemindIsRememberedForTheNextStart)
{
    {
        SubtitleProjectPage page;
        page.systemTipWidget()->dontRemindBox()->setChecked(true);
    }
    EXPECT_EQ(readSetting(SettingKeys::ShowSystemTip), QStringLiteral("0"));
    EXPECT_FALSE(SystemTipWidget::shouldShow());
}

TEST_F(StartupTest, SettingsFileIsReadableByItsOwnerOnly)
{
    loadStartupSettings();
    writeSetting(SettingKeys::UserPwd, QStringLiteral("secret"));
    struct stat info{};
    ASSERT_EQ(stat(QFile::encodeName(userFile(QStringLiteral("Config.ini"))).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(StartupTest, WithoutAppDataTheUserFolderIsThePlatformConfigFolder)
{
    qunsetenv("APPDATA");
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    EXPECT_FALSE(config.isEmpty());
    EXPECT_EQ(appDataFolder(), config);
    EXPECT_EQ(projectListPath(), config + QStringLiteral("/Cuewright/Prolist.xml"));
}

TEST_F(StartupTest, UnparsableProjectListIsKeptAsideAndAnEmptyListWritten)
{
    const QByteArray broken = "<ProList><projectitem><name>half";
    writeFile(projectListPath(), broken);

    SubtitleProjectPage page;

    EXPECT_TRUE(currentProject().projectList.isEmpty());
    EXPECT_TRUE(page.contentWidget()->rows().isEmpty());
    EXPECT_EQ(readFile(projectListPath() + QStringLiteral(".corrupt")), broken);
    ProjectItems reread{ProjectItem{QStringLiteral("x"), true, QStringLiteral("/x")}};
    EXPECT_TRUE(XmlOperate().ReadProjectList(projectListPath(), reread));
    EXPECT_TRUE(reread.isEmpty());
}

TEST_F(StartupTest, ReadableProjectListIsLoadedUntouched)
{
    const ProjectItems items{{QStringLiteral("talk"), true, QStringLiteral("/p/talk.cwpro")},
                             {QStringLiteral("film"), false, QStringLiteral("/p/film.cwpro")}};
    QDir().mkpath(userFile(QString()));
    ASSERT_TRUE(XmlOperate().WriteProjectList(projectListPath(), items));
    EXPECT_EQ(ProjectListStore::loadAtStart(projectListPath()), items);
    EXPECT_FALSE(QFile::exists(projectListPath() + QStringLiteral(".corrupt")));
}

TEST_F(StartupTest, ServiceAndWebAddressesFollowTheEnvironment)
{
    struct Case
    {
        const char *host;
        const char *port;
        const char *web;
        QString wantHost;
        unsigned wantPort;
        QString wantHelp;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, QStringLiteral("127.0.0.1"), 30000u,
         QStringLiteral("http://127.0.0.1:30080/faq.html")},
        {"10.1.2.3", "4100", "https://ops.example/", QStringLiteral("10.1.2.3"), 4100u,
         QStringLiteral("https://ops.example/faq.html")},
        {"", "70000", "", QStringLiteral("127.0.0.1"), 30000u, QStringLiteral("http://127.0.0.1:30080/faq.html")},
        {nullptr, "abc", nullptr, QStringLiteral("127.0.0.1"), 30000u,
         QStringLiteral("http://127.0.0.1:30080/faq.html")},
    };
    for (const Case &c : cases) {
        c.host ? qputenv("CUEWRIGHT_SERVICE_HOST", c.host) : qunsetenv("CUEWRIGHT_SERVICE_HOST");
        c.port ? qputenv("CUEWRIGHT_SERVICE_PORT", c.port) : qunsetenv("CUEWRIGHT_SERVICE_PORT");
        c.web ? qputenv("CUEWRIGHT_WEB_HOST", c.web) : qunsetenv("CUEWRIGHT_WEB_HOST");
        EXPECT_EQ(AppConfig::serviceHost(), c.wantHost);
        EXPECT_EQ(AppConfig::servicePort(), c.wantPort);
        EXPECT_EQ(AppConfig::webPage(QStringLiteral("/faq.html")).toString(), c.wantHelp);
    }
    qunsetenv("CUEWRIGHT_WEB_HOST");
}

TEST_F(StartupTest, StyleSheetAndNamedImagesAreCompiledIn)
{
    for (const char *path : {":qss/StyleSheet.qss", ":/image/titlebar/logo1.png", ":/image/bottom/one_hover.png",
                             ":/image/bottom/four_normal.png", ":/image/left/new_normal.png",
                             ":/image/left/close_hover.png", ":/image/right/quickstart.png",
                             ":/image/main/drag_right.png", ":/image/bottom/close_normal.png"})
        EXPECT_TRUE(QFile::exists(QLatin1String(path))) << path;
    EXPECT_EQ(QPixmap(QStringLiteral(":/image/titlebar/logo1.png")).size(), QSize(68, 41));
    EXPECT_EQ(QPixmap(QStringLiteral(":/image/left/delete_normal.png")).size(), QSize(117, 20));
}
