#pragma once

#include <QByteArray>
#include <QObject>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

// Fetches one small file with a GET. The request ends after 15 s whatever
// the server does, and a reply over 64 KiB is cut off: either way the data
// stays empty, as it does for any failure.
class FileDownloader : public QObject
{
    Q_OBJECT
public:
    static constexpr int TimeLimitMs = 15000;
    static constexpr qint64 MaxBytes = 64 * 1024;

    FileDownloader(QUrl url, QObject *parent, int timeLimitMs = TimeLimitMs);

    QByteArray downloadedData() const { return m_data; }
    // False when the request failed, ran out of time or was too large.
    bool succeeded() const { return m_succeeded; }
    bool isFinished() const { return m_finished; }
    // The answer's HTTP status; 0 when none came.
    int httpStatus() const { return m_status; }

signals:
    void downloaded();

public slots:
    void fileDownloaded(QNetworkReply *pReply);

private:
    void watch(QNetworkReply *reply, int timeLimitMs);

    QNetworkAccessManager *m_manager;
    QTimer *m_limit;
    QByteArray m_data;
    bool m_succeeded = false;
    bool m_finished = false;
    bool m_tooLarge = false;
    int m_status = 0;
};
