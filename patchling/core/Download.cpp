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

struct Sink
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
    auto *sink = static_cast<Sink *>(context);
    const size_t bytes = size * count;
    if (sink->received == 0) {
        // Only the answer to a good request is kept; an error page never
        // reaches the file.
        long status = 0;
        curl_easy_getinfo(sink->curl, CURLINFO_RESPONSE_CODE, &status);
        if (status != 200) {
            sink->wrongStatus = true;
            return 0;
        }
    }
    if (sink->received + qint64(bytes) > sink->maxBytes) {
        sink->tooLarge = true;
        return 0;
    }
    if (sink->memory) {
        sink->memory->append(data, int(bytes));
    } else {
        for (size_t done = 0; done < bytes;) {
            const ssize_t n = ::write(sink->fd, data + done, bytes - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                sink->writeFailed = true;
                sink->writeErrno = errno;
                return 0;
            }
            done += size_t(n);
        }
    }
    sink->received += qint64(bytes);
    return bytes;
}

int transferInfo(void *context, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t)
{
    auto *sink = static_cast<Sink *>(context);
    if (sink->progress)
        sink->progress(qint64(now), qint64(total));
    return 0;
}

FetchResult perform(const QString &url, Sink &sink, const DownloadLimits &limits)
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
    sink.curl = curl;
    const QByteArray address = url.toUtf8();
    curl_easy_setopt(curl, CURLOPT_URL, address.constData());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, receive);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_USERPWD, ServerCredentials);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, transferInfo);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &sink);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, limits.maxRedirects);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, limits.connectSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, limits.lowSpeedBytes);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, limits.lowSpeedSeconds);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(sink.maxBytes));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, 512L * 1024L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "patchling");

    const CURLcode code = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.status);
    curl_easy_cleanup(curl);
    result.bytes = sink.received;
    if (sink.wrongStatus || (code == CURLE_OK && result.status != 200))
        result.error = QStringLiteral("the server answered %1 for %2").arg(result.status).arg(url);
    else if (sink.tooLarge || code == CURLE_FILESIZE_EXCEEDED)
        result.error = QStringLiteral("%1 is larger than the %2 bytes expected").arg(url).arg(sink.maxBytes);
    else if (sink.writeFailed)
        result.error = QStringLiteral("cannot write the download: %1")
                           .arg(QString::fromLocal8Bit(std::strerror(sink.writeErrno)));
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
    Sink sink;
    sink.maxBytes = maxBytes;
    sink.progress = progress;
    sink.fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (sink.fd < 0) {
        FetchResult result;
        result.error = QStringLiteral("cannot create %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return result;
    }
    FetchResult result = perform(url, sink, limits);
    if (::close(sink.fd) != 0 && result.ok) {
        result.ok = false;
        result.error = QStringLiteral("cannot write %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    }
    return result;
}

FetchResult fetchToMemory(const QString &url, QByteArray *out, qint64 maxBytes, const DownloadLimits &limits)
{
    Sink sink;
    sink.maxBytes = maxBytes;
    sink.memory = out;
    out->clear();
    return perform(url, sink, limits);
}
