#pragma once

#include "subtitle/SubtitleEntry.h"

#include <QString>
#include <memory>

class QLockFile;

// The per-user folder where the autosave keeps a copy of work that has no
// SRT file of its own (a job's result, a transcript, a project), so a crash
// does not lose it. The copy is an SRT file in UTF-8. One running program
// claims the folder at a time; a copy found when claiming it was left by a
// run that crashed or was killed, since a clean exit removes it.
class RecoverySession
{
public:
    explicit RecoverySession(const QString &folder);
    // Releases the claim but keeps the copy: only end() says the exit was clean.
    ~RecoverySession();

    // Claims the folder for this run (creating it). False when another
    // running instance holds it; this run then keeps no copy.
    bool begin();
    // Whether begin() found a copy; ask before the autosave may write one.
    bool hasCopyFromUncleanExit() const { return m_foundCopy; }
    // The autosave's target for the copy; empty unless claimed.
    QString copyPath() const;
    bool readCopy(SubtitleEntries *entries) const;
    void discardCopy();
    // A clean exit: removes the copy and releases the claim.
    void end();

private:
    QString m_folder;
    std::unique_ptr<QLockFile> m_claim;
    bool m_foundCopy = false;
};
