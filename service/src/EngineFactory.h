#pragma once
// The one place that decides which engines the service runs.

#include "engines/SpeechEngine.h"

#include <memory>

namespace cw::service {

// Never null.
std::unique_ptr<engines::Aligner> makeAligner();
// Null while there is no recognizer: such jobs are refused after the upload.
std::unique_ptr<engines::Recognizer> makeRecognizer();

}  // namespace cw::service
