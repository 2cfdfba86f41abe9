// Reading the version file and deciding whether it offers an update.

#include "update/ProgramVersion.h"
#include "update/VersionFile.h"

#include <gtest/gtest.h>

namespace {

std::optional<UpdateOffer> offerFrom(const QByteArray &text, const QString &installed = QStringLiteral("312"))
{
    return updateOffer(parseVersionFile(text), installed);
}

} // namespace

TEST(VersionFile, LinesAreTrimmedThenCutAtTheirFirstTwoEqualsSigns)
{
    VersionFile file = parseVersionFile("version=313\r\nurl=http://h/a.zip\r\n\r\nnoise\nnotes=修复若干问题\n");
    EXPECT_EQ(file.version, QStringLiteral("313"));
    EXPECT_EQ(file.url, QStringLiteral("http://h/a.zip"));
    EXPECT_EQ(file.notes, QStringLiteral("修复若干问题"));

    file = parseVersionFile("version = 400\nurl=http://h/x?a=b\nversion=313\nVersion=999\n");
    EXPECT_EQ(file.version, QStringLiteral("313")); // "version " is another key; later lines win
    EXPECT_EQ(file.url, QStringLiteral("http://h/x?a"));
    EXPECT_EQ(parseVersionFile(QByteArray()).version, QString());
}

TEST(VersionFile, OnlyANewerVersionWithAFetchableAddressIsOffered)
{
    EXPECT_TRUE(offerFrom("version=313\nurl=http://127.0.0.1:30080/cuewright/update/Cuewright_v313.zip"));
    EXPECT_TRUE(offerFrom("version=40\nurl=https://h/a.zip")); // text order: "40" follows "312"
    EXPECT_TRUE(offerFrom("version=4\nurl=https://h/a.zip"));
    for (const char *version : {"312", "1000", "", "2"})
        EXPECT_FALSE(offerFrom(QByteArray("version=") + version + "\nurl=https://h/a.zip")) << version;
    // An address the updater could not or must not fetch is never offered.
    for (const char *url : {"", "ftp://h/a.zip", "file:///tmp/a.zip", "/cuewright/update/a.zip", "h/a.zip",
                            "javascript:alert(1)", "http://"})
        EXPECT_FALSE(offerFrom(QByteArray("version=313\nurl=") + url)) << url;
    EXPECT_FALSE(offerFrom("version=313")); // no url line at all

    EXPECT_EQ(ProgramVersion::own(), QStringLiteral("312"));
    EXPECT_TRUE(ProgramVersion::isNewer(QStringLiteral("313")));
    EXPECT_FALSE(ProgramVersion::isNewer(QStringLiteral("1000")));
}
