// The version file's download: its time limit, size cap and failures.

#include "ScriptedServer.h"
#include "ShellFixture.h"

#include "update/FileDownloader.h"

#include <QElapsedTimer>
#include <QSignalSpy>

using cw::testing::ScriptedServer;

namespace {

class FileDownloaderTest : public ShellFixture
{
protected:
    // Runs one download to its end.
    FileDownloader *fetch(const QByteArray &path, int limitMs = FileDownloader::TimeLimitMs)
    {
        auto *downloader = new FileDownloader(QUrl(QString::fromLatin1(server.url(path))), &owner, limitMs);
        QSignalSpy done(downloader, &FileDownloader::downloaded);
        // Events are run by hand: an earlier test in this program may have
        // asked the application to quit, which ends every nested event loop.
        QElapsedTimer clock;
        clock.start();
        while (done.isEmpty() && clock.elapsed() < 20000)
            settle(5);
        EXPECT_EQ(done.size(), 1);
        return downloader;
    }

    QObject owner;
    ScriptedServer server;
};

} // namespace

TEST_F(FileDownloaderTest, AGoodAnswerIsKeptAndEveryOtherLeavesNothing)
{
    server.answer("/v.ini", ScriptedServer::ok("version=313\n"));
    server.answer("/missing", "HTTP/1.1 404 Not Found\r\nContent-Length: 11\r\nConnection: close\r\n\r\nversion=999");
    server.answer("/moved", ScriptedServer::redirect(server.url("/v.ini")));
    server.answer("/large", ScriptedServer::ok(QByteArray(64 * 1024 + 1, 'x')));
    server.answer("/limit", ScriptedServer::ok(QByteArray(64 * 1024, 'x')));

    FileDownloader *good = fetch("/v.ini");
    EXPECT_TRUE(good->succeeded());
    EXPECT_EQ(good->downloadedData(), "version=313\n");
    for (const QByteArray &path : {QByteArray("/missing"), QByteArray("/moved"), QByteArray("/large")}) {
        FileDownloader *bad = fetch(path);
        EXPECT_FALSE(bad->succeeded()) << path.constData();
        EXPECT_TRUE(bad->downloadedData().isEmpty()) << path.constData();
    }
    EXPECT_EQ(fetch("/limit")->downloadedData().size(), 64 * 1024);
}

TEST_F(FileDownloaderTest, ASilentServerEndsTheRequestAtTheTimeLimit)
{
    QElapsedTimer clock;
    clock.start();
    FileDownloader *silent = fetch("/never-answered", 400);
    EXPECT_GE(clock.elapsed(), 350);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(silent->succeeded());
    EXPECT_TRUE(silent->downloadedData().isEmpty());
}
