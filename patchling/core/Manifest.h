#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// What a publisher vouches for about one archive: its version, size and
// SHA-256, signed with Ed25519. The manifest lies beside the archive, at
// its address plus ".sig":
//
//   cuewright-update-manifest 1
//   version=313
//   size=52428800
//   sha256=<64 lowercase hex digits>
//   signature=<Base64 of the signature of the four lines above>
struct Manifest
{
    QString version;
    qint64 size = 0;
    QByteArray sha256; // 32 bytes
};

// Largest manifest text read; a real one is under 300 bytes.
constexpr int MaxManifestBytes = 4096;
// Largest archive a manifest may announce.
constexpr qint64 MaxArchiveBytes = qint64(4) << 30;

// The signed part, exactly as it is signed.
QByteArray manifestBody(const Manifest &manifest);
QByteArray signManifest(const Manifest &manifest, const QByteArray &secretKey);
// The manifest when `text` is well formed and its signature is good for
// `publicKey`; otherwise nothing and the reason.
std::optional<Manifest> readSignedManifest(const QByteArray &text, const QByteArray &publicKey, QString *error);

// Versions a manifest may carry: 1 to 32 of 0-9 A-Z a-z . _ -
bool isManifestVersion(const QString &version);

// Key files: one line naming the kind, then the key in Base64.
struct SigningKeys
{
    QByteArray publicKey; // 32 bytes
    QByteArray secretKey; // 64 bytes
};
SigningKeys generateSigningKeys();
QByteArray publicKeyFileText(const QByteArray &publicKey);
QByteArray secretKeyFileText(const QByteArray &secretKey);
std::optional<QByteArray> parsePublicKeyFile(const QByteArray &text);
std::optional<QByteArray> parseSecretKeyFile(const QByteArray &text);
