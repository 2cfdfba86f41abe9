#include "UploadSoak.h"

#include "RawClient.h"
#include "ServiceProcess.h"
#include "SpeechFixture.h"
#include "SqliteAccountStore.h"

#include <QDirIterator>
#include <QFileInfo>

#include <openssl/evp.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <random>
#include <thread>

namespace cw::testing {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMaxAttempts = 400;
constexpr int64_t kStartingBalance = 100000000;
constexpr int32_t kTranscribe = 6;

// One upload's WAV, made on the fly: silence, but for a few bytes that
// make every file (and so its fingerprint) its own.
class SoakAudio {
public:
    SoakAudio(int index, int64_t size) : size_(size)
    {
        const QByteArray header = wavHeader16k(uint32_t(size - 44));
        head_.assign(header.constData(), size_t(header.size()));
        for (int i = 0; i < 4; ++i)
            head_ += char((index >> (8 * i)) & 0xff);
    }
    int64_t size() const { return size_; }
    int64_t dataBytes() const { return size_ - 44; }
    std::string piece(int64_t offset, int64_t length) const
    {
        std::string bytes(size_t(length), '\0');
        for (int64_t i = offset; i < offset + length && i < int64_t(head_.size()); ++i)
            bytes[size_t(i - offset)] = head_[size_t(i)];
        return bytes;
    }
    std::string fingerprint() const
    {
        EVP_MD_CTX *context = EVP_MD_CTX_new();
        EVP_DigestInit_ex(context, EVP_md5(), nullptr);
        for (int64_t offset = 0; offset < size_; offset += 1 << 20) {
            const std::string bytes = piece(offset, std::min<int64_t>(1 << 20, size_ - offset));
            EVP_DigestUpdate(context, bytes.data(), bytes.size());
        }
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        EVP_DigestFinal_ex(context, digest, &length);
        EVP_MD_CTX_free(context);
        return hexText(digest, length);
    }

private:
    int64_t size_;
    std::string head_;
};

struct Shared {
    std::atomic<int> port{0};  // 0 while the service is down
    std::atomic<int64_t> bytesSent{0};
    std::atomic<int> uploadsLeft{0};
    std::mutex mutex;  // guards the figures' counters below and notes
    SoakFigures figures;
};

void waitForService(Shared &shared)
{
    while (shared.port.load() == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

std::string frameHeader(int32_t kind, size_t length)
{
    std::string bytes;
    for (uint32_t value : {7099u, 1u, uint32_t(kind), 0u, 1u, uint32_t(length)})
        for (int i = 0; i < 4; ++i)
            bytes += char((value >> (8 * i)) & 0xff);
    return bytes;
}

bool sendPieces(RawClient &client, const SoakAudio &audio, int64_t from, int64_t to, Shared &shared)
{
    for (int64_t offset = from; offset < to;) {
        const int64_t length = std::min<int64_t>(256 << 10, to - offset);
        if (!client.sendBytes(audio.piece(offset, length)))
            return false;
        shared.bytesSent += length;
        offset += length;
    }
    return true;
}

enum class Ending { Completed, Refused, Unfinished };

struct UploadOutcome {
    Ending ending = Ending::Unfinished;
    int cuts = 0;
    int reconnects = 0;
    int resumedAhead = 0;
    int32_t finalStatus = 0;
};

// Resumes as the client library does: announce, send from the offset the
// service names, then the transcript, then wait for the result.
UploadOutcome upload(const std::string &user, const std::string &session, const std::string &filename,
                     const SoakAudio &audio, const std::string &fingerprint, int maxCuts, unsigned seed, Shared &shared)
{
    const std::string transcript = "The first line.\nThe second line.\n";
    const std::string body =
        announcementBody(user, session, filename, audio.size(), fingerprint, "soak.txt", md5Hex(transcript),
                         int64_t(transcript.size()), int(audio.dataBytes() / 32000));
    std::mt19937 random(seed);
    UploadOutcome outcome;
    int64_t sentSoFar = 0;  // the most this upload ever sent
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        if (attempt > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 80));
        waitForService(shared);
        RawClient client;
        if (!client.connect(shared.port.load(), 60000) || !client.sendBytes(frameHeader(kTranscribe, body.size()) + body)) {
            ++outcome.reconnects;
            continue;
        }
        const auto accepted = client.readReply();
        if (!accepted || accepted->status == 2) {  // service gone, or the upload still busy
            ++outcome.reconnects;
            continue;
        }
        if (accepted->status != 0) {
            outcome.ending = Ending::Refused;
            outcome.finalStatus = accepted->status;
            return outcome;
        }
        const int64_t offset = accepted->length;
        if (offset > sentSoFar)
            ++outcome.resumedAhead;
        if (offset > audio.size())
            continue;
        if (outcome.cuts < maxCuts && random() % 2 == 0) {
            const int64_t cutAt = offset + int64_t(random() % uint64_t(audio.size() - offset + 1));
            sendPieces(client, audio, offset, cutAt, shared);
            sentSoFar = std::max(sentSoFar, cutAt);
            ++outcome.cuts;
            continue;  // the client hangs up mid-upload
        }
        if (!sendPieces(client, audio, offset, audio.size(), shared) || !client.sendBytes(transcript)) {
            ++outcome.reconnects;
            continue;
        }
        sentSoFar = audio.size();
        if (const auto reply = client.readFinalReply()) {
            outcome.finalStatus = reply->status;
            outcome.ending = reply->status == 0 && !reply->body.empty() ? Ending::Completed : Ending::Refused;
            return outcome;
        }
        ++outcome.reconnects;  // killed while the job ran: resume
    }
    return outcome;
}

// Recharges a random account now and then until every upload has ended.
void recharge(const std::vector<std::string> &sessions, unsigned seed, Shared &shared)
{
    std::mt19937 random(seed);
    while (shared.uploadsLeft.load() > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10 + random() % 40));
        const int port = shared.port.load();
        if (port == 0)
            continue;
        const std::string &session = sessions[random() % sessions.size()];
        const std::string body = "{\"session\":\"" + session + "\",\"money\":\"1\",\"duration\":"
                                 + std::to_string(1 + random() % 100) + "}";
        RawClient client;
        const bool sent = client.connect(port, 30000) && client.sendBytes(frameHeader(3, body.size()) + body);
        const auto reply = sent ? client.readReply() : std::nullopt;
        std::lock_guard<std::mutex> lock(shared.mutex);
        if (reply && reply->status == 0)
            ++shared.figures.rechargesAccepted;
        else
            ++shared.figures.rechargesLost;
    }
}

QStringList serviceArguments()
{
    return {QStringLiteral("--workers"), QStringLiteral("2"), QStringLiteral("--allow-recharge"),
            QStringLiteral("--instant-engine"), QStringLiteral("--max-connections-per-address"),
            QStringLiteral("2000")};
}

struct UploadRecord {
    std::string user;
    std::string filename;
    std::string fingerprint;
    int64_t chargedSeconds = 0;
    Ending ending = Ending::Unfinished;
};

void checkDataFolder(const SoakPlan &plan, const std::vector<std::string> &users,
                     const std::vector<UploadRecord> &records, SoakFigures &figures)
{
    std::string error;
    auto store = service::SqliteAccountStore::open((plan.dataDir + QStringLiteral("/accounts.sqlite")).toStdString(),
                                                   &error);
    if (!store) {
        figures.notes.push_back("cannot open the store: " + error);
        figures.balanceMismatches = int(users.size());
        return;
    }
    std::map<std::string, int64_t> userIds;
    std::map<std::string, std::vector<service::BalanceRecord>> charges;  // by file name
    std::map<std::string, int> doneJobs;
    std::map<std::string, int> refunds;  // by file name
    for (const std::string &name : users) {
        service::UserRow user;
        std::vector<service::BalanceRecord> lines;
        std::vector<service::JobRecord> jobs;
        if (store->findUser(name, &user) != service::StoreResult::Ok
            || store->records(user.id, 0, 1 << 30, &lines) != service::StoreResult::Ok
            || store->jobs(user.id, 0, 1 << 30, &jobs) != service::StoreResult::Ok) {
            figures.notes.push_back("cannot read " + name);
            ++figures.balanceMismatches;
            continue;
        }
        userIds[name] = user.id;
        int64_t sum = 0;
        for (const service::BalanceRecord &line : lines) {
            sum += line.sign == '+' ? line.seconds : -line.seconds;
            if (line.sign == '-')
                charges[line.amount].push_back(line);
            else if (line.amount.rfind("soak-", 0) == 0)
                ++refunds[line.amount];  // a charge given back: the result never arrived
        }
        if (sum != user.balance) {
            ++figures.balanceMismatches;
            figures.notes.push_back(name + ": balance " + std::to_string(user.balance) + ", records sum to "
                                    + std::to_string(sum));
        }
        for (const service::JobRecord &job : jobs) {
            ++figures.jobStates[job.state];
            if (job.state == "uploading" || job.state == "running") {
                ++figures.stuckJobs;
                figures.notes.push_back(name + ": job " + job.filename + " still " + job.state);
            }
            if (job.state == "done")
                ++doneJobs[job.filename];
        }
    }
    std::map<std::string, const UploadRecord *> byFingerprint;
    for (const UploadRecord &upload : records) {
        byFingerprint[std::to_string(userIds[upload.user]) + "/" + upload.fingerprint] = &upload;
        // Net of refunds: the charges still standing.
        auto paid = charges[upload.filename];
        for (int r = 0; r < refunds[upload.filename] && !paid.empty(); ++r)
            paid.pop_back();
        figures.refundedCharges += refunds[upload.filename];
        if (paid.size() > 1) {
            ++figures.doubleCharges;
            figures.notes.push_back(upload.filename + " charged " + std::to_string(paid.size()) + " times");
        }
        if (!paid.empty() && (upload.ending != Ending::Completed || paid[0].seconds != upload.chargedSeconds)) {
            ++figures.wrongCharges;
            figures.notes.push_back(upload.filename + " charged " + std::to_string(paid[0].seconds) + " s");
        }
        if (paid.empty() && upload.ending == Ending::Completed)
            ++figures.unpaidResults;
        if (doneJobs[upload.filename] != int(paid.size())) {
            ++figures.wrongCharges;
            figures.notes.push_back(upload.filename + ": " + std::to_string(doneJobs[upload.filename])
                                    + " jobs done, " + std::to_string(paid.size()) + " charges");
        }
    }
    QDirIterator files(plan.dataDir + QStringLiteral("/spool"), QDir::Files | QDir::Hidden,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QFileInfo file(files.next());
        const std::string key = (file.dir().dirName() + QStringLiteral("/") + file.fileName().section(u'.', 0, 0))
                                    .toStdString();
        const auto owner = byFingerprint.find(key);
        const bool paid = QFileInfo::exists(file.dir().filePath(file.fileName().section(u'.', 0, 0) + QStringLiteral(".paid")));
        if (owner != byFingerprint.end() && owner->second->ending == Ending::Unfinished) {
            ++figures.resumableSpoolFiles;
        } else if (owner != byFingerprint.end() && paid && !charges[owner->second->filename].empty()) {
            ++figures.paidSpoolFiles;
        } else {
            ++figures.leakedSpoolFiles;
            figures.notes.push_back("spool file left: " + file.filePath().toStdString());
        }
    }
}

}  // namespace

SoakFigures runUploadSoak(const SoakPlan &plan)
{
    const auto started = Clock::now();
    Shared shared;
    SoakFigures &figures = shared.figures;
    ServiceProcess service(plan.binary, plan.dataDir);
    std::vector<std::string> users, sessions;
    for (int a = 0; a < plan.accounts; ++a) {
        users.push_back("soak" + std::to_string(a));
        if (!service.addUser(QString::fromStdString(users.back()), QStringLiteral("pw"), kStartingBalance)) {
            figures.restartFailed = true;
            figures.notes.push_back("cannot add " + users.back());
            return figures;
        }
    }
    if (!service.start(serviceArguments())) {
        figures.restartFailed = true;
        figures.notes.push_back("cannot start the service");
        return figures;
    }
    for (const std::string &user : users)
        sessions.push_back(rawLogin(service.port(), user, "pw"));
    shared.port = service.port();

    std::vector<UploadRecord> records(size_t(plan.uploads));
    std::vector<SoakAudio> audios;
    for (int i = 0; i < plan.uploads; ++i) {
        audios.emplace_back(i, plan.audioBytes);
        UploadRecord &record = records[size_t(i)];
        record.user = users[size_t(i % plan.accounts)];
        record.filename = "soak-" + std::to_string(i) + ".wav";
        record.fingerprint = audios.back().fingerprint();
        record.chargedSeconds = (audios.back().dataBytes() + 31999) / 32000;
    }
    shared.uploadsLeft = plan.uploads;
    std::vector<std::thread> threads;
    for (int i = 0; i < plan.uploads; ++i)
        threads.emplace_back([&, i] {
            UploadRecord &record = records[size_t(i)];
            const UploadOutcome outcome =
                upload(record.user, sessions[size_t(i % plan.accounts)], record.filename, audios[size_t(i)],
                       record.fingerprint, plan.maxCutsPerUpload, plan.seed * 7919 + unsigned(i), shared);
            record.ending = outcome.ending;
            std::lock_guard<std::mutex> lock(shared.mutex);
            figures.cuts += outcome.cuts;
            figures.reconnects += outcome.reconnects;
            figures.resumedAhead += outcome.resumedAhead;
            switch (outcome.ending) {
            case Ending::Completed: ++figures.completed; break;
            case Ending::Refused:
                ++figures.refused;
                figures.notes.push_back(record.filename + " ended with status " + std::to_string(outcome.finalStatus));
                break;
            case Ending::Unfinished: ++figures.unfinished; break;
            }
            --shared.uploadsLeft;
        });
    for (int r = 0; r < plan.rechargers; ++r)
        threads.emplace_back([&, r] { recharge(sessions, plan.seed * 31 + unsigned(r), shared); });

    // The kills fall at even steps of the bytes the uploads have to send at least.
    const int64_t total = int64_t(plan.uploads) * plan.audioBytes;
    for (int k = 0; k < plan.kills && !figures.restartFailed; ++k) {
        const int64_t mark = total * (k + 1) / (plan.kills + 1);
        while (shared.bytesSent.load() < mark && shared.uploadsLeft.load() > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        shared.port = 0;
        service.kill();
        ++figures.kills;
        if (!service.start(serviceArguments())) {
            figures.restartFailed = true;
            figures.notes.push_back("restart failed: " + service.readLog().right(2000).toStdString());
            break;
        }
        shared.port = service.port();
    }
    if (figures.restartFailed)
        shared.port = -1;  // nobody will answer; the clients run out of attempts
    for (std::thread &thread : threads)
        thread.join();
    figures.serviceStopCode = service.running() ? service.stop() : -1;
    checkDataFolder(plan, users, records, figures);
    figures.seconds = std::chrono::duration<double>(Clock::now() - started).count();
    return figures;
}

std::string describe(const SoakPlan &plan, const SoakFigures &f)
{
    const double n = plan.uploads > 0 ? plan.uploads : 1;
    char text[1024];
    std::snprintf(text, sizeof text,
                  "%d uploads of %.1f MiB, %d kills, %.1f s: completed %.1f %%, refunded %.1f %%, unfinished %d; "
                  "%d cuts, %d reconnects, %d recharges (%d without reply), %d charges refunded; balance mismatches %d, double charges %d, "
                  "wrong charges %d, unpaid results %d, stuck jobs %d, resumed ahead %d, leaked spool files %d, "
                  "%d of unfinished uploads, %d of charged ones kept for a retry; clean stop %d",
                  plan.uploads, double(plan.audioBytes) / (1 << 20), f.kills, f.seconds, 100.0 * f.completed / n,
                  100.0 * f.refused / n, f.unfinished, f.cuts, f.reconnects, f.rechargesAccepted, f.rechargesLost, f.refundedCharges,
                  f.balanceMismatches, f.doubleCharges, f.wrongCharges, f.unpaidResults, f.stuckJobs, f.resumedAhead,
                  f.leakedSpoolFiles, f.resumableSpoolFiles, f.paidSpoolFiles, f.serviceStopCode);
    std::string all = text;
    all += "\n  job rows:";
    for (const auto &[state, count] : f.jobStates)
        all += " " + std::to_string(count) + " " + state;
    for (size_t i = 0; i < f.notes.size() && i < 20; ++i)
        all += "\n  " + f.notes[i];
    return all;
}

}  // namespace cw::testing
