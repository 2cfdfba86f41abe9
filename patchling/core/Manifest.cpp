#include "Manifest.h"

#include <QList>
#include <QRegularExpression>

#include <sodium.h>

namespace {

const QByteArray HeaderLine = QByteArrayLiteral("cuewright-update-manifest 1");
const QByteArray PublicKeyTag = QByteArrayLiteral("cuewright-update-key ed25519 ");
const QByteArray SecretKeyTag = QByteArrayLiteral("cuewright-update-secret-key ed25519 ");

bool sodiumReady()
{
    static const bool ready = sodium_init() >= 0;
    return ready;
}

bool isLowerHex(const QByteArray &text)
{
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

// Strict Base64 of exactly `length` bytes.
std::optional<QByteArray> decodeBase64(const QByteArray &text, int length)
{
    const auto result = QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    if (!result || result.decoded.size() != length || result.decoded.toBase64() != text)
        return std::nullopt;
    return result.decoded;
}

std::optional<QByteArray> parseKeyFile(const QByteArray &text, const QByteArray &tag, int length)
{
    QByteArray line = text;
    if (line.endsWith('\n'))
        line.chop(1);
    if (!line.startsWith(tag) || line.contains('\n'))
        return std::nullopt;
    return decodeBase64(line.mid(tag.size()), length);
}

} // namespace

bool isManifestVersion(const QString &version)
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9A-Za-z._-]{1,32}$"));
    return pattern.match(version).hasMatch();
}

QByteArray manifestBody(const Manifest &manifest)
{
    return HeaderLine + '\n' + "version=" + manifest.version.toUtf8() + '\n' + "size="
           + QByteArray::number(manifest.size) + '\n' + "sha256=" + manifest.sha256.toHex() + '\n';
}

QByteArray signManifest(const Manifest &manifest, const QByteArray &secretKey)
{
    if (!sodiumReady() || secretKey.size() != crypto_sign_SECRETKEYBYTES)
        return {};
    const QByteArray body = manifestBody(manifest);
    unsigned char signature[crypto_sign_BYTES];
    crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char *>(body.constData()),
                         quint64(body.size()), reinterpret_cast<const unsigned char *>(secretKey.constData()));
    return body + "signature="
           + QByteArray(reinterpret_cast<const char *>(signature), crypto_sign_BYTES).toBase64() + '\n';
}

std::optional<Manifest> readSignedManifest(const QByteArray &text, const QByteArray &publicKey, QString *error)
{
    auto refuse = [error](const QString &why) {
        *error = why;
        return std::nullopt;
    };
    if (!sodiumReady())
        return refuse(QStringLiteral("the signature library did not start"));
    if (publicKey.size() != crypto_sign_PUBLICKEYBYTES)
        return refuse(QStringLiteral("no usable public key"));
    if (text.size() > MaxManifestBytes || !text.endsWith('\n'))
        return refuse(QStringLiteral("the manifest is malformed"));
    const QList<QByteArray> lines = text.left(text.size() - 1).split('\n');
    if (lines.size() != 5 || lines[0] != HeaderLine || !lines[1].startsWith("version=")
        || !lines[2].startsWith("size=") || !lines[3].startsWith("sha256=") || !lines[4].startsWith("signature="))
        return refuse(QStringLiteral("the manifest is malformed"));

    // The signature first: nothing unsigned is interpreted.
    const int bodyLength = text.size() - (lines[4].size() + 1);
    const auto signature = decodeBase64(lines[4].mid(10), crypto_sign_BYTES);
    if (!signature
        || crypto_sign_verify_detached(reinterpret_cast<const unsigned char *>(signature->constData()),
                                       reinterpret_cast<const unsigned char *>(text.constData()),
                                       quint64(bodyLength),
                                       reinterpret_cast<const unsigned char *>(publicKey.constData()))
               != 0)
        return refuse(QStringLiteral("the manifest's signature is not good"));

    Manifest manifest;
    manifest.version = QString::fromUtf8(lines[1].mid(8));
    const QByteArray size = lines[2].mid(5);
    bool sizeOk = false;
    manifest.size = size.toLongLong(&sizeOk);
    const QByteArray digest = lines[3].mid(7);
    if (!isManifestVersion(manifest.version) || !sizeOk || size != QByteArray::number(manifest.size)
        || manifest.size <= 0 || manifest.size > MaxArchiveBytes || digest.size() != 64 || !isLowerHex(digest))
        return refuse(QStringLiteral("the manifest is malformed"));
    manifest.sha256 = QByteArray::fromHex(digest);
    return manifest;
}

SigningKeys generateSigningKeys()
{
    SigningKeys keys;
    if (!sodiumReady())
        return keys;
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
    unsigned char secretKey[crypto_sign_SECRETKEYBYTES];
    crypto_sign_keypair(publicKey, secretKey);
    keys.publicKey = QByteArray(reinterpret_cast<const char *>(publicKey), sizeof publicKey);
    keys.secretKey = QByteArray(reinterpret_cast<const char *>(secretKey), sizeof secretKey);
    sodium_memzero(secretKey, sizeof secretKey);
    return keys;
}

QByteArray publicKeyFileText(const QByteArray &publicKey)
{
    return PublicKeyTag + publicKey.toBase64() + '\n';
}

QByteArray secretKeyFileText(const QByteArray &secretKey)
{
    return SecretKeyTag + secretKey.toBase64() + '\n';
}

std::optional<QByteArray> parsePublicKeyFile(const QByteArray &text)
{
    return parseKeyFile(text, PublicKeyTag, crypto_sign_PUBLICKEYBYTES);
}

std::optional<QByteArray> parseSecretKeyFile(const QByteArray &text)
{
    return parseKeyFile(text, SecretKeyTag, crypto_sign_SECRETKEYBYTES);
}
