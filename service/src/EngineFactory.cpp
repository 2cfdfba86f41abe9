#include "EngineFactory.h"

#include "engines/Engines.h"

namespace cw::service {

std::unique_ptr<engines::Aligner> makeAligner()
{
    return engines::makeSpeechAligner();
}

std::unique_ptr<engines::Recognizer> makeRecognizer()
{
    return engines::makeSpeechRecognizer();
}

engines::Aligner &threadAligner()
{
    thread_local std::unique_ptr<engines::Aligner> aligner = makeAligner();
    return *aligner;
}

engines::Recognizer *threadRecognizer()
{
    thread_local std::unique_ptr<engines::Recognizer> recognizer = makeRecognizer();
    return recognizer.get();
}

}  // namespace cw::service
