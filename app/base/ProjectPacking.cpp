#include "base/ProjectPacking.h"

#include "audio/WaveTimeScale.h"

#include "base/CurrentProject.h"
#include "base/PlaybackState.h"
#include "subtitle/SrtItem.h"
#include "subtitle/SubtitleList.h"

_ProjectSetting packCurrentProject()
{
    const CurrentProject &project = currentProject();
    _ProjectSetting packed = project.setting;
    packed.TimeScaleValue = timeScaleValue();
    packed.MultimediaFile = project.mediaFilePath;
    packed.ExportSrtFilePath = project.exportSrtFilePath;
    packed.WavFilePath = project.wavFilePath;
    packed.SrtListData = entriesToSrtItems(currentSubtitleList().snapshot());
    // Until the player knows the media, the values the file came with stand.
    const PlaybackState &playback = playbackState();
    if (playback.duration > 0) {
        packed.CurrentPlayPos = playback.playPosition;
        packed.TotalTime = playback.duration;
        packed.PlaySpeed = playback.playSpeed;
        packed.Volume = playback.volume;
    }
    return packed;
}

void unpackIntoCurrentProject(const _ProjectSetting &setting)
{
    CurrentProject &project = currentProject();
    project.setting = setting;
    project.setting.SrtListData.clear();
    project.mediaFilePath = setting.MultimediaFile;
    project.wavFilePath = setting.WavFilePath;
    project.exportSrtFilePath = setting.ExportSrtFilePath;
    // A file may hold any number here; 0 or NaN would divide by zero.
    timeScaleValue() = clampTimeScale(setting.TimeScaleValue);
    project.setting.TimeScaleValue = timeScaleValue();
    currentSubtitleList().replaceDocument(srtItemsToEntries(setting.SrtListData));
}
