#pragma once
// One transcription request on its connection: announcement, resumable
// upload, checks, the engine run with progress, the charge.

#include "AccountService.h"
#include "AccountStore.h"
#include "ConnectionLimits.h"
#include "SocketStream.h"
#include "UploadSpool.h"
#include "WorkerPool.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace cw::service {

struct TranscriptionStatus {
    static constexpr int32_t Ok = 0;
    static constexpr int32_t Progress = -1;
    static constexpr int32_t EngineError = -2;
    static constexpr int32_t FileError = -4;
    static constexpr int32_t EngineTimeout = -5;
    static constexpr int32_t Refused = 1;
    static constexpr int32_t ServiceError = 2;
    static constexpr int32_t Malformed = 3;
    static constexpr int32_t NoBalance = 300;
};

struct TranscriptionOutcome {
    int32_t status = TranscriptionStatus::Malformed;  // last status sent
    std::string user;
    std::string note;  // why it ended, for the log
};

struct TranscriptionContext {
    AccountService &accounts;
    AccountStore &store;
    UploadSpool &spool;
    WorkerPool &engines;
    const ConnectionLimits &limits;
    const std::atomic<bool> &stopping;
};

class TranscriptionSession {
public:
    TranscriptionSession(TranscriptionContext context, SocketStream &stream);
    TranscriptionOutcome run(const std::string &announcementBody);

private:
    struct Job;
    struct EngineRun;
    bool announce(const std::string &body, Job &job);
    bool receiveAudio(Job &job);
    bool receiveTranscript(Job &job);
    bool checkUpload(Job &job);
    void runEngine(Job &job);
    bool prepareEngineInput(Job &job);
    std::shared_ptr<EngineRun> startEngine(const Job &job);
    // Reports progress until the engine is done; false when the job ended
    // here instead (time limit, peer gone).
    bool waitForEngine(Job &job, EngineRun &run);
    void deliverResult(Job &job, const EngineRun &run);
    bool reply(int32_t status, const std::string &body = std::string());
    void finish(Job &job, const std::string &state, const std::string &note);

    TranscriptionContext context_;
    SocketStream &stream_;
    TranscriptionOutcome outcome_;
};

}  // namespace cw::service
