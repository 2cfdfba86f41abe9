#include "TranscriptionSession.h"

#include "EngineFactory.h"
#include "MappedFile.h"
#include "Md5.h"
#include "MessageHeader.h"
#include "ReplyText.h"
#include "RequestBodies.h"
#include "TranscriptText.h"
#include "WavFormat.h"

#include <unistd.h>

#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <vector>

namespace cw::service {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int64_t kCommitEvery = 16 << 20;      // bytes between syncs during an upload
constexpr int64_t kDiskReserve = 64 << 20;      // never fill the disk to the last byte
constexpr auto kClaimWait = std::chrono::seconds(15);
constexpr auto kProgressEvery = milliseconds(500);

milliseconds engineTimeLimit(int64_t audioMs)
{
    return milliseconds(120000 + 2 * audioMs);
}

bool hashPrefix(int fd, int64_t length, Md5 &md5, const std::atomic<bool> &stopping)
{
    std::vector<unsigned char> buffer(1 << 20);
    int64_t offset = 0;
    while (offset < length) {
        if (stopping.load())
            return false;
        const ssize_t n = ::pread(fd, buffer.data(), size_t(std::min<int64_t>(length - offset, int64_t(buffer.size()))), offset);
        if (n <= 0)
            return false;
        md5.add(buffer.data(), size_t(n));
        offset += n;
    }
    return true;
}

}  // namespace

struct TranscriptionSession::Job {
    TranscriptionAnnouncement announcement;
    UserRow user;
    std::unique_ptr<SpoolEntry> upload;
    Md5 audioDigest;
    std::string transcript;
    int64_t jobId = 0;
    int64_t chargedSeconds = 0;
    // An earlier job was charged for this very upload and transcript, but
    // its result may never have arrived: this one runs without a charge.
    int64_t paidBy = 0;
    std::shared_ptr<MappedFile> audioFile;
    WavLayout wav;
    // What the engine gets: the samples (in the map, or a copy when the map
    // leaves them unaligned) and, for alignment, the transcript's lines as
    // spoken; the result carries them as written.
    engines::Audio audio;
    std::shared_ptr<std::vector<int16_t>> alignedSamples;
    std::vector<std::string> lines;
    std::vector<std::string> writtenLines;
    std::string transcriptNote;
};

// What an engine run shares between its worker and the connection; either may
// outlive the other (a timed-out engine finishes on its own later).
struct TranscriptionSession::EngineRun {
    std::mutex mutex;
    std::condition_variable finishedSignal;
    bool started = false;
    bool finished = false;
    Clock::time_point startedAt;
    std::atomic<int> percent{0};
    std::atomic<bool> cancel{false};
    engines::EngineResult result;
};

TranscriptionSession::TranscriptionSession(TranscriptionContext context, SocketStream &stream)
    : context_(context), stream_(stream)
{
}

bool TranscriptionSession::reply(int32_t status, const std::string &body)
{
    outcome_.status = status;
    const std::string bytes = encodeReply(KindTranscribe, status, body);
    stream_.setDeadlineIn(context_.limits.transferTime(int64_t(bytes.size())));
    return stream_.writeAll(bytes) == IoResult::Ok;
}

void TranscriptionSession::finish(Job &job, const std::string &state, const std::string &note)
{
    if (job.jobId != 0)
        context_.store.release(job.jobId, state);
    outcome_.note = note;
}

TranscriptionOutcome TranscriptionSession::run(const std::string &announcementBody)
{
    Job job;
    // Out of memory here (a 16 MiB transcript among many connections, say)
    // ends this job only, and gives back what it held of the balance.
    try {
        if (!announce(announcementBody, job))
            return outcome_;
        if (!receiveAudio(job) || !receiveTranscript(job) || !checkUpload(job))
            return outcome_;
        runEngine(job);
    } catch (const std::exception &failure) {
        finish(job, "failed", std::string("job failed: ") + failure.what());
    }
    return outcome_;
}

bool TranscriptionSession::announce(const std::string &body, Job &job)
{
    auto announcement = decodeAnnouncement(body);
    if (!announcement) {
        outcome_.note = "malformed announcement";
        reply(TranscriptionStatus::Malformed);
        return false;
    }
    job.announcement = *announcement;
    const TranscriptionAnnouncement &a = job.announcement;
    outcome_.user = a.username;

    const StoreResult found = context_.accounts.sessionUser(a.session, &job.user);
    if (found != StoreResult::Ok || job.user.name != a.username) {
        outcome_.note = found == StoreResult::Error ? "store error" : "invalid session";
        reply(found == StoreResult::Error ? TranscriptionStatus::ServiceError : TranscriptionStatus::Refused);
        return false;
    }
    if (job.user.balance < a.durationSeconds) {
        outcome_.note = "balance too low";
        reply(TranscriptionStatus::NoBalance);
        return false;
    }
    job.upload = context_.spool.claim(job.user.id, a.fingerprint, kClaimWait, context_.stopping);
    if (!job.upload) {
        outcome_.note = "upload busy";
        reply(TranscriptionStatus::ServiceError);
        return false;
    }
    std::string error;
    if (!job.upload->open(a.audioSize, &error)
        || !hashPrefix(job.upload->fd(), job.upload->length(), job.audioDigest, context_.stopping)) {
        outcome_.note = !error.empty() ? error : context_.stopping.load() ? "service stopping" : "cannot read spooled upload";
        reply(TranscriptionStatus::ServiceError);
        return false;
    }
    const int64_t missing = a.audioSize - job.upload->length();
    const int64_t free = context_.spool.freeBytes();
    if (free >= 0 && free < missing + kDiskReserve) {
        outcome_.note = "disk full";
        reply(TranscriptionStatus::ServiceError);
        return false;
    }
    if (context_.store.addJob(job.user.id, a.filename, a.durationSeconds, "uploading", context_.accounts.now(),
                              &job.jobId)
        != StoreResult::Ok) {
        outcome_.note = "store error";
        reply(TranscriptionStatus::ServiceError);
        return false;
    }
    outcome_.status = TranscriptionStatus::Ok;
    stream_.setDeadlineIn(context_.limits.transferFloor);
    if (stream_.writeAll(encodeBodilessReply(KindTranscribe, TranscriptionStatus::Ok, int32_t(job.upload->length())))
        != IoResult::Ok) {
        finish(job, "interrupted", "peer gone after announcement");
        return false;
    }
    return true;
}

bool TranscriptionSession::receiveAudio(Job &job)
{
    stream_.setAbandonFlag(&job.upload->abandonRequested());
    std::vector<unsigned char> buffer(256 << 10);
    int64_t left = job.announcement.audioSize - job.upload->length();
    // One deadline for the rest of the audio and the transcript together:
    // a trickle keeps the upload (and its claim) no longer than a slow line would.
    stream_.setDeadlineIn(context_.limits.transferTime(left + job.announcement.textSize));
    int64_t sinceCommit = 0;
    while (left > 0) {
        size_t got = 0;
        const size_t want = size_t(std::min<int64_t>(left, int64_t(buffer.size())));
        IoResult result = stream_.readSome(buffer.data(), want, &got);
        // Handed over to a newer connection: keep what this one already
        // received, so the newer one resumes after it.
        if (result == IoResult::Stopped && !context_.stopping.load()) {
            result = stream_.readPending(buffer.data(), want, &got);
            if (result == IoResult::Ok && got == 0)
                result = IoResult::Stopped;
        }
        if (result != IoResult::Ok) {
            job.upload->commit();
            finish(job, "interrupted",
                   std::string("audio upload cut at ") + std::to_string(job.upload->length()) + ": " + ioResultText(result));
            return false;
        }
        if (!job.upload->append(buffer.data(), got)) {
            job.upload->commit();
            finish(job, "failed", "cannot write spool file");
            reply(TranscriptionStatus::FileError);
            return false;
        }
        job.audioDigest.add(buffer.data(), got);
        left -= int64_t(got);
        sinceCommit += int64_t(got);
        if (sinceCommit >= kCommitEvery) {
            job.upload->commit();
            sinceCommit = 0;
        }
    }
    if (!job.upload->commit()) {
        finish(job, "failed", "cannot sync spool file");
        reply(TranscriptionStatus::FileError);
        return false;
    }
    return true;
}

bool TranscriptionSession::receiveTranscript(Job &job)
{
    job.transcript.resize(size_t(job.announcement.textSize));
    if (job.transcript.empty())
        return true;
    const IoResult result = stream_.readExact(job.transcript.data(), job.transcript.size());
    if (result != IoResult::Ok) {
        finish(job, "interrupted", std::string("transcript upload cut: ") + ioResultText(result));
        return false;
    }
    return true;
}

bool TranscriptionSession::checkUpload(Job &job)
{
    stream_.setAbandonFlag(nullptr);
    stream_.clearDeadline();
    const TranscriptionAnnouncement &a = job.announcement;
    if (job.audioDigest.hex() != a.fingerprint) {
        job.upload->discard();
        finish(job, "corrupt", "audio digest mismatch");
        reply(TranscriptionStatus::FileError);
        return false;
    }
    if (a.hasTranscript() && Md5::of(job.transcript) != a.textFingerprint) {
        finish(job, "corrupt", "transcript digest mismatch");
        reply(TranscriptionStatus::FileError);
        return false;
    }
    std::string reason;
    job.audioFile = MappedFile::map(job.upload->fd(), &reason);
    if (!job.audioFile) {
        finish(job, "failed", reason);
        reply(TranscriptionStatus::FileError);
        return false;
    }
    const auto layout = parseWav(job.audioFile->data(), job.audioFile->size(), int64_t(job.audioFile->size()), &reason,
                                 &context_.stopping);
    if (!layout && context_.stopping.load()) {
        finish(job, "interrupted", "stopped while checking the WAV");  // the upload stays for a resume
        return false;
    }
    if (!layout) {
        job.upload->discard();
        finish(job, "rejected", "unusable WAV: " + reason);
        reply(TranscriptionStatus::EngineError);
        return false;
    }
    job.wav = *layout;
    job.upload->releaseClaim();
    job.chargedSeconds = layout->chargedSeconds();
    if (const int64_t paid = job.upload->paidJob(a.textFingerprint)) {
        std::string state;
        if (context_.store.jobState(paid, &state) == StoreResult::Ok && state == "done")
            job.paidBy = paid;
    }
    const StoreResult held = job.paidBy != 0 ? StoreResult::Ok
                                             : context_.store.hold(job.jobId, job.user.id, job.chargedSeconds);
    if (held != StoreResult::Ok) {
        finish(job, "refused", held == StoreResult::Insufficient ? "balance too low for the WAV" : "store error");
        reply(held == StoreResult::Insufficient ? TranscriptionStatus::NoBalance : TranscriptionStatus::EngineError);
        return false;
    }
    context_.store.setJobState(job.jobId, "running", job.chargedSeconds);
    return true;
}

void TranscriptionSession::runEngine(Job &job)
{
    if (!prepareEngineInput(job))
        return;
    const std::shared_ptr<EngineRun> run = startEngine(job);
    if (!waitForEngine(job, *run))
        return;
    deliverResult(job, *run);
}

bool TranscriptionSession::prepareEngineInput(Job &job)
{
    if (job.announcement.hasTranscript()) {
        const Transcript transcript = readTranscript(job.transcript);
        for (const TranscriptEntry &entry : transcript.entries) {
            job.lines.push_back(entry.spoken);
            job.writtenLines.push_back(entry.text);
        }
        if (transcript.srt)
            job.transcriptNote = "; transcript read as SRT blocks";
        if (job.lines.empty()) {
            finish(job, "rejected", "transcript has no lines");
            reply(TranscriptionStatus::EngineError);
            return false;
        }
    }
    // Samples must be 2-byte aligned; a header of odd length forces a copy.
    job.audio.count = size_t(job.wav.dataBytes / 2);
    const uint8_t *first = job.audioFile->data() + job.wav.dataOffset;
    if (reinterpret_cast<uintptr_t>(first) % alignof(int16_t) == 0) {
        job.audio.samples = reinterpret_cast<const int16_t *>(first);
    } else {
        job.alignedSamples = std::make_shared<std::vector<int16_t>>(job.audio.count);
        std::memcpy(job.alignedSamples->data(), first, job.audio.count * 2);
        job.audio.samples = job.alignedSamples->data();
    }
    return true;
}

std::shared_ptr<TranscriptionSession::EngineRun> TranscriptionSession::startEngine(const Job &job)
{
    auto run = std::make_shared<EngineRun>();
    // The worker holds its own references to the samples: a timed-out or
    // abandoned run finishes after this session has gone.
    context_.engines.submit([run, audio = job.audio, lines = job.lines, recognition = !job.announcement.hasTranscript(),
                             samples = job.alignedSamples, file = job.audioFile, &stopping = context_.stopping] {
        {
            std::lock_guard<std::mutex> lock(run->mutex);
            run->started = true;
            run->startedAt = Clock::now();
        }
        auto progress = [run](int done, int total) {
            if (total > 0)
                run->percent = int(std::min<int64_t>(99, int64_t(done) * 100 / total));
        };
        auto cancel = [run, &stopping] { return run->cancel.load() || stopping.load(); };
        engines::EngineResult result;
        // An exception escaping a worker thread would end the whole service
        // (out of memory on a huge recording, say): it fails this job only.
        try {
            engines::Recognizer *recognizer = recognition ? threadRecognizer() : nullptr;
            if (cancel())
                result.status = engines::EngineStatus::Cancelled;
            else if (!recognition)
                result = threadAligner().align(audio, lines, progress, cancel);
            else if (recognizer)
                result = recognizer->recognize(audio, progress, cancel);
            else
                result.message = "no recognizer available";
        } catch (const std::exception &failure) {
            result = engines::EngineResult();
            result.message = std::string("engine failed: ") + failure.what();
        }
        {
            std::lock_guard<std::mutex> lock(run->mutex);
            run->result = std::move(result);
            run->finished = true;
        }
        run->finishedSignal.notify_all();
    });
    return run;
}

bool TranscriptionSession::waitForEngine(Job &job, EngineRun &run)
{
    const milliseconds limit = engineTimeLimit(job.audio.durationMs());
    // The client learns at once that its job is queued or running.
    Clock::time_point lastProgress = Clock::now();
    if (!reply(TranscriptionStatus::Progress, progressBody(100, 0))) {
        run.cancel = true;
        finish(job, "cancelled", "peer gone before the job");
        return false;
    }
    for (;;) {
        bool timedOut = false;
        {
            std::unique_lock<std::mutex> lock(run.mutex);
            run.finishedSignal.wait_for(lock, milliseconds(100), [&run] { return run.finished; });
            if (run.finished)
                return true;
            timedOut = run.started && Clock::now() - run.startedAt > limit;
        }
        if (timedOut) {
            run.cancel = true;
            finish(job, "timeout", "engine time limit passed");
            reply(TranscriptionStatus::EngineTimeout);
            return false;
        }
        if (Clock::now() - lastProgress >= kProgressEvery) {
            lastProgress = Clock::now();
            if (!reply(TranscriptionStatus::Progress, progressBody(100, run.percent.load()))) {
                run.cancel = true;
                finish(job, "cancelled", "peer gone during the job");
                return false;
            }
        }
        const IoResult peer = stream_.watchPeer(milliseconds(100));
        if (peer != IoResult::Ok) {
            run.cancel = true;
            finish(job, "cancelled", std::string("job abandoned: ") + ioResultText(peer));
            return false;
        }
    }
}

void TranscriptionSession::deliverResult(Job &job, const EngineRun &run)
{
    const engines::EngineResult &result = run.result;
    // The engine's confidence and warnings ride on the job's one log line.
    std::string engineNotes = job.transcriptNote;
    for (const std::string &note : result.notes)
        engineNotes += "; " + note;
    switch (result.status) {
    case engines::EngineStatus::Ok: break;
    case engines::EngineStatus::TimedOut:
        finish(job, "timeout", "engine timed out: " + result.message + engineNotes);
        reply(TranscriptionStatus::EngineTimeout);
        return;
    case engines::EngineStatus::Cancelled:
        finish(job, "cancelled", "engine cancelled" + engineNotes);
        return;
    case engines::EngineStatus::Error:
        finish(job, "error", "engine error: " + result.message + engineNotes);
        reply(TranscriptionStatus::EngineError);
        return;
    }
    std::vector<engines::TimedLine> lines = result.lines;
    if (lines.size() == job.writtenLines.size())
        for (size_t i = 0; i < lines.size(); ++i)
            lines[i].text = job.writtenLines[i];
    const std::string text = resultText(lines);
    if (text.empty()) {
        finish(job, "error", "engine returned no lines" + engineNotes);
        reply(TranscriptionStatus::EngineError);
        return;
    }
    if (job.paidBy != 0) {
        // Paid for by the earlier job: only the result goes out again.
        if (!reply(TranscriptionStatus::Ok, text)) {
            finish(job, "cancelled", "peer gone before the result, paid by job " + std::to_string(job.paidBy));
            return;
        }
        finish(job, "resent", "result resent, paid by job " + std::to_string(job.paidBy) + engineNotes);
        job.upload->discard();
        return;
    }
    // Charged before the result goes out, and the upload kept until it has:
    // a crash in between leaves the charge and the upload, and the client's
    // next try gets the result for nothing rather than for a second charge
    // (or the first result for free).
    if (!job.upload->markPaid(job.jobId, job.announcement.textFingerprint)) {
        finish(job, "failed", "cannot mark the upload paid" + engineNotes);
        reply(TranscriptionStatus::FileError);
        return;
    }
    const StoreResult settled = context_.store.settle(job.jobId, job.announcement.filename, context_.accounts.now());
    if (settled != StoreResult::Ok) {
        finish(job, "failed", "cannot record the charge" + engineNotes);
        reply(TranscriptionStatus::ServiceError);
        return;
    }
    if (!reply(TranscriptionStatus::Ok, text)) {
        // A failed write means the result did not arrive (the user gave up
        // on it, say): the charge goes back, as it did for any cut job.
        if (context_.store.refundSettled(job.jobId, "cancelled", context_.accounts.now()) == StoreResult::Ok) {
            outcome_.note = "peer gone before the result; charge refunded";
        } else {
            outcome_.note = "charged " + std::to_string(job.chargedSeconds)
                            + " s, peer gone before the result, refund failed; kept for its next try";
        }
        return;
    }
    outcome_.note = "charged " + std::to_string(job.chargedSeconds) + " s" + engineNotes;
    job.upload->discard();
}

}  // namespace cw::service
