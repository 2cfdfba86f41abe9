#include "shell/PlaybackState.h"

PlaybackState &playbackState()
{
    static PlaybackState state;
    return state;
}

double &timeScaleValue()
{
    static double value = 1.0;
    return value;
}
