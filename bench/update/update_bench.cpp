// The updater's figures on this machine, each against a peer measured in the
// same run: a 200 MB download from the stand-in's web host against `curl -s
// -o`, the SHA-256 check against `sha256sum`, the install of 100 MB in 2 000
// files against `unzip -q` into an empty folder, and the updater's peak
// memory while it installs a 1 GiB archive.

#include "Download.h"
#include "InstallTransaction.h"
#include "Manifest.h"
#include "ProgressThrottle.h"
#include "ServiceProcess.h"
#include "Sha256.h"
#include "UpdateJob.h"
#include "update/ProgramVersion.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <functional>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double timed(const std::function<bool()> &work)
{
    const auto start = Clock::now();
    if (!work())
        return -1;
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The best of three: the least disturbed run of each side. `prepare` runs
// before each, untimed.
double best(const std::function<bool()> &work, const std::function<bool()> &prepare = {})
{
    double fastest = 1e9;
    for (int i = 0; i < 3; ++i) {
        if (prepare && !prepare())
            return -1;
        const double seconds = timed(work);
        if (seconds < 0)
            return -1;
        fastest = std::min(fastest, seconds);
    }
    return fastest;
}

bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(600000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
}

QString publish(const QString &root, const QString &archive, const QString &name, const SigningKeys &keys)
{
    const QString folder = root + QStringLiteral("/cuewright/update/");
    QDir().mkpath(folder);
    QFile::rename(archive, folder + name);
    Manifest manifest;
    manifest.version = QStringLiteral("313");
    manifest.size = QFileInfo(folder + name).size();
    QString error;
    manifest.sha256 = sha256File(folder + name, &error);
    writeFile(folder + name + QStringLiteral(".sig"), signManifest(manifest, keys.secretKey));
    return QStringLiteral("/cuewright/update/") + name;
}

QString makeArchive(const QString &kind, const QString &path)
{
    return run(QStringLiteral("python3"), {QStringLiteral(CW_MAKE_INSTALL_ARCHIVE), kind, path}) ? path : QString();
}

void removeTree(const QString &path)
{
    QDir(path).removeRecursively();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir work, data;
    const QString root = work.path() + QStringLiteral("/web");
    cw::testing::ServiceProcess service(QStringLiteral(CW_SERVICE_BINARY), data.path());
    if (!service.start({QStringLiteral("--web-port"), QStringLiteral("0"), QStringLiteral("--web-root"), root,
                        QStringLiteral("--workers"), QStringLiteral("1")})) {
        std::fprintf(stderr, "the service did not start\n");
        return 1;
    }
    const SigningKeys keys = generateSigningKeys();

    // Download: 200 MB over loopback.
    QDir().mkpath(root + QStringLiteral("/cuewright/update"));
    const QString big = root + QStringLiteral("/cuewright/update/big.zip");
    {
        QFile file(big);
        file.open(QIODevice::WriteOnly);
        QByteArray block(1 << 20, '\0');
        for (int i = 0; i < block.size(); ++i)
            block[i] = char((i * 2654435761u) >> 13);
        for (int i = 0; i < 200; ++i)
            file.write(block);
    }
    const qint64 bigSize = QFileInfo(big).size();
    const QString url = service.webAddress() + QStringLiteral("/cuewright/update/big.zip");
    const QString target = work.path() + QStringLiteral("/download");
    const double curlSeconds = best([&] {
        return run(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-o"), target, url});
    });
    int updates = 0;
    const double oursSeconds = best([&] {
        QFile::remove(target);
        ProgressThrottle throttle;
        updates = 0;
        const FetchResult result = fetchToFile(url, target, bigSize, DownloadLimits(), [&](qint64 received, qint64 total) {
            if (throttle.pass(received, total))
                ++updates;
        });
        return result.ok && result.bytes == bigSize;
    });
    std::printf("download 200 MB: curl %.3f s, patchling %.3f s: %.2fx curl's speed (at least 0.90), "
                "%d progress updates (at most 101)\n",
                curlSeconds, oursSeconds, curlSeconds / oursSeconds, updates);

    // SHA-256 of the same file.
    const double sumSeconds = best([&] { return run(QStringLiteral("sha256sum"), {big}); });
    const double hashSeconds = best([&] {
        QString error;
        return sha256File(big, &error).size() == 32;
    });
    std::printf("sha256 200 MB: sha256sum %.3f s, patchling %.3f s: %.2fx sha256sum's speed (at least 0.80)\n",
                sumSeconds, hashSeconds, sumSeconds / hashSeconds);
    QFile::remove(big);
    QFile::remove(target);

    // Install: 100 MB in 2 000 files, over an installation of the same shape.
    const QString small = makeArchive(QStringLiteral("small"), work.path() + QStringLiteral("/small.zip"));
    if (small.isEmpty()) {
        std::fprintf(stderr, "cannot make the archive\n");
        return 1;
    }
    const QString unzipped = work.path() + QStringLiteral("/unzipped");
    const double unzipSeconds = best(
        [&] { return run(QStringLiteral("unzip"), {QStringLiteral("-q"), small, QStringLiteral("-d"), unzipped}); },
        [&] {
            removeTree(unzipped);
            return QDir().mkpath(unzipped) && run(QStringLiteral("sync"), {});
        });
    // Over an installation of the same 2 000 files, each to be replaced; the
    // old installation and the archive are put in place untimed.
    const QString installed = work.path() + QStringLiteral("/A");
    const QString old = unzipped + QStringLiteral("/Cuewright_v313");
    const double installSeconds = best(
        [&] {
            const UpdateStep step = installUpdate(UpdatePaths(installed), InstallOptions());
            if (!step.ok)
                std::fprintf(stderr, "install: %s\n", qPrintable(step.error));
            return step.ok;
        },
        [&] {
            removeTree(installed);
            return run(QStringLiteral("cp"), {QStringLiteral("-a"), old, installed})
                   && QFile::copy(small, installed + QStringLiteral("/update.zip")) && run(QStringLiteral("sync"), {});
        });
    std::printf("install 100 MB in 2000 files: unzip -q %.3f s, patchling %.3f s: %.2fx unzip's time (at most 2.00)\n",
                unzipSeconds, installSeconds, installSeconds / unzipSeconds);
    removeTree(unzipped);
    removeTree(installed);

    // Peak memory of the updater program installing a 1 GiB archive.
    const QString large = makeArchive(QStringLiteral("large"), work.path() + QStringLiteral("/large.zip"));
    const QString largePath = publish(root, large, QStringLiteral("large.zip"), keys);
    QDir().mkpath(installed);
    QFile::copy(QStringLiteral(CW_PATCHLING_BINARY), installed + QStringLiteral("/patchling"));
    ::chmod(QFile::encodeName(installed + QStringLiteral("/patchling")).constData(), 0755);
    writeFile(installed + QStringLiteral("/update-key.pub"), publicKeyFileText(keys.publicKey));
    writeFile(installed + QStringLiteral("/cuewright"), "#!/bin/sh\n");
    ::chmod(QFile::encodeName(installed + QStringLiteral("/cuewright")).constData(), 0755);
    const QByteArray updater = QFile::encodeName(installed + QStringLiteral("/patchling"));
    const QByteArray address = (service.webAddress() + largePath).toUtf8();
    const auto started = Clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        const int log = ::open("/dev/null", O_WRONLY);
        ::dup2(log, 1);
        ::dup2(log, 2);
        ::execl(updater.constData(), updater.constData(), address.constData(), static_cast<char *>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    const double updaterSeconds = std::chrono::duration<double>(Clock::now() - started).count();
    const bool whole = QFileInfo(installed + QStringLiteral("/part7.bin")).size() == (qint64(128) << 20);
    std::printf("patchling with a 1 GiB archive: peak memory %.1f MB of 80 MB (%.2f of the limit), %.1f s, %s\n",
                double(usage.ru_maxrss) / 1024.0, double(usage.ru_maxrss) / 1024.0 / 80.0, updaterSeconds,
                whole ? "installed" : "NOT installed");
    return 0;
}
