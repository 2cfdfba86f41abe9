#include "subtitle/RecoverySession.h"

#include "subtitle/AtomicFile.h"
#include "subtitle/SrtReader.h"
#include "subtitle/Utf8Conversion.h"

#include <QDir>
#include <QFile>
#include <QLockFile>

namespace {
const QString CopyName = QStringLiteral("recovery.srt");
const QString ClaimName = QStringLiteral("recovery.lock");
} // namespace

RecoverySession::RecoverySession(const QString &folder) : m_folder(folder) {}

RecoverySession::~RecoverySession() = default;

bool RecoverySession::begin()
{
    if (m_claim)
        return true;
    if (!QDir().mkpath(m_folder))
        return false;
    // A lock left by a crashed run names a process that is gone, and the
    // lock file takes it over. Age alone must not count: the program holds
    // its claim for hours.
    auto claim = std::make_unique<QLockFile>(QDir(m_folder).filePath(ClaimName));
    claim->setStaleLockTime(0);
    if (!claim->tryLock(0))
        return false;
    m_claim = std::move(claim);
    m_foundCopy = QFile::exists(copyPath());
    return true;
}

QString RecoverySession::copyPath() const
{
    return m_claim ? QDir(m_folder).filePath(CopyName) : QString();
}

bool RecoverySession::readCopy(SubtitleEntries *entries) const
{
    QByteArray bytes;
    if (!m_claim || !readWholeFile(copyPath(), &bytes))
        return false;
    readSrtText(utf8ToLocal8(bytes), *entries, false);
    return true;
}

void RecoverySession::discardCopy()
{
    if (m_claim)
        QFile::remove(copyPath());
    m_foundCopy = false;
}

void RecoverySession::end()
{
    discardCopy();
    m_claim.reset();
}
