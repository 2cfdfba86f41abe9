#include "EngineFactory.h"

#include "InstantEngine.h"
#include "engines/Engines.h"

#include <atomic>

namespace cw::service {

namespace {

std::atomic<bool> instantEngines{false};

}  // namespace

void useInstantEngines(bool instant)
{
    instantEngines = instant;
}

std::unique_ptr<engines::Aligner> makeAligner()
{
    return instantEngines ? makeInstantAligner() : engines::makeSpeechAligner();
}

std::unique_ptr<engines::Recognizer> makeRecognizer()
{
    return instantEngines ? makeInstantRecognizer() : engines::makeSpeechRecognizer();
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
