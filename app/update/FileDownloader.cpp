#include "update/FileDownloader.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

FileDownloader::FileDownloader(QUrl url, QObject *parent, int timeLimitMs)
    : QObject(parent)
    , m_manager(new QNetworkAccessManager(this))
    , m_limit(new QTimer(this))
{
    connect(m_manager, &QNetworkAccessManager::finished, this, &FileDownloader::fileDownloaded);
    QNetworkRequest request(url);
    // Redirects are not followed: the version file lives where it is asked for.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    watch(m_manager->get(request), timeLimitMs);
}

void FileDownloader::watch(QNetworkReply *reply, int timeLimitMs)
{
    // A total limit, not Qt's transfer time-out, which only counts silence.
    m_limit->setSingleShot(true);
    connect(m_limit, &QTimer::timeout, reply, &QNetworkReply::abort);
    m_limit->start(timeLimitMs);
    reply->setReadBufferSize(MaxBytes + 1);
    auto checkSize = [this, reply](qint64 received, qint64 total) {
        if (received > MaxBytes || total > MaxBytes) {
            m_tooLarge = true;
            reply->abort();
        }
    };
    connect(reply, &QNetworkReply::downloadProgress, this, checkSize);
}

void FileDownloader::fileDownloaded(QNetworkReply *pReply)
{
    m_limit->stop();
    m_status = pReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const int status = m_status;
    const QByteArray body = pReply->isOpen() ? pReply->read(MaxBytes + 1) : QByteArray();
    m_succeeded = pReply->error() == QNetworkReply::NoError && status == 200 && !m_tooLarge
                  && body.size() <= MaxBytes;
    m_data = m_succeeded ? body : QByteArray();
    m_finished = true;
    pReply->deleteLater();
    emit downloaded();
}
