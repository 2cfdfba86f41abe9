#include "audio/LibraryPath.h"

#include "audio/ServiceText.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A plain byte copy: the alias name is GBK bytes, which QFile cannot spell.
bool copyFileBytes(const QByteArray &from, const QByteArray &to)
{
    const int in = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        ::close(in);
        return false;
    }
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), size_t(buffer.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        for (ssize_t done = 0; ok && done < got;) {
            const ssize_t put = ::write(out, buffer.constData() + done, size_t(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            ok = put > 0;
            done += put > 0 ? put : 0;
        }
        if (!ok)
            break;
    }
    ::close(in);
    if (::close(out) != 0)
        ok = false;
    if (!ok)
        ::unlink(to.constData());
    return ok;
}

} // namespace

bool libraryPathFor(const QString &path, const QString &name, const QString &aliasFolder, QByteArray &libraryPath,
                    QString &problem)
{
    const QByteArray own = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    const QByteArray ownName = own.mid(own.lastIndexOf('/') + 1);
    const QByteArray wantedName = serviceFileNameBytes(name, LibraryPathLimit);
    if (own.size() <= LibraryPathLimit && ownName == wantedName && !ownName.contains('\\')) {
        libraryPath = own;
        return true;
    }

    const QByteArray folder = QFile::encodeName(QFileInfo(aliasFolder).absoluteFilePath());
    const QByteArray aliasName = serviceFileNameBytes(name, LibraryPathLimit - folder.size() - 1);
    if (aliasName.isEmpty()) {
        problem = QStringLiteral("%1: the scratch folder's path is too long").arg(aliasFolder);
        return false;
    }
    const QByteArray alias = folder + '/' + aliasName;
    ::unlink(alias.constData());
    if (::link(own.constData(), alias.constData()) != 0 && !copyFileBytes(own, alias)) {
        problem = QStringLiteral("%1: %2").arg(QFile::decodeName(alias), QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    libraryPath = alias;
    return true;
}
