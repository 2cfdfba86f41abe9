#pragma once

// Playback facts shared by the three editor views and the autosave.
struct PlaybackState
{
    bool playerStarted = false;
    bool playerPaused = false;
    double pausedSeekSource = -1;
    double playPosition = 0; // seconds, the shared play position
    // Kept current by the player so a project save can store them.
    double duration = 0;     // seconds of the open media, 0 until known
    double playSpeed = 1.0;
    double volume = 1.0;     // linear gain, 0 to 2.0
};

PlaybackState &playbackState();

// The waveform's zoom factor, saved in project files; 1.0 is the normal scale.
double &timeScaleValue();
