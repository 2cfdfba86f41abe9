#include "EngineFactory.h"

#include "InstantEngine.h"
#include "engines/Engines.h"
#include "engines/ExternalRecognizer.h"

#include <atomic>
#include <mutex>

namespace cw::service {

namespace {

std::atomic<bool> instantEngines{false};

std::mutex recognizerMutex;
std::shared_ptr<const engines::RecognizerCommand> recognizerCommand;

std::shared_ptr<const engines::RecognizerCommand> currentRecognizerCommand()
{
    std::lock_guard<std::mutex> lock(recognizerMutex);
    return recognizerCommand;
}

}  // namespace

bool useRecognizerCommand(const std::string &commandLine, const std::string &language, int64_t timeLimitSeconds,
                          std::string *error)
{
    auto command = std::make_shared<engines::RecognizerCommand>();
    if (!engines::splitCommandLine(commandLine, &command->arguments, error))
        return false;
    if (engines::findProgram(command->arguments[0]).empty()) {
        *error = "recognizer program not found or not executable: " + command->arguments[0];
        return false;
    }
    command->language = language;
    command->floorMs = timeLimitSeconds * 1000;
    std::lock_guard<std::mutex> lock(recognizerMutex);
    recognizerCommand = std::move(command);
    return true;
}

std::string recognitionNote()
{
    const auto command = currentRecognizerCommand();
    if (!command)
        return engines::recognitionLanguageNote();
    return "speech recognition (jobs without a transcript) runs " + command->arguments[0] + " with --language " +
           command->language + "; alignment serves every language the synthesiser speaks.";
}

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
    if (instantEngines)
        return makeInstantRecognizer();
    if (const auto command = currentRecognizerCommand())
        return std::make_unique<engines::ExternalRecognizer>(*command);
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
