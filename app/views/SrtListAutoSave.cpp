#include "views/SrtListAutoSave.h"

SrtListAutoSave::SrtListAutoSave(SubtitleList &list)
    : m_thread(std::make_unique<AutoSaveThread>(list))
{
    m_thread->setTarget(m_target);
    m_thread->setRunning(true);
    m_thread->start(QThread::InheritPriority);
}

SrtListAutoSave::~SrtListAutoSave()
{
    // It wakes at once; a write in progress finishes first.
    m_thread->stop();
}

void SrtListAutoSave::clearTarget()
{
    m_target = AutoSaveTarget {};
    m_thread->setTarget(m_target);
}

void SrtListAutoSave::newDocument(const QString &subtitleFilePath, int textEncoding, bool playerStarted)
{
    m_target.subtitleFilePath = subtitleFilePath;
    m_target.textEncoding = textEncoding;
    m_target.playerStarted = playerStarted;
    m_thread->setTarget(m_target);
}

void SrtListAutoSave::follow(const QString &subtitleFilePath, int textEncoding, bool playerStarted)
{
    if (subtitleFilePath != m_target.subtitleFilePath || textEncoding != m_target.textEncoding) {
        newDocument(subtitleFilePath, textEncoding, playerStarted);
        return;
    }
    if (playerStarted != m_target.playerStarted) {
        m_target.playerStarted = playerStarted;
        m_thread->setPlayerStarted(playerStarted);
    }
}

void SrtListAutoSave::setRecoveryPath(const QString &path)
{
    m_thread->setRecoveryPath(path);
}
