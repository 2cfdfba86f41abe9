#pragma once

#include "subtitle/SrtItem.h"

#include <QString>

// The values a project file ("cwpro") holds.
struct _ProjectSetting
{
    double CurrentPlayPos = 0;  // seconds
    double TotalTime = 0;       // seconds
    double TimeScaleValue = 0;  // waveform zoom, 1.0 is the normal scale
    double PlaySpeed = 0;
    double Volume = 0;
    QString MultimediaFile;
    QString ExportSrtFilePath;
    QString WavFilePath;
    SrtItems SrtListData;

    bool operator==(const _ProjectSetting &o) const
    {
        return CurrentPlayPos == o.CurrentPlayPos && TotalTime == o.TotalTime
               && TimeScaleValue == o.TimeScaleValue && PlaySpeed == o.PlaySpeed && Volume == o.Volume
               && MultimediaFile == o.MultimediaFile && ExportSrtFilePath == o.ExportSrtFilePath
               && WavFilePath == o.WavFilePath && SrtListData == o.SrtListData;
    }
};
