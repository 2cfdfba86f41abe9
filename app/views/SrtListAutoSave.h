#pragma once

#include "project/AutoSaveThread.h"

#include <memory>

// The list editor's autosave worker: created and started with the editor,
// told which file the subtitles belong to, stopped and waited for when the
// editor goes (the worker reads the list, which outlives it).
class SrtListAutoSave
{
public:
    explicit SrtListAutoSave(SubtitleList &list);
    ~SrtListAutoSave();
    SrtListAutoSave(const SrtListAutoSave &) = delete;
    SrtListAutoSave &operator=(const SrtListAutoSave &) = delete;

    AutoSaveThread *thread() const { return m_thread.get(); }

    // A new document: nothing may be written until it has its target.
    // Call before replacing the list, then newDocument() after.
    void clearTarget();
    // The list as it stands belongs to this file and counts as saved there.
    void newDocument(const QString &subtitleFilePath, int textEncoding, bool playerStarted);
    // The same document, seen again (editing started, a play report): a
    // changed file or encoding becomes the target; otherwise only the
    // player's state is passed on, so unsaved work stays unsaved.
    void follow(const QString &subtitleFilePath, int textEncoding, bool playerStarted);
    void setRecoveryPath(const QString &path);

    AutoSaveTarget target() const { return m_target; }

private:
    std::unique_ptr<AutoSaveThread> m_thread;
    AutoSaveTarget m_target;
};
