// The whole road on 127.0.0.1: publish a new version on the stand-in's web
// host, start the program, accept the offer, and the real updater fetches,
// checks and installs it and starts the new program (a script recording
// each start).

#include "ShellFixture.h"
#include "UpdateFixture.h"

#include "base/CurrentProject.h"
#include "project/Settings.h"
#include "shell/CotentWidget.h"
#include "shell/SubtitleProjectPage.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

using cw::testing::Installation;
using cw::testing::LocalWebHost;

namespace {

class EndToEndUpdate : public ShellFixture
{
protected:
    void SetUp() override
    {
        ShellFixture::SetUp();
        ASSERT_TRUE(web.start()) << web.log().toStdString();
        qputenv("CUEWRIGHT_WEB_HOST", web.url(QString()).toUtf8());
        writeSetting(SettingKeys::CheckUpdateAtStart, QStringLiteral("1"));
        installation.addUpdater(QStringLiteral(CW_PATCHLING_BINARY));
    }
    void TearDown() override
    {
        qunsetenv("CUEWRIGHT_WEB_HOST");
        ShellFixture::TearDown();
    }

    QString newVersion()
    {
        const QString folder = installation.parent() + QStringLiteral("/build-313");
        QDir().mkpath(folder + QStringLiteral("/lib"));
        QFile::copy(installation.folder() + QStringLiteral("/cuewright"), folder + QStringLiteral("/cuewright"));
        Installation::writeFile(folder + QStringLiteral("/readme.txt"), "new readme");
        Installation::writeFile(folder + QStringLiteral("/lib/libvoxlink.so"), "\x7f" "ELF new library");
        return folder;
    }

    QStringList waitForStarts(int count, int ms)
    {
        QElapsedTimer clock;
        clock.start();
        while (installation.starts().size() < count && clock.elapsed() < ms)
            settle(50);
        return installation.starts();
    }

    LocalWebHost web;
    Installation installation;
};

} // namespace

TEST_F(EndToEndUpdate, PublishedCheckedAcceptedInstalledAndRestarted)
{
    QString error;
    const QString key = cw::testing::writeSecretKeyFile(installation.parent() + QStringLiteral("/publisher"));
    ASSERT_FALSE(cw::testing::publishWithScript(web, key, QStringLiteral("313"), newVersion(), &error).isEmpty())
        << error.toStdString();

    CotentWidget window;
    window.projectPage()->setUpdaterFolder(installation.folder());
    boxAnswers = {ModalSeam::Answer::Ok}; // "好的"
    const QStringList starts = waitForStarts(1, 60000);
    EXPECT_EQ(boxTitles, QStringList{QStringLiteral("软件更新")});
    ASSERT_EQ(starts, QStringList{QStringLiteral("new readme")})
        << readFile(currentProject().tempFolder + QStringLiteral("/patchling.log")).toStdString();
    const QString a = installation.folder();
    EXPECT_EQ(Installation::readFile(a + QStringLiteral("/lib/libvoxlink.so")), "\x7f" "ELF new library");
    EXPECT_FALSE(QFileInfo::exists(a + QStringLiteral("/update.zip")));
    // The updater wrote to its log, never to the program.
    EXPECT_TRUE(readFile(currentProject().tempFolder + QStringLiteral("/patchling.log")).contains("install: done"));
}
