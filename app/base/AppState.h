#pragma once

#include "base/CurrentProject.h"
#include "base/LoginState.h"
#include "base/PlaybackState.h"
#include "base/SignalProxy.h"
#include "subtitle/SubtitleList.h"

// Everything the program keeps while it runs: the hub, the open project, the
// shared playback facts, the account session and the subtitles. `main` owns
// the one instance; the accessors the windows use (currentProject(),
// SignalProxy::instance(), ...) return its members.
class AppState
{
public:
    // Becomes the program's state; only one may exist at a time.
    AppState();
    ~AppState();
    AppState(const AppState &) = delete;
    AppState &operator=(const AppState &) = delete;

    SignalProxy &hub() { return m_hub; }
    CurrentProject &project() { return m_project; }
    PlaybackState &playback() { return m_playback; }
    double &timeScale() { return m_timeScale; }
    LoginState &login() { return m_login; }
    AccountMemory &account() { return m_account; }
    SubtitleList &subtitles() { return m_subtitles; }

    // Closes the open project: paths, play position, subtitles and project
    // values go back to empty and siganal_ClearDate() tells every view.
    // The folders, the project list, the log-in and the last folder stay.
    void resetProject();
    // Every value back to its default (the folders included), without
    // signals; for a fresh start in tests.
    void resetAll();

private:
    SignalProxy m_hub;
    CurrentProject m_project;
    PlaybackState m_playback;
    double m_timeScale = 1.0;
    LoginState m_login;
    AccountMemory m_account;
    SubtitleList m_subtitles;
};
