// Fetching and vouching for an archive: signatures, versions, sizes, time
// limits, statuses and leftovers.

#include "ScriptedServer.h"
#include "UpdateFixture.h"
#include "UpdateJob.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

using cw::testing::Installation;
using cw::testing::LocalWebHost;
using cw::testing::publishArchive;
using cw::testing::ScriptedServer;
using cw::testing::snapshotTree;
using cw::testing::testKeys;

namespace {

class Downloads : public ::testing::Test
{
protected:
    void SetUp() override
    {
        archive = installation.parent() + QStringLiteral("/archive.zip");
        Installation::writeFile(archive, QByteArray(200000, 'z'));
    }

    UpdateStep fetch(const QString &url, const DownloadLimits &limits = {})
    {
        FetchOptions options;
        options.installedVersion = QStringLiteral("312");
        options.limits = limits;
        return fetchUpdate(url, UpdatePaths(installation.folder()), options);
    }
    bool leftovers() const
    {
        return QFileInfo::exists(installation.folder() + QStringLiteral("/update.zip"))
               || QFileInfo::exists(installation.folder() + QStringLiteral("/update.zip.part"));
    }

    Installation installation;
    QString archive;
};

} // namespace

TEST_F(Downloads, OnlyAnArchiveTheKeyVouchesForAndThatIsNewerIsKept)
{
    LocalWebHost web;
    ASSERT_TRUE(web.start());
    const QString update = web.root() + QStringLiteral("/cuewright/update/");

    QString path = publishArchive(web.root(), archive, QStringLiteral("ok.zip"), QStringLiteral("313"));
    UpdateStep step = fetch(web.url(path));
    ASSERT_TRUE(step.ok) << step.error.toStdString();
    EXPECT_EQ(Installation::readFile(installation.folder() + QStringLiteral("/update.zip")), QByteArray(200000, 'z'));
    QFile::remove(installation.folder() + QStringLiteral("/update.zip"));

    struct Case {
        const char *what;
        std::function<QString()> prepare; // returns the archive's path below the host
        const char *error;
    } cases[] = {
        {"tampered", [&] {
             const QString p = publishArchive(web.root(), archive, QStringLiteral("t.zip"), QStringLiteral("313"));
             QFile file(update + QStringLiteral("t.zip"));
             file.open(QIODevice::ReadWrite);
             file.seek(1000);
             file.write("Z");
             return p;
         }, "SHA-256"},
        {"no manifest", [&] {
             const QString p = publishArchive(web.root(), archive, QStringLiteral("n.zip"), QStringLiteral("313"));
             QFile::remove(update + QStringLiteral("n.zip.sig"));
             return p;
         }, "no manifest"},
        {"another key", [&] {
             return publishArchive(web.root(), archive, QStringLiteral("k.zip"), QStringLiteral("313"),
                                   generateSigningKeys().secretKey);
         }, "signature"},
        {"same version", [&] { return publishArchive(web.root(), archive, QStringLiteral("s.zip"), QStringLiteral("312")); },
         "not newer"},
        {"downgrade", [&] { return publishArchive(web.root(), archive, QStringLiteral("d.zip"), QStringLiteral("1000")); },
         "not newer"},
        {"grown after signing", [&] {
             const QString p = publishArchive(web.root(), archive, QStringLiteral("g.zip"), QStringLiteral("313"));
             QFile file(update + QStringLiteral("g.zip"));
             file.open(QIODevice::Append);
             file.write("more");
             return p;
         }, "larger than"},
        {"missing", [&] {
             const QString p = publishArchive(web.root(), archive, QStringLiteral("m.zip"), QStringLiteral("313"));
             QFile::remove(update + QStringLiteral("m.zip"));
             return p;
         }, "answered 404"},
    };
    for (const Case &c : cases) {
        const auto before = snapshotTree(installation.parent());
        step = fetch(web.url(c.prepare()));
        EXPECT_FALSE(step.ok) << c.what;
        EXPECT_TRUE(step.error.contains(QLatin1String(c.error))) << c.what << ": " << step.error.toStdString();
        EXPECT_FALSE(leftovers()) << c.what;
        EXPECT_EQ(snapshotTree(installation.parent()), before) << c.what;
    }
}

TEST_F(Downloads, AStaleArchiveIsDeletedWhenTheServerIsGone)
{
    // What an earlier run left: a whole archive and a partial one.
    Installation::writeFile(installation.folder() + QStringLiteral("/update.zip"), "stale archive");
    Installation::writeFile(installation.folder() + QStringLiteral("/update.zip.part"), "partial");
    int deadPort = 0;
    {
        ScriptedServer gone;
        deadPort = gone.port();
    }
    const UpdateStep step = fetch(QStringLiteral("http://127.0.0.1:%1/cuewright/update/x.zip").arg(deadPort));
    EXPECT_FALSE(step.ok);
    EXPECT_FALSE(leftovers());
    const UpdateStep install = installUpdate(UpdatePaths(installation.folder()), InstallOptions());
    EXPECT_FALSE(install.ok);
    EXPECT_TRUE(install.error.contains(QStringLiteral("no archive"))) << install.error.toStdString();
}

TEST_F(Downloads, ASilentServerIsGivenUpOnWithinTheLimit)
{
    ScriptedServer silent; // accepts and never answers
    DownloadLimits limits;
    limits.lowSpeedSeconds = 1;
    QElapsedTimer clock;
    clock.start();
    const UpdateStep step = fetch(QString::fromLatin1(silent.url("/x.zip")), limits);
    EXPECT_FALSE(step.ok);
    EXPECT_TRUE(step.error.contains(QStringLiteral("no manifest"))) << step.error.toStdString();
    EXPECT_LT(clock.elapsed(), 10000);
}

TEST_F(Downloads, OnlyHttpAnswersOf200WithinFiveRedirectsAreKept)
{
    ScriptedServer server;
    server.answer("/plain", ScriptedServer::ok("body"));
    server.answer("/error", "HTTP/1.1 500 Oops\r\nContent-Length: 5\r\nConnection: close\r\n\r\nerror");
    server.answer("/to-file", ScriptedServer::redirect("file:///etc/passwd"));
    server.answer("/to-ftp", ScriptedServer::redirect("ftp://127.0.0.1/x"));
    for (int i = 0; i < 6; ++i)
        server.answer("/hop" + QByteArray::number(i), ScriptedServer::redirect(server.url("/hop" + QByteArray::number(i + 1))));
    server.answer("/hop6", ScriptedServer::ok("arrived"));
    server.answer("/big", ScriptedServer::ok(QByteArray(5000, 'b')));

    QByteArray out;
    const DownloadLimits limits;
    auto get = [&](const QByteArray &path, qint64 max = 1000) {
        return fetchToMemory(QString::fromLatin1(server.url(path)), &out, max, limits);
    };
    EXPECT_TRUE(get("/plain").ok);
    EXPECT_EQ(out, "body");
    FetchResult result = get("/error");
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(out.isEmpty()); // an error page never reaches the caller
    EXPECT_FALSE(get("/to-file").ok);
    EXPECT_FALSE(get("/to-ftp").ok);
    EXPECT_FALSE(get("/hop0").ok); // six hops
    result = get("/hop1");         // five
    EXPECT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(out, "arrived");
    result = get("/big", 4096);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains(QStringLiteral("larger"))) << result.error.toStdString();
    EXPECT_FALSE(fetchToMemory(QStringLiteral("ftp://127.0.0.1/x"), &out, 10, limits).ok);
    EXPECT_FALSE(fetchToMemory(QStringLiteral("file:///etc/passwd"), &out, 10, limits).ok);
}
