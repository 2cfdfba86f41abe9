#include "ExternalRecognizer.h"

#include "LineTiming.h"

#include <cjson/cJSON.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace cw::engines {

namespace {

constexpr size_t kLongestLine = 1 << 20;

// The WAV the program reads; gone when the job is.
class TempWav {
public:
    explicit TempWav(const std::string &folder) {
        const char *tmp = std::getenv("TMPDIR");
        std::string name = (folder.empty() ? (tmp && *tmp ? tmp : "/tmp") : folder) + "/cw-recognize-XXXXXX.wav";
        fd_ = ::mkstemps(name.data(), 4);
        if (fd_ >= 0)
            path_ = name;
        else
            error_ = "cannot make a file in " + name.substr(0, name.rfind('/')) + ": " + std::strerror(errno);
    }
    ~TempWav() {
        if (fd_ >= 0)
            ::close(fd_);
        if (!path_.empty())
            ::unlink(path_.c_str());
    }
    TempWav(const TempWav &) = delete;
    TempWav &operator=(const TempWav &) = delete;

    const std::string &path() const { return path_; }
    const std::string &error() const { return error_; }

    bool write(const Audio &audio) {
        const uint32_t dataBytes = uint32_t(std::min<size_t>(audio.count, (0xFFFFFFFFu - 36) / 2) * 2);
        unsigned char header[44];
        auto put = [&header](size_t at, uint32_t value, int bytes) {
            for (int k = 0; k < bytes; ++k)
                header[at + size_t(k)] = static_cast<unsigned char>(value >> (8 * k));
        };
        std::memcpy(header, "RIFF\0\0\0\0WAVEfmt ", 16);
        put(4, 36 + dataBytes, 4);
        put(16, 16, 4);
        put(20, 1, 2);  // PCM
        put(22, 1, 2);  // mono
        put(24, uint32_t(audio.sampleRate), 4);
        put(28, uint32_t(audio.sampleRate) * 2, 4);
        put(32, 2, 2);
        put(34, 16, 2);
        std::memcpy(header + 36, "data", 4);
        put(40, dataBytes, 4);
        // The samples came out of a little-endian WAV and go back as they are.
        return writeAll(header, sizeof header) &&
               writeAll(reinterpret_cast<const unsigned char *>(audio.samples), dataBytes);
    }

private:
    bool writeAll(const unsigned char *data, size_t size) {
        while (size > 0) {
            const ssize_t n = ::write(fd_, data, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                error_ = "cannot write " + path_ + ": " + std::strerror(n < 0 ? errno : ENOSPC);
                return false;
            }
            data += n;
            size -= size_t(n);
        }
        return true;
    }

    int fd_ = -1;
    std::string path_;
    std::string error_;
};

std::string trimmedLine(const std::string &line) {
    size_t first = 0, last = line.size();
    while (first < last && std::isspace(static_cast<unsigned char>(line[first])))
        ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(line[last - 1])))
        --last;
    return line.substr(first, last - first);
}

// Parses the program's output as it arrives, one complete line at a time.
class WordReader {
public:
    explicit WordReader(int64_t audioMs) : audioMs_(audioMs) {}

    bool add(const char *data, size_t size) {
        pending_.append(data, size);
        size_t from = 0;
        for (size_t end; (end = pending_.find('\n', from)) != std::string::npos; from = end + 1)
            if (!take(pending_.substr(from, end - from)))
                return false;
        pending_.erase(0, from);
        if (pending_.size() > kLongestLine) {
            error_ = "output line " + std::to_string(lineNumber_ + 1) + " is longer than 1 MiB";
            return false;
        }
        return true;
    }
    bool finish() { return pending_.empty() || take(pending_); }

    const std::string &error() const { return error_; }
    std::vector<TimedWord> &words() { return words_; }

private:
    bool take(const std::string &line) {
        ++lineNumber_;
        std::string why;
        if (parseWordLine(line, audioMs_, words_, &why))
            return true;
        error_ = "output line " + std::to_string(lineNumber_) + ": " + why;
        return false;
    }

    int64_t audioMs_;
    std::string pending_;
    size_t lineNumber_ = 0;
    std::vector<TimedWord> words_;
    std::string error_;
};

std::string secondsText(int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", double(ms) / 1000);
    return text;
}

}  // namespace

int64_t recognizerTimeLimitMs(const RecognizerCommand &command, int64_t audioMs) {
    return command.floorMs + int64_t(std::llround(command.perAudioMs * double(std::max<int64_t>(0, audioMs))));
}

bool parseWordLine(const std::string &rawLine, int64_t audioMs, std::vector<TimedWord> &words, std::string *error) {
    const std::string line = trimmedLine(rawLine);
    if (line.empty())
        return true;
    std::unique_ptr<cJSON, void (*)(cJSON *)> root(cJSON_ParseWithLength(line.data(), line.size()), cJSON_Delete);
    if (!root || !cJSON_IsObject(root.get())) {
        *error = "not a JSON object";
        return false;
    }
    const cJSON *word = cJSON_GetObjectItemCaseSensitive(root.get(), "word");
    const cJSON *start = cJSON_GetObjectItemCaseSensitive(root.get(), "start");
    const cJSON *end = cJSON_GetObjectItemCaseSensitive(root.get(), "end");
    const cJSON *confidence = cJSON_GetObjectItemCaseSensitive(root.get(), "confidence");
    if (!cJSON_IsString(word) || !cJSON_IsNumber(start) || !cJSON_IsNumber(end)) {
        *error = "needs a string \"word\" and numbers \"start\" and \"end\"";
        return false;
    }
    if (confidence && !cJSON_IsNull(confidence) && !cJSON_IsNumber(confidence)) {
        *error = "\"confidence\" is not a number";
        return false;
    }
    const double startSeconds = start->valuedouble, endSeconds = end->valuedouble;
    if (!std::isfinite(startSeconds) || !std::isfinite(endSeconds) || startSeconds < 0 || endSeconds < startSeconds) {
        *error = "times must be 0 <= start <= end";
        return false;
    }
    // A start far past the audio is an engine reading milliseconds as
    // seconds, or another file: nothing to trust.
    if (startSeconds * 1000 > double(audioMs) + 1000) {
        *error = "starts at " + secondsText(std::llround(startSeconds * 1000)) + ", past the end of the audio (" +
                 secondsText(audioMs) + ")";
        return false;
    }
    TimedWord timed;
    timed.text = word->valuestring;
    // One result line per subtitle line: no line breaks inside a word.
    for (char &c : timed.text)
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    timed.startMs = std::min<int64_t>(audioMs, std::llround(startSeconds * 1000));
    timed.endMs = std::min<int64_t>(audioMs, int64_t(std::llround(std::min(endSeconds, 1e12) * 1000)));
    timed.confidence = cJSON_IsNumber(confidence) ? std::clamp(confidence->valuedouble, 0.0, 1.0) : 0.0;
    words.push_back(std::move(timed));
    return true;
}

ExternalRecognizer::ExternalRecognizer(RecognizerCommand command) : command_(std::move(command)) {}

EngineResult ExternalRecognizer::recognize(const Audio &audio, const ProgressFn &progress, const CancelFn &cancel) {
    EngineResult result;
    if (audio.sampleRate != 16000) {
        result.message = "recognition needs 16 kHz audio";
        return result;
    }
    const int64_t audioMs = audio.durationMs();
    TempWav wav(command_.tempDir);
    if (wav.path().empty() || !wav.write(audio)) {
        result.message = wav.error();
        return result;
    }
    std::vector<std::string> arguments = command_.arguments;
    arguments.insert(arguments.end(), {wav.path(), "--language", command_.language});
    CommandLimits limits = command_.output;
    limits.timeLimitMs = recognizerTimeLimitMs(command_, audioMs);

    WordReader reader(audioMs);
    const int total = int(std::min<int64_t>(audioMs, INT32_MAX));
    auto onOutput = [&](const char *data, size_t size) {
        if (!reader.add(data, size))
            return false;
        if (progress && !reader.words().empty() && total > 0)
            progress(int(std::min<int64_t>(reader.words().back().endMs, total)), total);
        return true;
    };
    const CommandOutcome outcome = runCommand(arguments, limits, onOutput, cancel);
    if (!outcome.errorTail.empty())
        result.notes.push_back("recogniser stderr: " + logLine(outcome.errorTail, outcome.errorTruncated));
    const std::string program = command_.arguments.empty() ? std::string() : command_.arguments[0];

    switch (outcome.end) {
    case CommandOutcome::End::Exited:
        if (outcome.code != 0) {
            result.message = "recogniser " + program + " exited with status " + std::to_string(outcome.code);
            return result;
        }
        break;
    case CommandOutcome::End::Signalled:
        result.message = "recogniser " + program + " ended by signal " + std::to_string(outcome.code);
        return result;
    case CommandOutcome::End::TimedOut:
        result.status = EngineStatus::TimedOut;
        result.message = "recogniser " + program + " ran past its limit of " + secondsText(limits.timeLimitMs);
        return result;
    case CommandOutcome::End::Cancelled:
        result.status = EngineStatus::Cancelled;
        result.message = "cancelled";
        return result;
    case CommandOutcome::End::OutputTooLarge:
        result.message = "recogniser " + program + " wrote more than " + std::to_string(limits.maxOutputBytes) +
                         " bytes";
        return result;
    case CommandOutcome::End::Refused:
        result.message = "recogniser " + program + " gave unusable " +
                         (reader.error().empty() ? outcome.startError : reader.error());
        return result;
    case CommandOutcome::End::NotStarted:
        result.message = outcome.startError;
        return result;
    }
    if (!reader.finish()) {
        result.message = "recogniser " + program + " gave unusable " + reader.error();
        return result;
    }
    std::vector<TimedWord> &words = reader.words();
    words.erase(std::remove_if(words.begin(), words.end(),
                               [](const TimedWord &w) { return w.text.find_first_not_of(' ') == std::string::npos; }),
                words.end());
    if (words.empty()) {
        result.message = "recogniser " + program + " heard no words";
        return result;
    }
    std::stable_sort(words.begin(), words.end(),
                     [](const TimedWord &a, const TimedWord &b) { return a.startMs < b.startMs; });
    result.lines = segmentWords(words, command_.lines, audioMs);
    if (!enforceLineOrder(result.lines, audioMs)) {
        result.lines.clear();
        result.message = "the audio is too short for the recognised lines";
        return result;
    }
    result.status = EngineStatus::Ok;
    result.notes.push_back("recognition by " + program + " (" + command_.language + "): " +
                           std::to_string(words.size()) + " words, " + std::to_string(result.lines.size()) + " lines");
    return result;
}

}  // namespace cw::engines
