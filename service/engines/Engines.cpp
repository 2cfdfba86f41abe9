#include "Engines.h"

#include "DtwAligner.h"
#include "SphinxRecognizer.h"

#include <mutex>
#include <sys/stat.h>
#include <vector>

namespace cw::engines {

namespace {

// Decoders kept loaded between jobs: a job borrows an idle one (or loads a
// new one when every decoder is busy) and gives it back, so the pool grows
// to the number of jobs that run at once and each later job starts at once.
class DecoderPool {
public:
    explicit DecoderPool(RecognizerOptions options) : options_(std::move(options)) {}

    std::unique_ptr<SphinxRecognizer> borrow(std::string &error) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!idle_.empty()) {
                auto decoder = std::move(idle_.back());
                idle_.pop_back();
                return decoder;
            }
        }
        auto decoder = std::make_unique<SphinxRecognizer>(options_);
        if (!decoder->ok()) {
            error = decoder->loadError();
            return nullptr;
        }
        return decoder;
    }

    void giveBack(std::unique_ptr<SphinxRecognizer> decoder) {
        std::lock_guard<std::mutex> lock(mutex_);
        idle_.push_back(std::move(decoder));
    }

private:
    RecognizerOptions options_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<SphinxRecognizer>> idle_;
};

class PooledRecognizer : public Recognizer {
public:
    explicit PooledRecognizer(std::shared_ptr<DecoderPool> pool) : pool_(std::move(pool)) {}

    EngineResult recognize(const Audio &audio, const ProgressFn &progress, const CancelFn &cancel) override {
        std::string error;
        std::unique_ptr<SphinxRecognizer> decoder = pool_->borrow(error);
        if (!decoder) {
            EngineResult failed;
            failed.message = error;
            return failed;
        }
        EngineResult result = decoder->recognize(audio, progress, cancel);
        pool_->giveBack(std::move(decoder));
        return result;
    }

private:
    std::shared_ptr<DecoderPool> pool_;
};

bool modelPresent(const std::string &dir, std::string &missing) {
    for (const char *name : {"/en-us/mdef", "/en-us.lm.bin", "/cmudict-en-us.dict"}) {
        struct stat st {};
        if (::stat((dir + name).c_str(), &st) != 0) {
            missing = dir + name;
            return false;
        }
    }
    return true;
}

std::shared_ptr<DecoderPool> poolFor(const std::string &modelDir) {
    static std::mutex mutex;
    static std::vector<std::pair<std::string, std::shared_ptr<DecoderPool>>> pools;
    std::lock_guard<std::mutex> lock(mutex);
    for (auto &[dir, pool] : pools)
        if (dir == modelDir)
            return pool;
    RecognizerOptions options;
    options.modelDir = modelDir;
    pools.emplace_back(modelDir, std::make_shared<DecoderPool>(options));
    return pools.back().second;
}

}  // namespace

std::unique_ptr<Aligner> makeSpeechAligner(const EngineConfig &) {
    return std::make_unique<DtwAligner>();
}

std::string installedEnglishModelDir() {
    return CW_SPHINX_MODEL_DIR;
}

std::unique_ptr<Recognizer> makeSpeechRecognizer(const EngineConfig &config, std::string *error) {
    const std::string dir = config.englishModelDir.empty() ? installedEnglishModelDir() : config.englishModelDir;
    std::string missing;
    if (!modelPresent(dir, missing)) {
        if (error)
            *error = "English speech model missing: " + missing;
        return nullptr;
    }
    return std::make_unique<PooledRecognizer>(poolFor(dir));
}

const char *recognitionLanguageNote() {
    return "speech recognition (jobs without a transcript) understands English only; audio in other "
           "languages gives whatever English words the model hears. Alignment serves every language "
           "the synthesiser speaks, Mandarin and English included.";
}

}  // namespace cw::engines
