#pragma once

class QWidget;
class RecoverySession;

// At start, after a run that ended without a clean exit: offers to bring
// back the subtitles the autosave kept. Restored work opens in the editor
// as unsaved work; declined work is discarded. Returns whether it restored.
bool offerRecovery(QWidget *parent, RecoverySession &session);
