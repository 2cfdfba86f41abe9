#pragma once
// How readable recognised lines are: the share of lines keeping each
// subtitle rule, with the segmenter as it was (greedy, first fit) and as it
// is, on the same words.

#include "BenchMaterial.h"

#include <vector>

// The built-in recogniser's words on the recognition material, and the
// punctuated transcripts of the flite and Mandarin clips timed by their
// known sentence times (as an operator's recogniser would give them).
// False when the recogniser cannot load.
bool segmentationFigures(const std::vector<Clip> &librivox, const std::vector<Clip> &flite,
                         const std::vector<Clip> &mandarin);
