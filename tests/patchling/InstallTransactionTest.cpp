// Installing unpacked files over a program folder: all of them or none.

#include "InstallTransaction.h"
#include "UpdateFixture.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using cw::testing::Installation;
using cw::testing::snapshotTree;

namespace {

class InstallTransaction : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(staging.isValid());
        const QString s = staging.path();
        QDir().mkpath(s + QStringLiteral("/lib"));
        QDir().mkpath(s + QStringLiteral("/plugins/audio"));
        Installation::writeFile(s + QStringLiteral("/cuewright"), "new program", 0600);
        Installation::writeFile(s + QStringLiteral("/readme.txt"), "new readme", 0600);
        Installation::writeFile(s + QStringLiteral("/lib/libvoxlink.so"), "new library", 0600);
        Installation::writeFile(s + QStringLiteral("/plugins/audio/mp3.so"), "new plugin", 0600);
        items = {{QStringLiteral("cuewright"), false, mode_t(0755)},
                 {QStringLiteral("readme.txt"), false, std::nullopt},
                 {QStringLiteral("lib"), true, std::nullopt},
                 {QStringLiteral("lib/libvoxlink.so"), false, std::nullopt},
                 {QStringLiteral("plugins/audio/mp3.so"), false, mode_t(0644)}};
    }

    QString a() const { return installation.folder(); }

    Installation installation;
    QTemporaryDir staging{installation.parent() + QStringLiteral("/staging-XXXXXX")};
    QList<InstallItem> items;
};

mode_t modeOf(const QString &path)
{
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 07777;
}

} // namespace

TEST_F(InstallTransaction, NewFilesTakeTheirPlacesAndARunningProgramKeepsItsOld)
{
    ::chmod(QFile::encodeName(a() + QStringLiteral("/readme.txt")).constData(), 0640);
    // A running program has its files open (or mapped): they must stay as they were.
    const int open = ::open(QFile::encodeName(a() + QStringLiteral("/lib/libvoxlink.so")).constData(), O_RDONLY);
    ASSERT_GE(open, 0);

    const InstallResult result = installFiles(staging.path(), a(), items);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.filesReplaced, 3);
    EXPECT_EQ(result.filesAdded, 1);
    EXPECT_EQ(Installation::readFile(a() + QStringLiteral("/cuewright")), "new program");
    EXPECT_EQ(Installation::readFile(a() + QStringLiteral("/lib/libvoxlink.so")), "new library");
    EXPECT_EQ(Installation::readFile(a() + QStringLiteral("/plugins/audio/mp3.so")), "new plugin");
    EXPECT_EQ(modeOf(a() + QStringLiteral("/cuewright")), mode_t(0755));  // the archive's
    EXPECT_EQ(modeOf(a() + QStringLiteral("/readme.txt")), mode_t(0640)); // the replaced file's
    EXPECT_EQ(modeOf(a() + QStringLiteral("/plugins")), mode_t(0755));
    EXPECT_EQ(Installation::readFile(a() + QStringLiteral("/update-key.pub")).isEmpty(), false); // not in the archive: kept

    char old[64] = {};
    ASSERT_GT(::pread(open, old, sizeof old - 1, 0), 0);
    EXPECT_STREQ(old, "\x7f" "ELF old library");
    ::close(open);
    // No backups stay behind.
    for (const auto &[entry, what] : snapshotTree(a()))
        EXPECT_EQ(entry.find(".patchling-old"), std::string::npos) << entry;
}

TEST_F(InstallTransaction, AFailureAtAnyStepPutsEverythingBack)
{
    const auto before = snapshotTree(a());
    // Four files each need one rename to take their place (backups are links):
    // fail each in turn.
    for (int failing = 1; failing <= 4; ++failing) {
        SetUp(); // the staged files moved on the last round
        int calls = 0;
        InstallHooks hooks;
        hooks.rename = [&](const char *from, const char *to) {
            if (++calls == failing) {
                errno = EIO;
                return -1;
            }
            return ::rename(from, to);
        };
        const InstallResult result = installFiles(staging.path(), a(), items, hooks);
        EXPECT_FALSE(result.ok) << failing;
        EXPECT_TRUE(result.error.contains(QStringLiteral("Input/output error"))) << result.error.toStdString();
        EXPECT_EQ(snapshotTree(a()), before) << "failing rename " << failing;
    }
}

TEST_F(InstallTransaction, SomethingInTheWayRefusesTheWholeInstall)
{
    QDir().mkpath(a() + QStringLiteral("/readme.txt.d"));
    items.append({QStringLiteral("readme.txt.d"), false, std::nullopt}); // a file where a folder is
    Installation::writeFile(staging.path() + QStringLiteral("/readme.txt.d"), "x");
    const auto before = snapshotTree(a());
    const InstallResult result = installFiles(staging.path(), a(), items);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains(QStringLiteral("in the way"))) << result.error.toStdString();
    EXPECT_EQ(snapshotTree(a()), before);
}
