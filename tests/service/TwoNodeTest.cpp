// Two service processes on one data folder (the spool) and one PostgreSQL
// database, as behind a load balancer: an upload resumes on whichever node
// the client reaches next, a node killed mid-upload loses only unsynced
// bytes and charges nothing twice, and jobs and recharges spread over both
// keep every balance the sum of its records.

#include "PostgresServer.h"
#include "RawClient.h"
#include "ServiceProcess.h"
#include "SpeechFixture.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <thread>

using cw::testing::RawClient;
using cw::testing::ServiceProcess;

namespace {

constexpr int32_t kRecharge = 3;
constexpr int32_t kTranscribe = 6;
constexpr int32_t kRecords = 9;
constexpr int32_t kBalance = 10;
constexpr int64_t kStartingBalance = 100000;
const std::string kTranscript = "The first line.\nThe second line.\n";

// A WAV of `dataBytes` of silence made unique by its last bytes.
std::string uniqueWav(int index, int64_t dataBytes)
{
    std::string wav(cw::testing::wavHeader16k(uint32_t(dataBytes)).constData(), 44);
    wav += std::string(size_t(dataBytes), '\0');
    for (int i = 0; i < 4; ++i)
        wav[wav.size() - 1 - size_t(i)] = char((index >> (8 * i)) & 0xff);
    return wav;
}

int64_t chargedSeconds(const std::string &wav)
{
    return (int64_t(wav.size()) - 44 + 31999) / 32000;
}

struct Upload {
    std::string user;
    std::string session;
    std::string filename;
    std::string wav;
    std::string announcement() const
    {
        return cw::testing::announcementBody(user, session, filename, int64_t(wav.size()), cw::testing::md5Hex(wav),
                                             "lines.txt", cw::testing::md5Hex(kTranscript),
                                             int64_t(kTranscript.size()), int((wav.size() - 44) / 32000));
    }
};

// One connection's announcement; the offset the node resumes at, or -1.
int64_t announce(RawClient &client, int port, const Upload &upload, int32_t *status = nullptr)
{
    if (!client.connect(port, 60000) || !client.sendFrame(kTranscribe, upload.announcement()))
        return -1;
    const auto reply = client.readReply();
    if (status)
        *status = reply ? reply->status : -100;
    return reply && reply->status == 0 ? reply->length : -1;
}

// The rest of the audio from `offset`, the transcript, then the final status.
int32_t finish(RawClient &client, const Upload &upload, int64_t offset)
{
    if (!client.sendBytes(upload.wav.substr(size_t(offset))) || !client.sendBytes(kTranscript))
        return -100;
    const auto reply = client.readFinalReply();
    if (!reply)
        return -100;
    return reply->status == 0 && reply->body.empty() ? -101 : reply->status;
}

std::string askSession(int port, int32_t kind, const std::string &body)
{
    RawClient client;
    if (!client.connect(port) || !client.sendFrame(kind, body))
        return {};
    const auto reply = client.readReply();
    return reply && reply->status == 0 ? reply->body : std::string();
}

struct Ledger {
    int64_t balance = -1;
    int64_t recordsSum = 0;
    std::map<std::string, std::vector<int64_t>> charges;  // "-" records by file name
    std::map<std::string, int> refunds;                   // "+" records naming a file
};

// Read over the protocol, so it holds whatever store the nodes use.
Ledger ledgerOf(int port, const std::string &session)
{
    Ledger ledger;
    const std::string balance = askSession(port, kBalance, "{\"session\":\"" + session + "\"}");
    ledger.balance = balance.empty() ? -1 : std::stoll(balance);
    for (int start = 0;; start += 100) {
        const std::string text = askSession(port, kRecords,
                                            "{\"session\":\"" + session + "\",\"start\":" + std::to_string(start)
                                                + ",\"end\":" + std::to_string(start + 100) + "}");
        if (text.empty())
            break;
        size_t from = 0;
        while (from < text.size()) {
            const size_t end = text.find('\n', from);
            const std::string line = text.substr(from, end - from);
            from = end == std::string::npos ? text.size() : end + 1;
            // time,sign,amount,seconds
            const size_t sign = line.find(',') + 1;
            const size_t amount = line.find(',', sign) + 1;
            const size_t seconds = line.rfind(',') + 1;
            const std::string what = line.substr(amount, seconds - 1 - amount);
            const int64_t value = std::stoll(line.substr(seconds));
            ledger.recordsSum += line[sign] == '+' ? value : -value;
            if (line[sign] == '-')
                ledger.charges[what].push_back(value);
            else if (what.rfind("job-", 0) == 0)
                ++ledger.refunds[what];
        }
    }
    return ledger;
}

// One server for the suite (initdb is the slow part); a database per test.
cw::testing::PostgresServer &postgres()
{
    static cw::testing::PostgresServer server;
    return server;
}

class TwoNodes : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!cw::testing::PostgresServer::installed())
            GTEST_SKIP() << "PostgreSQL is not installed";
        ASSERT_TRUE(postgres().ok()) << postgres().reason();
        ASSERT_TRUE(dir_.isValid());
        static int databases = 0;
        url_ = QString::fromStdString(postgres().url("twonodes" + std::to_string(++databases)));
        for (auto &node : nodes_)
            node = std::make_unique<ServiceProcess>(QStringLiteral(CW_SERVICE_BINARY), dir_.path());
    }
    void TearDown() override
    {
        for (auto &node : nodes_)
            if (node && node->running())
                node->stop();
    }

    QStringList arguments() const
    {
        return {QStringLiteral("--store"), url_, QStringLiteral("--instant-engine"), QStringLiteral("--allow-recharge"),
                QStringLiteral("--workers"), QStringLiteral("2"), QStringLiteral("--max-connections-per-address"),
                QStringLiteral("2000")};
    }
    bool addUser(const std::string &name)
    {
        QProcess tool;
        tool.start(QStringLiteral(CW_SERVICE_BINARY),
                   {QStringLiteral("--data"), dir_.path(), QStringLiteral("--store"), url_, QStringLiteral("add-user"),
                    QString::fromStdString(name), QStringLiteral("pw"), QStringLiteral("--balance"),
                    QString::number(kStartingBalance)});
        return tool.waitForFinished(30000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
    }
    void startBoth()
    {
        for (auto &node : nodes_)
            ASSERT_TRUE(node->start(arguments())) << node->readLog().right(2000).toStdString();
    }
    Upload makeUpload(const std::string &user, int index, int64_t dataBytes)
    {
        Upload upload{user, sessions_[user], "job-" + std::to_string(index) + ".wav", uniqueWav(index, dataBytes)};
        return upload;
    }
    void login(const std::string &user)
    {
        sessions_[user] = cw::testing::rawLogin(nodes_[0]->port(), user, "pw");
        ASSERT_EQ(sessions_[user].size(), 32u);
    }
    QStringList spoolFiles() const
    {
        QStringList files;
        QDirIterator it(dir_.path() + QStringLiteral("/spool"), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        return files;
    }

    QTemporaryDir dir_;
    QString url_;
    // The one upload charged once and recorded, and nothing left once both
    // nodes stop.
    void expectChargedOnceAndSpoolEmpty(const std::string &user, const Upload &upload)
    {
        const Ledger ledger = ledgerOf(nodes_[0]->port(), sessions_[user]);
        EXPECT_EQ(ledger.balance, kStartingBalance - chargedSeconds(upload.wav));
        EXPECT_EQ(ledger.recordsSum, ledger.balance);
        EXPECT_EQ(ledger.charges.at(upload.filename).size(), 1u);
        for (auto &node : nodes_)
            EXPECT_EQ(node->stop(), 0);
        EXPECT_TRUE(spoolFiles().isEmpty()) << spoolFiles().join(' ').toStdString();
    }

    std::unique_ptr<ServiceProcess> nodes_[2];
    std::map<std::string, std::string> sessions_;
};

}  // namespace

TEST_F(TwoNodes, AnUploadStalledOnOneNodeResumesOnTheOtherWhereItStopped)
{
    ASSERT_TRUE(addUser("ann"));
    startBoth();
    login("ann");
    const Upload upload = makeUpload("ann", 1, 256000);

    RawClient stalled;
    ASSERT_EQ(announce(stalled, nodes_[0]->port(), upload), 0);
    ASSERT_TRUE(stalled.sendBytes(upload.wav.substr(0, 100000)));
    // The first connection is still open: the second node must ask the first
    // to let go and get every byte it received.
    RawClient resumed;
    EXPECT_EQ(announce(resumed, nodes_[1]->port(), upload), 100000);
    EXPECT_EQ(finish(resumed, upload, 100000), 0);

    expectChargedOnceAndSpoolEmpty("ann", upload);
}

TEST_F(TwoNodes, ANodeKilledMidUploadLeavesItToTheOtherWithItsSyncedBytes)
{
    ASSERT_TRUE(addUser("bob"));
    startBoth();
    login("bob");
    const Upload upload = makeUpload("bob", 2, 256000);
    {
        // Cut by the client: the node syncs what it got.
        RawClient cut;
        ASSERT_EQ(announce(cut, nodes_[0]->port(), upload), 0);
        ASSERT_TRUE(cut.sendBytes(upload.wav.substr(0, 60000)));
    }
    RawClient killed;
    int64_t offset = -1;
    for (int i = 0; i < 100 && offset != 60000; ++i) {  // the cut connection may still hold the upload
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        offset = announce(killed, nodes_[0]->port(), upload);
    }
    ASSERT_EQ(offset, 60000);
    ASSERT_TRUE(killed.sendBytes(upload.wav.substr(60000, 100000)));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    nodes_[0]->kill();

    RawClient other;
    EXPECT_EQ(announce(other, nodes_[1]->port(), upload), 60000);  // the unsynced 100000 are not trusted
    EXPECT_EQ(finish(other, upload, 60000), 0);
    // The killed node comes back beside the running one; its start (recovery,
    // spool sweep) takes nothing from the other's work.
    ASSERT_TRUE(nodes_[0]->start(arguments()));
    expectChargedOnceAndSpoolEmpty("bob", upload);
}

TEST_F(TwoNodes, AHundredJobsAndRechargesOverBothNodesKeepEveryBalanceExact)
{
    const std::vector<std::string> users{"u0", "u1", "u2", "u3"};
    for (const std::string &user : users)
        ASSERT_TRUE(addUser(user));
    startBoth();
    for (const std::string &user : users)
        login(user);
    const int ports[2] = {nodes_[0]->port(), nodes_[1]->port()};

    constexpr int kJobs = 100;
    std::vector<Upload> uploads;
    for (int i = 0; i < kJobs; ++i)
        uploads.push_back(makeUpload(users[size_t(i) % users.size()], 100 + i, 96000 + 32000 * (i % 3)));
    std::vector<int32_t> endings(kJobs, -100);
    std::atomic<int> jobsLeft{kJobs};
    std::vector<std::thread> threads;
    for (int i = 0; i < kJobs; ++i)
        threads.emplace_back([&, i] {
            // Each try goes to the next node; half the jobs are cut once first.
            std::mt19937 random{unsigned(i)};
            const Upload &upload = uploads[size_t(i)];
            bool cut = i % 2 == 0;
            for (int attempt = 0; attempt < 200 && endings[size_t(i)] == -100; ++attempt) {
                if (attempt > 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10 + random() % 40));
                RawClient client;
                int32_t status = 0;
                const int64_t offset = announce(client, ports[(i + attempt) % 2], upload, &status);
                if (offset < 0) {
                    if (status != 2 && status != -100)
                        endings[size_t(i)] = status;
                    continue;
                }
                if (cut) {
                    cut = false;
                    const int64_t to = offset + int64_t(random() % uint64_t(upload.wav.size() - size_t(offset)));
                    client.sendBytes(upload.wav.substr(size_t(offset), size_t(to - offset)));
                    continue;
                }
                const int32_t result = finish(client, upload, offset);
                if (result != -100)
                    endings[size_t(i)] = result;
            }
            --jobsLeft;
        });
    std::atomic<int> recharges{0};
    for (int r = 0; r < 2; ++r)
        threads.emplace_back([&, r] {
            std::mt19937 random{unsigned(1000 + r)};
            while (jobsLeft.load() > 0) {
                const std::string &session = sessions_[users[random() % users.size()]];
                const std::string body = "{\"session\":\"" + session + "\",\"money\":\"1\",\"duration\":"
                                         + std::to_string(1 + random() % 100) + "}";
                RawClient client;
                if (client.connect(ports[random() % 2]) && client.sendFrame(kRecharge, body)) {
                    const auto reply = client.readReply();
                    if (reply && reply->status == 0)
                        ++recharges;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
    for (std::thread &thread : threads)
        thread.join();

    for (int i = 0; i < kJobs; ++i)
        EXPECT_EQ(endings[size_t(i)], 0) << uploads[size_t(i)].filename;
    EXPECT_GT(recharges.load(), 0);
    for (const std::string &user : users) {
        SCOPED_TRACE(user);
        const Ledger ledger = ledgerOf(ports[1], sessions_[user]);
        EXPECT_EQ(ledger.recordsSum, ledger.balance);
        for (const Upload &upload : uploads) {
            if (upload.user != user)
                continue;
            const auto charged = ledger.charges.find(upload.filename);
            const size_t refunds = ledger.refunds.count(upload.filename) ? size_t(ledger.refunds.at(upload.filename)) : 0;
            ASSERT_NE(charged, ledger.charges.end()) << upload.filename;
            EXPECT_EQ(charged->second.size() - refunds, 1u) << upload.filename;
            EXPECT_EQ(charged->second[0], chargedSeconds(upload.wav)) << upload.filename;
        }
    }
    for (auto &node : nodes_)
        EXPECT_EQ(node->stop(), 0);
    EXPECT_TRUE(spoolFiles().isEmpty()) << spoolFiles().join(' ').toStdString();
}
