#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QVector>
#include <QtEndian>

// Builds WAV file images for tests, canonical or deliberately broken.
struct WavBytes
{
    struct Chunk
    {
        QByteArray id;
        QByteArray body;
        qint64 claimedSize = -1; // -1: the body's size
    };

    bool bigEndian = false;
    QByteArray riffId = "RIFF";
    QByteArray waveFmt = "WAVEfmt ";
    quint16 formatTag = 1;
    quint16 channels = 1;
    quint32 sampleRate = 16000;
    quint16 bits = 16;
    qint64 byteRate = -1;   // -1: consistent
    qint64 blockAlign = -1; // -1: consistent
    QByteArray fmtExtra;    // bytes after the 16 standard fmt bytes
    QVector<Chunk> chunksBeforeData;
    QByteArray data;
    qint64 claimedDataSize = -1;

    void put16(QByteArray &out, quint16 v) const
    {
        uchar b[2];
        bigEndian ? qToBigEndian(v, b) : qToLittleEndian(v, b);
        out.append(reinterpret_cast<const char *>(b), 2);
    }
    void put32(QByteArray &out, quint32 v) const
    {
        uchar b[4];
        bigEndian ? qToBigEndian(v, b) : qToLittleEndian(v, b);
        out.append(reinterpret_cast<const char *>(b), 4);
    }

    QByteArray build() const
    {
        QByteArray body;
        body.append(waveFmt);
        put32(body, quint32(16 + fmtExtra.size()));
        put16(body, formatTag);
        put16(body, channels);
        put32(body, sampleRate);
        put32(body, quint32(byteRate >= 0 ? byteRate : channels * (bits * sampleRate / 8)));
        put16(body, quint16(blockAlign >= 0 ? blockAlign : bits * channels / 8));
        put16(body, bits);
        body.append(fmtExtra);
        for (const Chunk &chunk : chunksBeforeData) {
            body.append(chunk.id);
            put32(body, quint32(chunk.claimedSize >= 0 ? chunk.claimedSize : chunk.body.size()));
            body.append(chunk.body);
        }
        body.append("data");
        put32(body, quint32(claimedDataSize >= 0 ? claimedDataSize : data.size()));
        body.append(data);

        QByteArray file = riffId;
        put32(file, quint32(body.size()));
        file.append(body);
        return file;
    }

    // Little-endian 16-bit samples.
    static QByteArray samples16(const QVector<qint16> &values)
    {
        QByteArray out(values.size() * 2, '\0');
        for (int i = 0; i < values.size(); ++i)
            qToLittleEndian(values[i], out.data() + i * 2);
        return out;
    }
};

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
