#pragma once
// Engines for load tests (--instant-engine): they answer at once without
// listening, spreading the transcript's lines evenly over the audio, or one
// line for recognition. What the service does around a job (upload,
// holds, charges, restarts) is then all that takes time.

#include "engines/SpeechEngine.h"

#include <memory>

namespace cw::service {

std::unique_ptr<engines::Aligner> makeInstantAligner();
std::unique_ptr<engines::Recognizer> makeInstantRecognizer();

}  // namespace cw::service
