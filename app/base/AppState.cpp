#include "base/AppState.h"

namespace {
AppState *g_state = nullptr;

AppState &state()
{
    Q_ASSERT_X(g_state, "AppState", "the program's state is used before main created it");
    return *g_state;
}
} // namespace

AppState::AppState()
{
    Q_ASSERT_X(!g_state, "AppState", "a second program state");
    qRegisterMetaType<TaskItem>("TaskItem");
    g_state = this;
}

AppState::~AppState()
{
    if (g_state == this)
        g_state = nullptr;
}

void AppState::resetProject()
{
    m_project.projectFilePath.clear();
    m_project.mediaFilePath.clear();
    m_project.subtitleFilePath.clear();
    m_project.wavFilePath.clear();
    m_project.exportSrtFilePath.clear();
    m_project.textEncoding = 0;
    m_project.lineTooLong = false;
    m_playback = PlaybackState{};
    // A new, empty document: nothing of the old one can be undone into it.
    subtitles().replaceDocument(SubtitleEntries{});
    m_project.setting.MultimediaFile.clear();
    m_project.setting.WavFilePath.clear();
    m_project.setting.ExportSrtFilePath.clear();
    m_project.setting.SrtListData.clear();
    m_project.setting.CurrentPlayPos = 0;
    m_project.setting.PlaySpeed = 0;
    // The views (waveform blocks included) clear themselves on this.
    emit m_hub.siganal_ClearDate();
}

void AppState::resetAll()
{
    m_project = CurrentProject{};
    m_playback = PlaybackState{};
    m_timeScale = 1.0;
    m_login = LoginState{};
    m_account = AccountMemory{};
    // A new, empty document: nothing of the old one can be undone into it.
    subtitles().replaceDocument(SubtitleEntries{});
}

// The accessors the windows call.
SignalProxy *SignalProxy::instance() { return &state().hub(); }
CurrentProject &currentProject() { return state().project(); }
PlaybackState &playbackState() { return state().playback(); }
double &timeScaleValue() { return state().timeScale(); }
LoginState &loginState() { return state().login(); }
AccountMemory &accountMemory() { return state().account(); }
SubtitleList &currentSubtitleList() { return state().subtitles(); }
void resetCurrentProject() { state().resetProject(); }
