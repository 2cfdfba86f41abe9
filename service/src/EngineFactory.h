#pragma once
// The one place that decides which engines the service runs. Engines are
// made on the worker thread that uses them and kept there for later jobs
// (a recognizer may take a while to load); no engine is shared by threads.

#include "engines/SpeechEngine.h"

#include <cstdint>
#include <memory>
#include <string>

namespace cw::service {

// Never null.
std::unique_ptr<engines::Aligner> makeAligner();
// Null while there is no recognizer: such jobs are refused after the upload.
std::unique_ptr<engines::Recognizer> makeRecognizer();

// Load tests only: every engine made from now on is an instant one
// (InstantEngine.h). Set before the first job.
void useInstantEngines(bool instant);

// Jobs without a transcript run this command (split as a command line, no
// shell) instead of the built-in recogniser, with the language hint and
// timeLimitSeconds plus twice the audio's length. Set before the first job.
// False with a reason when the command cannot be split or its program is
// not there.
bool useRecognizerCommand(const std::string &commandLine, const std::string &language, int64_t timeLimitSeconds,
                          std::string *error);

// Which recogniser runs, for the service's log and --help.
std::string recognitionNote();

// This thread's engines, made on first use.
engines::Aligner &threadAligner();
engines::Recognizer *threadRecognizer();

}  // namespace cw::service
