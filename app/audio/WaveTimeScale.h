#pragma once

// The waveform's zoom factor: scene pixels per 10 ms of audio. A project file
// may carry any number here, so every reader goes through clampTimeScale().

constexpr double MinTimeScale = 0.25;
constexpr double MaxTimeScale = 2.5;
constexpr double TimeScaleStep = 0.05;

// Non-finite or non-positive values give the normal scale 1.0; anything
// else is held to [MinTimeScale, MaxTimeScale].
double clampTimeScale(double value);

// One zoom step in or out, clamped. Kept on the 0.01 grid so repeated
// steps do not drift (1.0 + 0.05 * 3 is not 1.15 in binary).
double zoomedIn(double value);
double zoomedOut(double value);

// Time to scene x and back at a zoom factor: one second is 100 * scale.
inline double secondsToSceneX(double seconds, double scale)
{
    return seconds * 100.0 * scale;
}
inline double sceneXToSeconds(double x, double scale)
{
    return x * 0.01 / scale;
}
