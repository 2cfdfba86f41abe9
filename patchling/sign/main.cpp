// patchling-sign: the publisher's side of signed updates.
//
//   patchling-sign keygen [--public FILE] [--secret FILE] [--force]
//   patchling-sign public-key [--public FILE] [--secret FILE]
//   patchling-sign sign ARCHIVE VERSION [--secret FILE]
//   patchling-sign verify ARCHIVE [--public FILE]
//
// The public key goes beside the programs (update-key.pub in this program's
// folder unless --public says otherwise); the secret key stays outside it,
// readable by its owner only: $CUEWRIGHT_SIGNING_KEY, else
// ${XDG_CONFIG_HOME:-~/.config}/cuewright-publisher/update-key.secret.

#include "Manifest.h"
#include "Sha256.h"
#include "update/ProgramVersion.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sodium.h>

#include <cstdio>
#include <sys/stat.h>

namespace {

struct Options
{
    QStringList positional;
    QString publicKey;
    QString secretKey;
    bool force = false;
};

int usage()
{
    std::fprintf(stderr, "usage: patchling-sign keygen [--public FILE] [--secret FILE] [--force]\n"
                         "       patchling-sign public-key [--public FILE] [--secret FILE]\n"
                         "       patchling-sign sign ARCHIVE VERSION [--secret FILE]\n"
                         "       patchling-sign verify ARCHIVE [--public FILE]\n");
    return 2;
}

QString defaultSecretKey()
{
    const QString configured = qEnvironmentVariable("CUEWRIGHT_SIGNING_KEY");
    if (!configured.isEmpty())
        return configured;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/cuewright-publisher/update-key.secret");
}

bool writeFile(const QString &path, const QByteArray &bytes, QFileDevice::Permissions permissions)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.setPermissions(permissions)
        || !file.commit()) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), qPrintable(file.errorString()));
        return false;
    }
    return true;
}

std::optional<QByteArray> readSecretKey(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read the secret key %s: %s\n", qPrintable(path), qPrintable(file.errorString()));
        return std::nullopt;
    }
    auto key = parseSecretKeyFile(file.read(4096));
    if (!key)
        std::fprintf(stderr, "%s is not a secret key\n", qPrintable(path));
    return key;
}

QByteArray publicKeyOf(const QByteArray &secretKey)
{
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
    crypto_sign_ed25519_sk_to_pk(publicKey, reinterpret_cast<const unsigned char *>(secretKey.constData()));
    return QByteArray(reinterpret_cast<const char *>(publicKey), sizeof publicKey);
}

// The secret key must not ship: never inside the folder the archive is packed from.
bool isInside(const QString &path, const QString &folder)
{
    const QString file = QFileInfo(path).absoluteFilePath();
    const QString root = QDir(folder).absolutePath() + QLatin1Char('/');
    return file.startsWith(root);
}

int keygen(const Options &options)
{
    if (QFileInfo::exists(options.secretKey) && !options.force) {
        std::fprintf(stderr, "%s exists; --force replaces it (archives signed with it stop installing)\n",
                     qPrintable(options.secretKey));
        return 1;
    }
    if (isInside(options.secretKey, QFileInfo(options.publicKey).absolutePath())) {
        std::fprintf(stderr, "the secret key must live outside the program folder\n");
        return 1;
    }
    const QString secretFolder = QFileInfo(options.secretKey).absolutePath();
    if (!QDir().mkpath(secretFolder) || ::chmod(QFile::encodeName(secretFolder).constData(), 0700) != 0) {
        std::fprintf(stderr, "cannot make %s owner-only\n", qPrintable(secretFolder));
        return 1;
    }
    const SigningKeys keys = generateSigningKeys();
    if (keys.secretKey.isEmpty())
        return 1;
    if (!writeFile(options.secretKey, secretKeyFileText(keys.secretKey), QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        || !writeFile(options.publicKey, publicKeyFileText(keys.publicKey),
                      QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther))
        return 1;
    std::printf("public key %s\nsecret key %s\n", qPrintable(options.publicKey), qPrintable(options.secretKey));
    return 0;
}

int writePublicKey(const Options &options)
{
    const auto secret = readSecretKey(options.secretKey);
    if (!secret)
        return 1;
    if (!writeFile(options.publicKey, publicKeyFileText(publicKeyOf(*secret)),
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther))
        return 1;
    std::printf("%s\n", qPrintable(options.publicKey));
    return 0;
}

int sign(const Options &options)
{
    const QString archive = options.positional.value(1);
    Manifest manifest;
    manifest.version = options.positional.value(2);
    if (!isManifestVersion(manifest.version)) {
        std::fprintf(stderr, "versions are 1 to 32 of 0-9 A-Z a-z . _ -\n");
        return 2;
    }
    const auto secret = readSecretKey(options.secretKey);
    if (!secret)
        return 1;
    QString error;
    manifest.size = QFileInfo(archive).size();
    manifest.sha256 = sha256File(archive, &error);
    if (manifest.sha256.isEmpty()) {
        std::fprintf(stderr, "cannot read %s: %s\n", qPrintable(archive), qPrintable(error));
        return 1;
    }
    if (manifest.size <= 0 || manifest.size > MaxArchiveBytes) {
        std::fprintf(stderr, "%s is empty or larger than 4 GiB\n", qPrintable(archive));
        return 1;
    }
    const QString out = archive + QStringLiteral(".sig");
    if (!writeFile(out, signManifest(manifest, *secret),
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther))
        return 1;
    std::printf("%s\n", qPrintable(out));
    return 0;
}

int verify(const Options &options)
{
    const QString archive = options.positional.value(1);
    QFile keyFile(options.publicKey), manifestFile(archive + QStringLiteral(".sig"));
    if (!keyFile.open(QIODevice::ReadOnly) || !manifestFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read the public key or the manifest\n");
        return 1;
    }
    const auto key = parsePublicKeyFile(keyFile.read(1024));
    QString error;
    const auto manifest = key ? readSignedManifest(manifestFile.read(MaxManifestBytes + 1), *key, &error)
                              : std::optional<Manifest>();
    if (!manifest) {
        std::fprintf(stderr, "refused: %s\n", key ? qPrintable(error) : "unreadable public key");
        return 1;
    }
    const QByteArray digest = sha256File(archive, &error);
    if (QFileInfo(archive).size() != manifest->size || digest != manifest->sha256) {
        std::fprintf(stderr, "refused: the archive does not match its manifest\n");
        return 1;
    }
    std::printf("good: version %s, %lld bytes\n", qPrintable(manifest->version), manifest->size);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    Options options;
    options.publicKey = QCoreApplication::applicationDirPath() + QLatin1Char('/') + UpdateFiles::publicKeyName;
    options.secretKey = defaultSecretKey();
    const QStringList arguments = app.arguments().mid(1);
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if ((argument == QLatin1String("--public") || argument == QLatin1String("--secret")) && i + 1 < arguments.size())
            (argument == QLatin1String("--public") ? options.publicKey : options.secretKey) = arguments[++i];
        else if (argument == QLatin1String("--force"))
            options.force = true;
        else if (argument.startsWith(QLatin1String("--")))
            return usage();
        else
            options.positional << argument;
    }
    if (sodium_init() < 0)
        return 1;
    const QString command = options.positional.value(0);
    if (command == QLatin1String("keygen") && options.positional.size() == 1)
        return keygen(options);
    if (command == QLatin1String("public-key") && options.positional.size() == 1)
        return writePublicKey(options);
    if (command == QLatin1String("sign") && options.positional.size() == 3)
        return sign(options);
    if (command == QLatin1String("verify") && options.positional.size() == 2)
        return verify(options);
    return usage();
}
