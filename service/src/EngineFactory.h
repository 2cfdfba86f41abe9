#pragma once
// The one place that decides which engines the service runs. Engines are
// made on the worker thread that uses them and kept there for later jobs
// (a recognizer may take a while to load); no engine is shared by threads.

#include "engines/SpeechEngine.h"

#include <memory>

namespace cw::service {

// Never null.
std::unique_ptr<engines::Aligner> makeAligner();
// Null while there is no recognizer: such jobs are refused after the upload.
std::unique_ptr<engines::Recognizer> makeRecognizer();

// Load tests only: every engine made from now on is an instant one
// (InstantEngine.h). Set before the first job.
void useInstantEngines(bool instant);

// This thread's engines, made on first use.
engines::Aligner &threadAligner();
engines::Recognizer *threadRecognizer();

}  // namespace cw::service
