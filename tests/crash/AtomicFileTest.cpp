#include "subtitle/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

void writeRaw(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A pid that belonged to a process which has ended and been reaped.
qint64 pidOfEndedProcess()
{
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

TEST(AtomicFileTest, ReplacesTheFileKeepingItsPermissionsAndLeavesNothingElse)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.srt");
    writeRaw(path, "old");
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup));

    ASSERT_TRUE(writeFileAtomically(path, "new contents"));
    QByteArray bytes;
    ASSERT_TRUE(readWholeFile(path, &bytes));
    EXPECT_EQ(bytes, "new contents");
    const int ownerGroupOther = 0x7077; // leaves out the "User" copies of the owner's bits
    EXPECT_EQ(int(QFile::permissions(path)) & ownerGroupOther,
              int(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup));
    EXPECT_EQ(entries(dir.path()), QStringList{"a.srt"});

    // A new file, and an empty one.
    ASSERT_TRUE(writeFileAtomically(dir.filePath("b.srt"), QByteArray()));
    ASSERT_TRUE(readWholeFile(dir.filePath("b.srt"), &bytes));
    EXPECT_TRUE(bytes.isEmpty());
    EXPECT_EQ(entries(dir.path()), QStringList({"a.srt", "b.srt"}));
}

TEST(AtomicFileTest, WritingThroughALinkReplacesTheFileItNames)
{
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("real"));
    writeRaw(dir.filePath("real/a.srt"), "old");
    ASSERT_TRUE(QFile::link(dir.filePath("real/a.srt"), dir.filePath("link.srt")));

    ASSERT_TRUE(writeFileAtomically(dir.filePath("link.srt"), "new"));
    EXPECT_TRUE(QFileInfo(dir.filePath("link.srt")).isSymLink());
    QByteArray bytes;
    ASSERT_TRUE(readWholeFile(dir.filePath("real/a.srt"), &bytes));
    EXPECT_EQ(bytes, "new");
    EXPECT_EQ(entries(dir.filePath("real")), QStringList{"a.srt"});
}

TEST(AtomicFileTest, AFailedWriteKeepsNothingAndSaysWhy)
{
    QTemporaryDir dir;
    QString reason;
    EXPECT_FALSE(writeFileAtomically(dir.filePath("gone/a.srt"), "x", &reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_FALSE(writeFileAtomically(dir.path(), "x", &reason)); // a folder is no file
    EXPECT_TRUE(entries(dir.path()).isEmpty());
}

TEST(AtomicFileTest, TemporaryNamesCarryTheWritersPid)
{
    const QString name = atomicWriteTemporaryName("work.cwpro", 4321, 7);
    EXPECT_EQ(name, ".work.cwpro.4321.7.cwtmp");
    EXPECT_EQ(atomicWriteTemporaryOwner(name, "work.cwpro"), 4321);
    // Another target's, or not a temporary of ours at all.
    for (const char *other : {".work.4321.7.cwtmp", "work.cwpro.4321.7.cwtmp", ".work.cwpro.4321.cwtmp",
                              ".work.cwpro.x.7.cwtmp", ".work.cwpro.4321.7.tmp", ".work.cwpro.-5.7.cwtmp",
                              ".work.cwpro.bak.4321.7.cwtmp"})
        EXPECT_EQ(atomicWriteTemporaryOwner(other, "work.cwpro"), 0) << other;
    EXPECT_EQ(atomicWriteTemporaryOwner(name, "work"), 0);
}

TEST(AtomicFileTest, AWriteRemovesOnlyItsTargetsTemporariesOfEndedWriters)
{
    QTemporaryDir dir;
    const qint64 ended = pidOfEndedProcess();
    const QString stale = atomicWriteTemporaryName("a.srt", ended, 0);
    const QString ownLive = atomicWriteTemporaryName("a.srt", getpid(), 99);
    const QString otherTarget = atomicWriteTemporaryName("b.srt", ended, 0);
    for (const QString &name : {stale, ownLive, otherTarget, QStringLiteral("a.srt.Xy12ab")})
        writeRaw(dir.filePath(name), "left");

    ASSERT_TRUE(writeFileAtomically(dir.filePath("a.srt"), "new"));
    QStringList expected{"a.srt", ownLive, otherTarget, "a.srt.Xy12ab"};
    expected.sort();
    EXPECT_EQ(entries(dir.path()), expected);
}

} // namespace
