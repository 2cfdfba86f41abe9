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

}  // namespace cw::service
