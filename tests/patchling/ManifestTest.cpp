// Signed manifests: what the publisher vouches for and how it is checked.

#include "Manifest.h"
#include "UpdateFixture.h"

#include <gtest/gtest.h>

using cw::testing::testKeys;

namespace {

Manifest sample()
{
    Manifest manifest;
    manifest.version = QStringLiteral("313");
    manifest.size = 123456;
    manifest.sha256 = QByteArray(32, '\x5a');
    return manifest;
}

std::optional<Manifest> read(const QByteArray &text, const QByteArray &key = testKeys().publicKey)
{
    QString error;
    return readSignedManifest(text, key, &error);
}

} // namespace

TEST(Manifests, ASignedManifestReadsBackAsSigned)
{
    const QByteArray text = signManifest(sample(), testKeys().secretKey);
    EXPECT_TRUE(text.startsWith("cuewright-update-manifest 1\nversion=313\nsize=123456\nsha256=5a5a"));
    const auto manifest = read(text);
    ASSERT_TRUE(manifest);
    EXPECT_EQ(manifest->version, QStringLiteral("313"));
    EXPECT_EQ(manifest->size, 123456);
    EXPECT_EQ(manifest->sha256, QByteArray(32, '\x5a'));

    const auto keyText = publicKeyFileText(testKeys().publicKey);
    EXPECT_EQ(parsePublicKeyFile(keyText), testKeys().publicKey);
    EXPECT_EQ(parseSecretKeyFile(secretKeyFileText(testKeys().secretKey)), testKeys().secretKey);
    EXPECT_FALSE(parseSecretKeyFile(keyText)); // one kind is never read as the other
}

TEST(Manifests, AnyChangeOrAnotherKeyIsRefused)
{
    const QByteArray text = signManifest(sample(), testKeys().secretKey);
    // Every line of the signed part, changed by one character.
    for (const QByteArray &from : {QByteArray("version=313"), QByteArray("size=123456"), QByteArray("sha256=5a"),
                                   QByteArray("manifest 1")}) {
        QByteArray changed = text;
        const int at = changed.indexOf(from) + from.size() - 1;
        changed[at] = changed[at] == '1' ? '2' : '1';
        EXPECT_FALSE(read(changed)) << from.toStdString();
    }
    QByteArray badSignature = text;
    badSignature[badSignature.size() - 5] = badSignature[badSignature.size() - 5] == 'A' ? 'B' : 'A';
    EXPECT_FALSE(read(badSignature));
    EXPECT_FALSE(read(text, generateSigningKeys().publicKey));
    EXPECT_FALSE(read(text, QByteArray()));
    EXPECT_FALSE(read(text + "extra=1\n"));
    EXPECT_FALSE(read(text.left(text.size() - 1)));
    EXPECT_FALSE(read(QByteArray(5000, 'x')));

    // Well signed but not sensible: still refused.
    Manifest odd = sample();
    odd.version = QStringLiteral("3 13");
    EXPECT_FALSE(read(signManifest(odd, testKeys().secretKey)));
    odd = sample();
    odd.size = (qint64(4) << 30) + 1;
    EXPECT_FALSE(read(signManifest(odd, testKeys().secretKey)));
    odd.size = 0;
    EXPECT_FALSE(read(signManifest(odd, testKeys().secretKey)));
}
