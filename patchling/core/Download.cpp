#include "Download.h"

#include <QFile>
#include <QUrl>

#include <curl/curl.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The download server's fixed account; the update archive is otherwise public.
const char *const ServerCredentials = "QWOLB:ZEFRA";

// What the transfer's write function fills: a file or memory.
struct DownloadTarget
{
    CURL *curl = nullptr;
    qint64 maxBytes = 0;
    qint64 received = 0;
    bool wrongStatus = false;
    bool tooLarge = false;
    bool writeFailed = false;
    int writeErrno = 0;
    int fd = -1;              // a file, or
    QByteArray *memory = nullptr; // memory
    FetchProgress progress;
};

size_t receive(char *data, size_t size, size_t count, void *context)
{
    auto *target = static_cast<DownloadTarget *>(context);
    const size_t bytes = size * count;
    if (target->received == 0) {
        // Only the answer to a good request is kept; an error page never
        // reaches the file.
        long status = 0;
        curl_easy_getinfo(target->curl, CURLINFO_RESPONSE_CODE, &status);
        if (status != 200) {
            target->wrongStatus = true;
            return 0;
        }
    }
    if (target->received + qint64(bytes) > target->maxBytes) {
        target->tooLarge = true;
        return 0;
    }
    if (target->memory) {
        target->memory->append(data, int(bytes));
    } else {
        for (size_t done = 0; done < bytes;) {
            const ssize_t n = ::write(target->fd, data + done, bytes - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                target->writeFailed = true;
                target->writeErrno = errno;
                return 0;
            }
            done += size_t(n);
        }
    }
    target->received += qint64(bytes);
    return bytes;
}

// libcurl's transfer-info callback, on the transfer's thread.
int progress_callback(void *context, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t)
{
    auto *target = static_cast<DownloadTarget *>(context);
    if (target->progress)
        target->progress(qint64(now), qint64(total));
    return 0;
}

FetchResult perform(const QString &url, DownloadTarget &target, const DownloadLimits &limits)
{
    FetchResult result;
    if (!isFetchableUrl(url)) {
        result.error = QStringLiteral("only http and https addresses are fetched: %1").arg(url);
        return result;
    }
    static const bool ready = curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;
    CURL *curl = ready ? curl_easy_init() : nullptr;
    if (!curl) {
        result.error = QStringLiteral("the transfer library did not start");
        return result;
    }
    target.curl = curl;
    const QByteArray address = url.toUtf8();
    curl_easy_setopt(curl, CURLOPT_URL, address.constData());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, receive);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &target);
    curl_easy_setopt(curl, CURLOPT_USERPWD, ServerCredentials);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, progress_callback);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &target);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, limits.maxRedirects);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, limits.connectSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, limits.lowSpeedBytes);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, limits.lowSpeedSeconds);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(target.maxBytes));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, 512L * 1024L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "patchling");

    const CURLcode code = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.status);
    curl_easy_cleanup(curl);
    result.bytes = target.received;
    if (target.wrongStatus || (code == CURLE_OK && result.status != 200))
        result.error = QStringLiteral("the server answered %1 for %2").arg(result.status).arg(url);
    else if (target.tooLarge || code == CURLE_FILESIZE_EXCEEDED)
        result.error = QStringLiteral("%1 is larger than the %2 bytes expected").arg(url).arg(target.maxBytes);
    else if (target.writeFailed)
        result.error = QStringLiteral("cannot write the download: %1")
                           .arg(QString::fromLocal8Bit(std::strerror(target.writeErrno)));
    else if (code != CURLE_OK)
        result.error = QStringLiteral("%1 (%2)").arg(QString::fromUtf8(curl_easy_strerror(code))).arg(int(code));
    else
        result.ok = true;
    return result;
}

} // namespace

bool isFetchableUrl(const QString &url)
{
    const QUrl parsed(url, QUrl::StrictMode);
    return parsed.isValid() && !parsed.host().isEmpty()
           && (parsed.scheme() == QLatin1String("http") || parsed.scheme() == QLatin1String("https"));
}

FetchResult fetchToFile(const QString &url, const QString &path, qint64 maxBytes, const DownloadLimits &limits,
                        const FetchProgress &progress)
{
    DownloadTarget target;
    target.maxBytes = maxBytes;
    target.progress = progress;
    target.fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (target.fd < 0) {
        FetchResult result;
        result.error = QStringLiteral("cannot create %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return result;
    }
    FetchResult result = perform(url, target, limits);
    if (::close(target.fd) != 0 && result.ok) {
        result.ok = false;
        result.error = QStringLiteral("cannot write %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    }
    return result;
}

FetchResult fetchToMemory(const QString &url, QByteArray *out, qint64 maxBytes, const DownloadLimits &limits)
{
    DownloadTarget target;
    target.maxBytes = maxBytes;
    target.memory = out;
    out->clear();
    return perform(url, target, limits);
}
