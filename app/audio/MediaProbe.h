#pragma once

#include <QString>

// What a burn needs to know of its input before ffmpeg runs.
struct MediaInfo
{
    bool opened = false;
    QString error;          // why it could not be opened or probed
    bool hasVideo = false;
    bool hasAudio = false;
    qint64 videoFrames = 0; // of the first video stream; 0 when the container does not say
    double durationSeconds = 0;
    int width = 0;
    int height = 0;
};

// Opens a local file with the demuxer library and reads its stream facts;
// never decodes. Only plain paths: a "proto://" text is a file name here.
MediaInfo probeMedia(const QString &path);
