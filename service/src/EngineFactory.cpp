#include "EngineFactory.h"

#include "EnergyAligner.h"

namespace cw::service {

std::unique_ptr<engines::Aligner> makeAligner()
{
    return std::make_unique<EnergyAligner>();
}

std::unique_ptr<engines::Recognizer> makeRecognizer()
{
    return nullptr;
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
