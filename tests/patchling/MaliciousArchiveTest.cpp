// A corpus of hostile archives, each validly signed and served by the
// stand-in's web host: none may change the installation in any way.

#include "UpdateFixture.h"
#include "UpdateJob.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using cw::testing::Installation;
using cw::testing::LocalWebHost;
using cw::testing::publishArchive;
using cw::testing::snapshotTree;

namespace {

QTemporaryDir *corpus = nullptr;

QString corpusFolder() { return corpus->path() + QStringLiteral("/archives"); }
QString escapeFolder() { return corpus->path() + QStringLiteral("/outside"); }

UpdateStep fetchAndInstall(const LocalWebHost &web, const QString &archive, const Installation &installation)
{
    const QString path = publishArchive(web.root(), archive, QStringLiteral("Cuewright_v313.zip"), QStringLiteral("313"));
    const UpdatePaths paths(installation.folder());
    FetchOptions fetch;
    fetch.installedVersion = QStringLiteral("312");
    const UpdateStep fetched = fetchUpdate(web.url(path), paths, fetch);
    if (!fetched.ok)
        return fetched;
    return installUpdate(paths, InstallOptions());
}

class MaliciousArchives : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        corpus = new QTemporaryDir;
        QProcess python;
        python.start(QStringLiteral("python3"), {QStringLiteral(CW_MAKE_ARCHIVES), corpusFolder(), escapeFolder()});
        ASSERT_TRUE(python.waitForFinished(120000));
        ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    }
    static void TearDownTestSuite()
    {
        delete corpus;
        corpus = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(web.start()) << web.log().toStdString(); }

    LocalWebHost web;
};

} // namespace

TEST_F(MaliciousArchives, EveryOneIsRefusedAndNothingChangesInsideOrOutside)
{
    const QStringList archives =
        QDir(corpusFolder()).entryList({QStringLiteral("*.zip")}, QDir::Files, QDir::Name).filter(
            QRegularExpression(QStringLiteral("^(?!good\\.zip$)")));
    ASSERT_GE(archives.size(), 20);
    for (const QString &name : archives) {
        Installation installation;
        const auto before = snapshotTree(installation.parent());
        const UpdateStep result = fetchAndInstall(web, corpusFolder() + QLatin1Char('/') + name, installation);
        EXPECT_FALSE(result.ok) << name.toStdString();
        EXPECT_FALSE(result.error.isEmpty()) << name.toStdString();
        EXPECT_EQ(snapshotTree(installation.parent()), before) << name.toStdString() << ": " << result.error.toStdString();
        EXPECT_FALSE(QFileInfo::exists(escapeFolder())) << name.toStdString();
    }
}

TEST_F(MaliciousArchives, TheGoodOneInstallsEveryFileItCarries)
{
    Installation installation;
    const UpdateStep result = fetchAndInstall(web, corpusFolder() + QStringLiteral("/good.zip"), installation);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    const QString a = installation.folder();
    EXPECT_EQ(Installation::readFile(a + QStringLiteral("/readme.txt")), "new readme\n");
    EXPECT_EQ(Installation::readFile(a + QStringLiteral("/lib/libvoxlink.so")), "\x7f" "ELF new library");
    EXPECT_EQ(Installation::readFile(a + QStringLiteral("/手册.txt")), "gbk");      // a GBK name, no UTF-8 flag
    EXPECT_EQ(Installation::readFile(a + QStringLiteral("/说明.txt")), "utf-8 名字"); // flagged UTF-8
    const QString longName = a + QStringLiteral("/deep/") + QString(150, QLatin1Char('n')) + QLatin1Char('/')
                             + QString(150, QLatin1Char('m')) + QStringLiteral(".txt");
    EXPECT_EQ(Installation::readFile(longName), "long name");
    struct stat info {};
    ::stat(QFile::encodeName(a + QStringLiteral("/tool")).constData(), &info);
    EXPECT_EQ(info.st_mode & 07777, mode_t(0755)); // setuid and world-write gone
    // The key stays; the updater's working files go.
    EXPECT_TRUE(QFileInfo::exists(a + QStringLiteral("/update-key.pub")));
    EXPECT_FALSE(QFileInfo::exists(a + QStringLiteral("/update.zip")));
    EXPECT_FALSE(QFileInfo::exists(a + QStringLiteral("/update")));
    EXPECT_TRUE(QFileInfo::exists(installation.parent() + QStringLiteral("/neighbour/keep.txt")));
}

TEST_F(MaliciousArchives, AnArchiveThatWouldNotFitIsRefusedBeforeAnythingIsWritten)
{
    Installation installation;
    const QString staging = installation.folder() + QStringLiteral("/update");
    ArchiveLimits limits;
    limits.freeSpace = [](const QString &) { return qint64(10); }; // the good archive unpacks to ~80 bytes
    const ExtractResult result = extractArchive(corpusFolder() + QStringLiteral("/good.zip"), staging, limits);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains(QStringLiteral("are free"))) << result.error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(staging));
}
