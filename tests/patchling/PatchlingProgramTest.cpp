// The updater program itself, copied into a throw-away installation whose
// "cuewright" is a script that records each start, updating from archives
// that scripts/publish-update put on the stand-in's web host.

#include "UpdateFixture.h"
#include "UpdateLocks.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

using cw::testing::Installation;
using cw::testing::LocalWebHost;
using cw::testing::snapshotTree;
using cw::testing::testKeys;

namespace {

class PatchlingProgram : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(web.start()) << web.log().toStdString();
        installation.addUpdater(QStringLiteral(CW_PATCHLING_BINARY));
        secretKey = cw::testing::writeSecretKeyFile(installation.parent() + QStringLiteral("/publisher"));
    }

    // The next version's folder: the same program script, a new readme and library.
    QString newVersionFolder()
    {
        const QString folder = installation.parent() + QStringLiteral("/build-313");
        QDir().mkpath(folder + QStringLiteral("/lib"));
        QFile::copy(installation.folder() + QStringLiteral("/cuewright"), folder + QStringLiteral("/cuewright"));
        Installation::writeFile(folder + QStringLiteral("/readme.txt"), "new readme");
        Installation::writeFile(folder + QStringLiteral("/lib/libvoxlink.so"), "\x7f" "ELF new library");
        Installation::writeFile(folder + QStringLiteral("/lib/added.so"), "added");
        return folder;
    }

    QString publish(const QString &version, const QString &folder)
    {
        QString error;
        const QString url = cw::testing::publishWithScript(web, secretKey, version, folder, &error);
        EXPECT_FALSE(url.isEmpty()) << error.toStdString();
        return url;
    }

    // Runs the installation's updater to its end; its exit code. With
    // `deafOutput` its output is a pipe nobody reads any more, as it was
    // when the program that started it had ended.
    int runUpdater(const QStringList &arguments, QByteArray *output = nullptr, bool deafOutput = false)
    {
        if (deafOutput)
            return runWithClosedOutput(arguments);
        QProcess updater;
        updater.setProcessChannelMode(QProcess::MergedChannels);
        updater.start(installation.folder() + QStringLiteral("/patchling"), arguments);
        EXPECT_TRUE(updater.waitForFinished(60000));
        if (output)
            *output = updater.readAll();
        return updater.exitCode();
    }

    int runWithClosedOutput(const QStringList &arguments)
    {
        int pipe[2];
        EXPECT_EQ(::pipe2(pipe, O_CLOEXEC), 0);
        const QByteArray program = QFile::encodeName(installation.folder() + QStringLiteral("/patchling"));
        const QByteArray argument = arguments.value(0).toUtf8();
        const pid_t child = ::fork();
        if (child == 0) {
            ::dup2(pipe[1], 1);
            ::dup2(pipe[1], 2);
            ::execl(program.constData(), program.constData(), argument.constData(), static_cast<char *>(nullptr));
            ::_exit(127);
        }
        ::close(pipe[0]);
        ::close(pipe[1]);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    QStringList waitForStarts(int count)
    {
        QElapsedTimer clock;
        clock.start();
        while (installation.starts().size() < count && clock.elapsed() < 10000)
            QThread::msleep(50);
        return installation.starts();
    }

    LocalWebHost web;
    Installation installation;
    QString secretKey;
};

} // namespace

TEST_F(PatchlingProgram, WithoutExactlyOneArgumentItEndsAtOnce)
{
    const auto before = snapshotTree(installation.parent());
    EXPECT_EQ(runUpdater({}), 0);
    EXPECT_EQ(runUpdater({QStringLiteral("a"), QStringLiteral("b")}), 0);
    EXPECT_EQ(snapshotTree(installation.parent()), before);
}

TEST_F(PatchlingProgram, AGoodUpdateIsInstalledAndTheNewProgramStarted)
{
    const QString url = publish(QStringLiteral("313"), newVersionFolder());
    // Its output is a pipe already closed at the other end, so every line it
    // writes fails: it must go on regardless.
    EXPECT_EQ(runUpdater({url}, nullptr, true), 0);
    const QString a = installation.folder();
    EXPECT_EQ(Installation::readFile(a + QStringLiteral("/readme.txt")), "new readme");
    EXPECT_EQ(Installation::readFile(a + QStringLiteral("/lib/added.so")), "added");
    EXPECT_EQ(waitForStarts(1), QStringList{QStringLiteral("new readme")});
    EXPECT_FALSE(QFileInfo::exists(a + QStringLiteral("/update.zip")));
    EXPECT_FALSE(QFileInfo::exists(a + QStringLiteral("/update")));
    // The new version checks the next update with the same key.
    EXPECT_EQ(parsePublicKeyFile(Installation::readFile(a + QStringLiteral("/update-key.pub"))), testKeys().publicKey);
}

TEST_F(PatchlingProgram, ATamperedArchiveIsRefusedAndTheOldProgramComesBack)
{
    const QString url = publish(QStringLiteral("313"), newVersionFolder());
    QFile archive(web.root() + QStringLiteral("/cuewright/update/Cuewright_v313.zip"));
    ASSERT_TRUE(archive.open(QIODevice::ReadWrite));
    archive.seek(archive.size() / 2);
    const char byte = archive.peek(1).at(0);
    archive.write(QByteArray(1, char(byte ^ 0x20)));
    archive.close();

    const auto before = snapshotTree(installation.parent());
    QByteArray output;
    EXPECT_EQ(runUpdater({url}, &output), 0);
    EXPECT_TRUE(output.contains("SHA-256")) << output.toStdString();
    EXPECT_EQ(waitForStarts(1), QStringList{QStringLiteral("old readme")});
    auto after = snapshotTree(installation.parent());
    after.erase("started.log");
    EXPECT_EQ(after, before);
}

TEST_F(PatchlingProgram, ItWaitsForTheRunningProgramAndIsAloneInItsWork)
{
    const QString url = publish(QStringLiteral("313"), newVersionFolder());
    // A second updater finds the first one's lock and leaves everything alone.
    {
        FolderLock first;
        QString error;
        ASSERT_TRUE(first.tryExclusive(installation.folder() + QStringLiteral("/.update.lock"), &error));
        const auto before = snapshotTree(installation.parent());
        QByteArray output;
        EXPECT_EQ(runUpdater({url}, &output), 1);
        EXPECT_TRUE(output.contains("another update")) << output.toStdString();
        EXPECT_EQ(snapshotTree(installation.parent()), before);
    }
    // A running program holds the lock shared; the files change only after it ends.
    const QByteArray lockPath = QFile::encodeName(installation.folder() + QStringLiteral("/.running.lock"));
    // Close-on-exec: a lock inherited by the updater would never be let go.
    const int program = ::open(lockPath.constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(program, LOCK_SH), 0);
    QProcess updater;
    updater.start(installation.folder() + QStringLiteral("/patchling"), {url});
    QThread::msleep(1500);
    EXPECT_EQ(Installation::readFile(installation.folder() + QStringLiteral("/readme.txt")), "old readme");
    ::close(program);
    ASSERT_TRUE(updater.waitForFinished(60000));
    EXPECT_EQ(Installation::readFile(installation.folder() + QStringLiteral("/readme.txt")), "new readme");
}
