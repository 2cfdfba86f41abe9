#pragma once

#include <QString>

class QWidget;

// Saving and opening project files against CurrentProject (GUI thread).
namespace ProjectActions {

enum class SaveOutcome {
    Saved,
    Refused,     // a job runs or no project is open
    Cancelled,   // the save dialog was cancelled
    WriteFailed  // the project file could not be written; nothing recorded
};

// Saves the open project, asking for a file name the first time. Records
// the project in the list (once per path) and emits signal_UpdateList.
SaveOutcome saveProject(QWidget *parent);

enum class OpenOutcome {
    Opened,    // signal_OpenNewProject was emitted
    Cancelled, // the dialog was cancelled
    Missing,   // the row's project file is gone: remove the row
    Invalid    // neither media nor subtitles: remove the row (when from a row)
};

// The start page's "open" button: dialog, reset, record in the list.
OpenOutcome openFromDialog(QWidget *parent);
// A project file named from outside (the command line): as the dialog,
// without asking for the file.
OpenOutcome openFromPath(QWidget *parent, const QString &path);
// A project-list row.
OpenOutcome openFromRow(QWidget *parent, const QString &path);

} // namespace ProjectActions
