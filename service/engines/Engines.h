#pragma once
// The speech engines the service runs. Make one aligner and one recognizer
// per worker thread and keep them: the recognizer holds its decoder (about
// 0.3 s to load), the aligner is cheap. Neither may be shared across threads;
// the synthesiser inside the aligners is serialised for them.

#include "SpeechEngine.h"

#include <memory>
#include <string>

namespace cw::engines {

struct EngineConfig {
    // Folder of the English recognition model (Debian's pocketsphinx-en-us);
    // empty means the installed default.
    std::string englishModelDir;
};

// Alignment of a transcript in any language the synthesiser speaks (Mandarin
// and English first).
std::unique_ptr<Aligner> makeSpeechAligner(const EngineConfig &config = {});

// English-only recognition. Null (with *error set when given) when the
// model cannot be loaded.
std::unique_ptr<Recognizer> makeSpeechRecognizer(const EngineConfig &config = {}, std::string *error = nullptr);

// For the service's --help and log.
const char *recognitionLanguageNote();

}  // namespace cw::engines
