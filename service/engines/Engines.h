#pragma once
// The speech engines the service runs. Both are cheap to make, per job or per
// worker: recognizers share a process-wide pool of loaded decoders (loading
// one costs about 0.4 s), so after the first jobs every job finds one ready.
// One engine object serves one thread at a time; the synthesiser inside the
// aligners is serialised for them.

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
// model is not installed.
std::unique_ptr<Recognizer> makeSpeechRecognizer(const EngineConfig &config = {}, std::string *error = nullptr);

// Where the English model is looked for when the config names none.
std::string installedEnglishModelDir();

// For the service's --help and log.
const char *recognitionLanguageNote();

}  // namespace cw::engines
