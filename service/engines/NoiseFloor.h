#pragma once
// The background a recording's speech stands on. Edited audio cuts lines,
// room tone and all, into digital silence; counted as background, the
// zeros would let the room tone pass for speech and line edges would
// follow it. So where the cuts leave room tone beside them, the floor comes
// from the quiet end of the frames that are not digital silence. Where they
// do not (speech cut or gated straight into zeros), the zeros are the
// background, as they are in audio that was never cut.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace cw::engines {

struct FrameLevels {
    std::vector<double> db;               // 10 log10(mean square + 1), one per whole frame
    std::vector<uint8_t> digitalSilence;  // 1 = zeros, or at most one LSB of dither
};

FrameLevels measureFrames(const int16_t *samples, size_t count, size_t frameLength);

struct FloorOptions {
    size_t windowFrames = 30000;  // either side of the frame
    size_t stepFrames = 500;      // the floor is measured once per step
    double quantile = 0.1;
    size_t minCutFrames = 5;      // digital silence this long is an edit
    size_t borderFrames = 10;     // beside a cut, what is looked at for room tone
    double toneAboveFloorDb = 3;  // room tone lies this close to the floor
};

// Where digital silence of at least minCutFrames meets sound, and whether
// the sound there is room tone: borderFrames frames beside the cut (past
// the frame the splice falls in) whose median lies within
// toneAboveFloorDb of floorDb.
struct CutBorder {
    size_t frame = 0;
    double medianDb = 0;
};
std::vector<CutBorder> cutBorders(const FrameLevels &levels, const FloorOptions &options = {});

// Background level under each frame: a low quantile of the frames in its
// window, leaving the digital silence out when most cuts in the window
// have room tone beside them. 0 dB where the window is all zeros.
std::vector<double> localNoiseFloor(const FrameLevels &levels, const FloorOptions &options = {});

// Frames that stand out from their background: more than marginDb above
// the floor and more than absoluteDb in all. Digital silence never does.
std::vector<uint8_t> framesAboveFloor(const FrameLevels &levels, const std::vector<double> &floorDb, double marginDb,
                                      double absoluteDb);

}  // namespace cw::engines
