#pragma once

#include "update/VersionFile.h"

#include <functional>

class QWidget;
class UpdaterLauncher;

// How the program ends for an update: first its closing questions (a
// running job, an unsaved project), and only once the updater runs, the end.
struct ClosingSteps
{
    std::function<bool()> confirm; // false: the user keeps the program
    std::function<void()> finish;  // stops what runs and ends the event loop
};

enum class UpdatePromptResult { Declined, KeptOpen, Started, StartFailed };

// The question's text: the fixed question, then the notes on their own line.
QString updateQuestionText(const UpdateOffer &offer);

// "软件更新": on "好的" runs the closing questions, starts the updater with
// the archive address and ends the program; when the updater cannot start,
// the program stays as it was and says so.
UpdatePromptResult offerUpdate(QWidget *parent, const UpdateOffer &offer, const UpdaterLauncher &launcher,
                               const ClosingSteps &steps);
