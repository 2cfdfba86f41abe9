#pragma once

// Playback facts shared by the three editor views and the autosave.
struct PlaybackState
{
    bool playerStarted = false;
    bool playerPaused = false;
    double pausedSeekSource = -1;
    double playPosition = 0; // seconds, the shared play position
};

PlaybackState &playbackState();

// The waveform's zoom factor, saved in project files; 1.0 is the normal scale.
double &timeScaleValue();
