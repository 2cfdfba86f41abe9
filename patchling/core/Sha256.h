#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// SHA-256, fed in pieces.
class Sha256
{
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256 &) = delete;
    Sha256 &operator=(const Sha256 &) = delete;

    void add(const void *data, size_t size);
    QByteArray finish(); // 32 bytes; call once

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// The digest of a whole file, read in large pieces; empty with `error` set
// when it cannot be read.
QByteArray sha256File(const QString &path, QString *error);
