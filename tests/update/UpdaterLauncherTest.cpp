// Handing over to the updater: detached, one argument, output in a log.

#include "ShellFixture.h"
#include "UpdateLocks.h"

#include "update/RunningLock.h"
#include "update/UpdaterLauncher.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <sys/stat.h>

namespace {

class UpdaterLauncherTest : public ShellFixture
{
protected:
    // A stand-in updater that records its arguments and what its output is,
    // then writes once more after a pause, when its parent may be long gone.
    void writeStubUpdater()
    {
        QDir().mkpath(folder());
        writeFile(folder() + QStringLiteral("/patchling"),
                  "#!/bin/sh\n"
                  "here=$(dirname \"$0\")\n"
                  "printf '%s\\n' \"$#\" \"$@\" > \"$here/args.txt\"\n"
                  "out=$(readlink /proc/$$/fd/1)\n"
                  "echo \"$out\" > \"$here/stdout.txt\"\n"
                  "sleep 0.3\n"
                  "echo late line\n"
                  "touch \"$here/done\"\n");
        ::chmod(QFile::encodeName(folder() + QStringLiteral("/patchling")).constData(), 0755);
    }
    QString folder() const { return workFile(QStringLiteral("program")); }
    bool waitFor(const QString &path)
    {
        QElapsedTimer clock;
        clock.start();
        while (!QFile::exists(path) && clock.elapsed() < 10000)
            QThread::msleep(20);
        return QFile::exists(path);
    }
};

} // namespace

TEST_F(UpdaterLauncherTest, TheUpdaterGetsTheAddressAloneAndALogInsteadOfPipes)
{
    writeStubUpdater();
    const UpdaterLauncher launcher(folder(), workFile(QStringLiteral("scratch")));
    EXPECT_EQ(launcher.updaterPath(), folder() + QStringLiteral("/patchling"));
    QString error;
    const QString url = QStringLiteral("http://127.0.0.1:1/cuewright/update/Cuewright_v313.zip?a=b c");
    ASSERT_TRUE(launcher.start(url, &error)) << error.toStdString();
    ASSERT_TRUE(waitFor(folder() + QStringLiteral("/done")));
    EXPECT_EQ(readFile(folder() + QStringLiteral("/args.txt")), "1\n" + url.toUtf8() + "\n");
    EXPECT_EQ(readFile(folder() + QStringLiteral("/stdout.txt")).trimmed(), QFile::encodeName(launcher.logPath()));
    EXPECT_TRUE(readFile(launcher.logPath()).contains("late line"));
}

TEST_F(UpdaterLauncherTest, AMissingUpdaterIsReported)
{
    const UpdaterLauncher launcher(folder(), workFile(QStringLiteral("scratch")));
    QString error;
    EXPECT_FALSE(launcher.start(QStringLiteral("http://h/a.zip"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("patchling"))) << error.toStdString();
    writeFile(folder() + QStringLiteral("/patchling"), "not executable");
    EXPECT_FALSE(launcher.start(QStringLiteral("http://h/a.zip"), &error));
}

TEST_F(UpdaterLauncherTest, TheUpdaterWaitsWhileAProgramRuns)
{
    QDir().mkpath(folder());
    const QString lockPath = folder() + QStringLiteral("/.running.lock");
    QString error;
    FolderLock updater;
    {
        const RunningLock program(folder());
        ASSERT_TRUE(program.isHeld()) << program.error().toStdString();
        const RunningLock second(folder()); // programs share it
        EXPECT_TRUE(second.isHeld());
        EXPECT_FALSE(updater.waitExclusive(lockPath, 300, 50, &error));
        EXPECT_TRUE(error.contains(QStringLiteral("held"))) << error.toStdString();
    }
    EXPECT_TRUE(updater.waitExclusive(lockPath, 300, 50, &error)) << error.toStdString();
}
