// What an archive entry may be, judged from its header alone.

#include "ZipEntryRules.h"

#include <QTextCodec>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

std::optional<EntryName> name(const QByteArray &stored, bool utf8 = true)
{
    QString why;
    return checkEntryName(stored, utf8, &why);
}

constexpr quint16 MadeOnUnix = 3 << 8;

} // namespace

TEST(EntryNames, PlainNamesBecomePathsBelowTheStagingFolder)
{
    auto entry = name("Cuewright_v313/lib/libvoxlink.so");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->path, QStringLiteral("Cuewright_v313/lib/libvoxlink.so"));
    EXPECT_FALSE(entry->folder);
    entry = name("Cuewright_v313\\lib\\");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->path, QStringLiteral("Cuewright_v313/lib"));
    EXPECT_TRUE(entry->folder);
    entry = name(QStringLiteral("说明/手册.pdf").toUtf8(), true);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->path, QStringLiteral("说明/手册.pdf"));
    // Without the UTF-8 flag a name is GBK.
    entry = name(QTextCodec::codecForName("GBK")->fromUnicode(QStringLiteral("手册.pdf")), false);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->path, QStringLiteral("手册.pdf"));
    // Long names are fine as long as every part fits a file system's limit.
    const QByteArray longName = QByteArray(200, 'a') + '/' + QByteArray(255, 'b');
    ASSERT_TRUE(name(longName));
    EXPECT_EQ(name(longName)->path.size(), 456);
    EXPECT_TRUE(name(QByteArray("d/").repeated(31) + "x"));
}

TEST(EntryNames, EveryWayOutOrAroundIsRefused)
{
    const QByteArray refused[] = {
        "",
        "/etc/passwd",
        "\\windows\\x",
        "../x",
        "a/../../x",
        "..\\..\\x",
        "C:/x",
        "a:b",
        "a//b",
        "./a",
        "a/./b",
        "a/..",
        QByteArray("a\0b", 3),
        "a\x01" "b",
        "a\x7f" "b",
        QByteArray(256, 'c'),
        QByteArray("d/").repeated(32) + "x",
    };
    for (const QByteArray &stored : refused) {
        QString why;
        EXPECT_FALSE(checkEntryName(stored, true, &why)) << stored.toStdString();
        EXPECT_FALSE(why.isEmpty());
    }
    EXPECT_FALSE(name("\xc3\x28", true));  // not UTF-8
    EXPECT_FALSE(name("\xff\xff", false)); // not GBK
    EXPECT_FALSE(name(QStringLiteral("a\u202eb").toUtf8())); // a format character that hides the real name
}

TEST(EntryTypes, OnlyFilesAndFoldersWithSafePermissions)
{
    QString why;
    const EntryName file{QStringLiteral("a"), false};
    const EntryName folder{QStringLiteral("d"), true};
    auto type = checkEntryType(MadeOnUnix, (S_IFREG | 04777u) << 16, file, &why);
    ASSERT_TRUE(type);
    EXPECT_EQ(*type->permissions, mode_t(0755)); // no setuid, no group/other write
    type = checkEntryType(MadeOnUnix, (S_IFREG | 02775u | S_ISVTX) << 16, file, &why);
    EXPECT_EQ(*type->permissions, mode_t(0755));
    type = checkEntryType(MadeOnUnix, (S_IFDIR | 0755u) << 16, folder, &why);
    ASSERT_TRUE(type);
    EXPECT_TRUE(type->folder);
    // Made elsewhere, or without a mode: the name decides, the mode is left open.
    type = checkEntryType(0, 0x20, file, &why);
    ASSERT_TRUE(type);
    EXPECT_FALSE(type->permissions);

    for (const unsigned kind : {unsigned(S_IFLNK), unsigned(S_IFCHR), unsigned(S_IFBLK), unsigned(S_IFIFO),
                                unsigned(S_IFSOCK)})
        EXPECT_FALSE(checkEntryType(MadeOnUnix, (kind | 0644u) << 16, file, &why)) << kind;
    EXPECT_FALSE(checkEntryType(MadeOnUnix, (S_IFDIR | 0755u) << 16, file, &why));
    EXPECT_FALSE(checkEntryType(MadeOnUnix, (S_IFREG | 0644u) << 16, folder, &why));

    EXPECT_EQ(installedFileMode(mode_t(0700), mode_t(0644)), mode_t(0700));
    EXPECT_EQ(installedFileMode(std::nullopt, mode_t(S_IFREG | 04755)), mode_t(0755));
    EXPECT_EQ(installedFileMode(std::nullopt, std::nullopt), mode_t(0644));
    EXPECT_TRUE(isSupportedMethod(0) && isSupportedMethod(8));
    EXPECT_FALSE(isSupportedMethod(12) || isSupportedMethod(99));
}
