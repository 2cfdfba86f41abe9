// Figures of the service on this machine: boundary error of the aligner the
// service runs (EngineFactory's choice) on generated speech, jobs per minute
// and real-time factor, and many concurrent large uploads with random cuts.
// Everything on 127.0.0.1.

#include "EngineFactory.h"
#include "RawClient.h"
#include "ServiceProcess.h"
#include "SpeechFixture.h"

#include <voxlink.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

using namespace cw;
using Clock = std::chrono::steady_clock;

namespace {

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct BoundaryError {
    std::vector<double> errorsMs;
    void add(const std::vector<testing::SpokenSentence> &truth, const std::vector<engines::TimedLine> &lines)
    {
        for (size_t i = 0; i < truth.size() && i < lines.size(); ++i) {
            errorsMs.push_back(std::fabs(double(lines[i].startMs - truth[i].startMs)));
            errorsMs.push_back(std::fabs(double(lines[i].endMs - truth[i].endMs)));
        }
    }
    double mean() const
    {
        double sum = 0;
        for (double e : errorsMs)
            sum += e;
        return errorsMs.empty() ? 0 : sum / double(errorsMs.size());
    }
    double max() const { return errorsMs.empty() ? 0 : *std::max_element(errorsMs.begin(), errorsMs.end()); }
};

std::vector<std::string> secondSentences()
{
    return {"The train leaves at seven.", "Please keep your ticket with you.",
            "Food and drinks are sold in the middle car, next to the quiet zone.", "We will arrive in two hours.",
            "Enjoy your journey."};
}

void alignmentAccuracy(const QString &work)
{
    struct Case {
        const char *name;
        std::vector<std::string> sentences;
        std::vector<int> pauses;
        int noise = 0;  // amplitude of added white noise
    };
    const auto standard = testing::standardSentences();
    std::vector<Case> cases = {
        {"mixed pauses 300-900 ms", standard, testing::standardPauses(standard.size())},
        {"short pauses 260-340 ms", standard, {}},
        {"long pauses 800-1500 ms", standard, {}},
        {"second text, mixed", secondSentences(), testing::standardPauses(secondSentences().size())},
        {"mixed, light noise", standard, testing::standardPauses(standard.size()), 300},
        {"mixed, heavy noise", standard, testing::standardPauses(standard.size()), 2000},
    };
    std::mt19937 random(7);
    for (size_t i = 0; i <= standard.size(); ++i) {
        cases[1].pauses.push_back(260 + int(random() % 80));
        cases[2].pauses.push_back(800 + int(random() % 700));
    }
    // The generated speech comes from the synthesiser the aligner itself
    // uses, so these errors flatter it.
    const auto aligner = service::makeAligner();
    BoundaryError all;
    for (const Case &c : cases) {
        testing::SpeechFixture fixture;
        std::string error;
        if (!testing::synthesizeSpeech(c.sentences, c.pauses, work, &fixture, &error)) {
            std::printf("speech synthesis failed: %s\n", error.c_str());
            return;
        }
        std::mt19937 noise(11);
        if (c.noise > 0)
            for (int16_t &sample : fixture.samples)
                sample = int16_t(std::clamp(int(sample) + int(noise() % unsigned(2 * c.noise + 1)) - c.noise, -32768, 32767));
        engines::Audio audio{fixture.samples.data(), fixture.samples.size(), 16000};
        const auto start = Clock::now();
        const auto result = aligner->align(audio, c.sentences, {}, {});
        const double took = secondsSince(start);
        if (result.status != engines::EngineStatus::Ok) {
            std::printf("  %-26s failed: %s\n", c.name, result.message.c_str());
            continue;
        }
        BoundaryError one;
        one.add(fixture.sentences, result.lines);
        all.add(fixture.sentences, result.lines);
        std::printf("  %-26s %2zu lines, %5.1f s audio: boundary error mean %6.1f ms, max %6.1f ms, "
                    "real-time factor %.3f\n",
                    c.name, c.sentences.size(), double(audio.durationMs()) / 1000, one.mean(), one.max(),
                    took / (double(audio.durationMs()) / 1000));
    }
    std::printf("alignment boundary error (all %zu boundaries): mean %.1f ms, max %.1f ms\n", all.errorsMs.size(),
                all.mean(), all.max());
}

struct Account {
    std::string user;
    std::string session;
};

bool login(int port, const std::string &user, const std::string &password, Account *account)
{
    ServiceHandle *handle = subtitle_start("127.0.0.1", unsigned(port));
    char *session = nullptr;
    const int rc = subtitle_login(handle, user.c_str(), password.c_str(), &session);
    subtitle_end(handle);
    if (rc != 0 || !session)
        return false;
    *account = {user, session};
    std::free(session);
    return true;
}

// One alignment job through the client library; the number of entries, or -1.
int runJob(int port, const Account &account, const std::string &wav, const std::string &transcript, int seconds)
{
    ServiceHandle *handle = subtitle_start("127.0.0.1", unsigned(port));
    TranscriptionInfo info{};
    info.duration = seconds;
    info.type = "bench.wav";
    char *result = nullptr;
    const int rc = subtitle_audio(handle, account.user.c_str(), account.session.c_str(), wav.c_str(),
                                  transcript.c_str(), &info, &result);
    int entries = -1;
    if (rc == 0 && result) {
        entries = 0;
        for (const char *p = std::strstr(result, " --> "); p; p = std::strstr(p + 5, " --> "))
            ++entries;
    }
    subtitle_end(handle);
    return entries;
}

bool writeText(const QString &path, const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += line + "\n";
    FILE *file = std::fopen(path.toLocal8Bit().constData(), "wb");
    if (!file)
        return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && ok;
}

void throughput(int port, const Account &account, const QString &work, const testing::SpeechFixture &fixture,
                const std::vector<std::string> &lines)
{
    const double audioSeconds = double(fixture.samples.size()) / 16000;
    const int seconds = int(fixture.samples.size() / 16000);
    const QString transcript = work + "/throughput.txt";
    writeText(transcript, lines);

    // The engines alone, as the service's workers run them.
    {
        engines::Audio audio{fixture.samples.data(), fixture.samples.size(), 16000};
        const auto aligner = service::makeAligner();
        aligner->align(audio, lines, {}, {});  // the synthesiser's first start is not what jobs pay
        const int rounds = 5;
        auto start = Clock::now();
        for (int i = 0; i < rounds; ++i)
            aligner->align(audio, lines, {}, {});
        double took = secondsSince(start);
        std::printf("aligner alone: %.0f ms per %.1f s of audio, real-time factor %.4f\n", took * 1000 / rounds,
                    audioSeconds, took / rounds / audioSeconds);
        const auto recognizer = service::makeRecognizer();
        if (!recognizer) {
            std::printf("recognizer alone: none installed\n");
        } else {
            recognizer->recognize(audio, {}, {});  // loads the model
            start = Clock::now();
            for (int i = 0; i < rounds; ++i)
                recognizer->recognize(audio, {}, {});
            took = secondsSince(start);
            std::printf("recognizer alone: %.0f ms per %.1f s of audio, real-time factor %.4f\n",
                        took * 1000 / rounds, audioSeconds, took / rounds / audioSeconds);
        }
    }

    // One job after another: latency as the user sees it.
    const QString wav = work + "/throughput.wav";
    testing::writeWav16k(wav, fixture.samples);
    const int sequential = 10;
    int failures = 0;
    auto start = Clock::now();
    for (int i = 0; i < sequential; ++i)
        failures += runJob(port, account, wav.toStdString(), transcript.toStdString(), seconds) == int(lines.size()) ? 0 : 1;
    const double sequentialTook = secondsSince(start);
    std::printf("sequential: %d jobs of %.1f s audio in %.2f s (%d failed): %.0f ms per job, real-time factor %.4f, "
                "%.0f jobs per minute\n",
                sequential, audioSeconds, sequentialTook, failures, sequentialTook * 1000 / sequential,
                sequentialTook / sequential / audioSeconds, sequential * 60 / sequentialTook);

    // Several clients at once, each with its own recording.
    const int clients = 8, jobsEach = 5;
    std::vector<QString> files;
    for (int c = 0; c < clients; ++c) {
        std::vector<int16_t> samples = fixture.samples;
        samples.back() = int16_t(c + 1);
        files.push_back(work + QStringLiteral("/throughput%1.wav").arg(c));
        testing::writeWav16k(files.back(), samples);
    }
    std::atomic<int> failed{0};
    start = Clock::now();
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c)
        threads.emplace_back([&, c] {
            for (int j = 0; j < jobsEach; ++j)
                if (runJob(port, account, files[size_t(c)].toStdString(), transcript.toStdString(), seconds)
                    != int(lines.size()))
                    ++failed;
        });
    for (std::thread &thread : threads)
        thread.join();
    const double concurrentTook = secondsSince(start);
    const int jobs = clients * jobsEach;
    std::printf("concurrent: %d clients x %d jobs in %.2f s (%d failed): %.0f jobs per minute, "
                "%.0f s of audio per wall second\n",
                clients, jobsEach, concurrentTook, failed.load(), jobs * 60 / concurrentTook,
                jobs * audioSeconds / concurrentTook);
}

struct UploadTally {
    std::atomic<int> completed{0};
    std::atomic<int> failed{0};
    std::atomic<int> cuts{0};
    std::atomic<int> exactResumes{0};
    std::atomic<int> behindOffsets{0};  // bytes lost in the hand-over: resent, harmless
    std::atomic<int> aheadOffsets{0};   // more than was sent: a fault
    std::atomic<long long> bytesBeforeCuts{0};
};

// Cuts the upload 1-3 times at random points, checking each time that the
// service resumes exactly where the last cut left off, then finishes the job
// through the client library.
void cutAndFinish(int port, const Account &account, const std::string &wav, const std::string &transcript,
                  int seconds, size_t lines, unsigned seed, UploadTally &tally)
{
    const std::string audio = testing::readFileBytes(wav);
    const std::string text = testing::readFileBytes(transcript);
    const std::string body = testing::announcementBody(account.user, account.session, "cut.wav", int64_t(audio.size()),
                                                       testing::md5Hex(audio), "cut.txt", testing::md5Hex(text),
                                                       int64_t(text.size()), seconds);
    std::mt19937 random(seed);
    const int cuts = 1 + int(random() % 3);
    size_t sent = 0;
    for (int c = 0; c < cuts; ++c) {
        testing::RawClient client;
        if (!client.connect(port, 60000) || !client.sendFrame(6, body)) {
            ++tally.failed;
            return;
        }
        const auto reply = client.readReply();
        if (!reply || reply->status != 0) {
            ++tally.failed;
            return;
        }
        if (size_t(reply->length) == sent)
            ++tally.exactResumes;
        else if (size_t(reply->length) < sent)
            ++tally.behindOffsets;
        else
            ++tally.aheadOffsets;
        const size_t offset = size_t(reply->length);
        const size_t more = size_t(random() % (audio.size() - offset));
        client.sendBytes(audio.substr(offset, more));
        sent = offset + more;
        tally.bytesBeforeCuts += (long long)more;
        ++tally.cuts;
        client.close();
    }
    if (runJob(port, account, wav, transcript, seconds) == int(lines))
        ++tally.completed;
    else
        ++tally.failed;
}

void cutUploads(int port, const Account &account, const QString &work, const testing::SpeechFixture &fixture,
                const std::vector<std::string> &sentences)
{
    const size_t targetSamples = ((10u << 20) - 44) / 2;
    std::vector<int16_t> base;
    std::vector<std::string> lines;
    while (base.size() + fixture.samples.size() <= targetSamples) {
        base.insert(base.end(), fixture.samples.begin(), fixture.samples.end());
        lines.insert(lines.end(), sentences.begin(), sentences.end());
    }
    base.resize(targetSamples, 0);
    const QString transcript = work + "/cut.txt";
    writeText(transcript, lines);
    const int clients = 200;
    std::vector<std::string> files;
    for (int c = 0; c < clients; ++c) {
        base.back() = int16_t(c + 1);
        files.push_back((work + QStringLiteral("/cut%1.wav").arg(c)).toStdString());
        testing::writeWav16k(QString::fromStdString(files.back()), base);
    }
    const int seconds = int(base.size() / 16000);
    UploadTally tally;
    const auto start = Clock::now();
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c)
        threads.emplace_back([&, c] {
            cutAndFinish(port, account, files[size_t(c)], transcript.toStdString(), seconds, lines.size(),
                         unsigned(1000 + c), tally);
        });
    for (std::thread &thread : threads)
        thread.join();
    const double took = secondsSince(start);
    std::printf("%d concurrent 10 MiB uploads (%d s audio, %zu lines each): %d completed, %d failed, "
                "%d cuts, %d resumed at the exact byte, %d behind it, %d beyond it, %.0f MiB before cuts, %.1f s wall\n",
                clients, seconds, lines.size(), tally.completed.load(), tally.failed.load(), tally.cuts.load(),
                tally.exactResumes.load(), tally.behindOffsets.load(), tally.aheadOffsets.load(), double(tally.bytesBeforeCuts.load()) / (1 << 20),
                took);
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir work;
    if (!work.isValid())
        return 1;
    std::printf("== alignment accuracy (the service's aligner, espeak-ng speech)\n");
    alignmentAccuracy(work.path());

    testing::ServiceProcess service(QStringLiteral(CW_SERVICE_BINARY), work.path());
    if (!service.addUser(QStringLiteral("bench"), QStringLiteral("bench-password"), 0x7fffffff)
        // The cut uploads come 200 at once from the one loopback address.
        || !service.start({QStringLiteral("--max-connections-per-address"), QStringLiteral("1000")})) {
        std::printf("cannot start the service\n");
        return 1;
    }
    Account account;
    if (!login(service.port(), "bench", "bench-password", &account)) {
        std::printf("cannot log in\n");
        return 1;
    }
    testing::SpeechFixture fixture;
    std::string error;
    const auto sentences = testing::standardSentences();
    if (!testing::synthesizeSpeech(sentences, testing::standardPauses(sentences.size()), work.path(), &fixture, &error)) {
        std::printf("%s\n", error.c_str());
        return 1;
    }
    std::printf("== jobs per minute and real-time factor (service on 127.0.0.1, %u cores)\n",
                std::thread::hardware_concurrency());
    throughput(service.port(), account, work.path(), fixture, sentences);
    const bool withUploads = !(argc > 1 && std::strcmp(argv[1], "--no-uploads") == 0);
    if (withUploads) {
        std::printf("== concurrent uploads with random cuts\n");
        cutUploads(service.port(), account, work.path(), fixture, sentences);
    }
    std::printf("service stopped with exit code %d\n", service.stop());
    return 0;
}
