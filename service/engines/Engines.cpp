#include "Engines.h"

#include "DtwAligner.h"
#include "SphinxRecognizer.h"

namespace cw::engines {

std::unique_ptr<Aligner> makeSpeechAligner(const EngineConfig &) {
    return std::make_unique<DtwAligner>();
}

std::unique_ptr<Recognizer> makeSpeechRecognizer(const EngineConfig &config, std::string *error) {
    RecognizerOptions options;
    options.modelDir = config.englishModelDir.empty() ? std::string(CW_SPHINX_MODEL_DIR) : config.englishModelDir;
    auto recognizer = std::make_unique<SphinxRecognizer>(options);
    if (!recognizer->ok()) {
        if (error)
            *error = recognizer->loadError();
        return nullptr;
    }
    return recognizer;
}

const char *recognitionLanguageNote() {
    return "speech recognition (jobs without a transcript) understands English only; audio in other "
           "languages gives whatever English words the model hears. Alignment serves every language "
           "the synthesiser speaks, Mandarin and English included.";
}

}  // namespace cw::engines
