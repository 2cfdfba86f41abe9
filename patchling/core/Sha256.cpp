#include "Sha256.h"

#include <QFile>

#include <openssl/evp.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

struct Sha256::State
{
    EVP_MD_CTX *context = EVP_MD_CTX_new();
};

Sha256::Sha256()
    : m_state(std::make_unique<State>())
{
    EVP_DigestInit_ex(m_state->context, EVP_sha256(), nullptr);
}

Sha256::~Sha256()
{
    EVP_MD_CTX_free(m_state->context);
}

void Sha256::add(const void *data, size_t size)
{
    EVP_DigestUpdate(m_state->context, data, size);
}

QByteArray Sha256::finish()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(m_state->context, digest, &length);
    return QByteArray(reinterpret_cast<const char *>(digest), int(length));
}

QByteArray sha256File(const QString &path, QString *error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return {};
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    Sha256 digest;
    std::vector<char> buffer(1 << 20);
    while (true) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            *error = QString::fromLocal8Bit(std::strerror(errno));
            ::close(fd);
            return {};
        }
        digest.add(buffer.data(), size_t(n));
    }
    ::close(fd);
    return digest.finish();
}
