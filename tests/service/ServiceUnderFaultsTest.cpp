// The real service on loopback under hostile peers: connections that drip
// a byte at a time, more connections than one address may hold, and
// password guesses against someone else's account.

#include "RawClient.h"
#include "ServiceProcess.h"
#include "SpeechFixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using cw::testing::RawClient;
using cw::testing::ServiceProcess;
using Clock = std::chrono::steady_clock;

namespace {

class ServiceUnderFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        service_ = std::make_unique<ServiceProcess>(QStringLiteral(CW_SERVICE_BINARY), dir_.path());
        ASSERT_TRUE(service_->addUser(QStringLiteral("ann"), QStringLiteral("pw"), 600));
    }
    void TearDown() override
    {
        if (service_->running()) {
            EXPECT_EQ(service_->stop(), 0);
        }
    }
    int logCount(const QString &text) const { return service_->readLog().count(text); }

    QTemporaryDir dir_;
    std::unique_ptr<ServiceProcess> service_;
};

struct Dripper {
    std::string bytes;  // sent at once
    std::string drip;   // then one byte a second
    std::unique_ptr<RawClient> client = std::make_unique<RawClient>();
    Clock::time_point connectedAt;
    double closedAfter = -1;  // seconds; -1 while open
};

}  // namespace

TEST_F(ServiceUnderFaults, DrippingConnectionsNeitherHoldTheirSlotsNorBlockOthers)
{
    const int perAddress = 8;
    const int deadline = 5;
    ASSERT_TRUE(service_->start({"--workers", "1", "--max-connections-per-address", QString::number(perAddress),
                                 "--header-limit", QString::number(deadline), "--transfer-limit",
                                 QString::number(deadline), "--min-transfer-rate", "100000"}));
    const int port = service_->port();
    const std::string session = cw::testing::rawLogin(port, "ann", "pw", "127.0.0.3");
    ASSERT_EQ(session.size(), 32u);

    // Half drip their header, half a body; one more drips an upload.
    std::vector<Dripper> drippers(perAddress + 1);
    std::string header;
    for (uint32_t value : {7099u, 1u, 2u, 0u, 1u, 64u})
        for (int i = 0; i < 4; ++i)
            header += char((value >> (8 * i)) & 0xff);
    for (int i = 0; i < perAddress; ++i) {
        Dripper &d = drippers[size_t(i)];
        if (i % 2 == 0) {
            d.drip = header;
        } else {
            d.bytes = header;
            d.drip = std::string(64, '{');
        }
    }
    const std::string audio = std::string(cw::testing::wavHeader16k(3956).constData(), 44) + std::string(3956, '\0');
    std::string upload;
    {
        const std::string body = cw::testing::announcementBody("ann", session, "drip.wav", int64_t(audio.size()),
                                                               cw::testing::md5Hex(audio), "", "", 0, 1);
        std::string frameHeader;
        for (uint32_t value : {7099u, 1u, 6u, 0u, 1u, uint32_t(body.size())})
            for (int i = 0; i < 4; ++i)
                frameHeader += char((value >> (8 * i)) & 0xff);
        drippers.back().bytes = frameHeader + body;
        drippers.back().drip = audio;
    }
    for (size_t i = 0; i < drippers.size(); ++i) {
        Dripper &d = drippers[i];
        d.connectedAt = Clock::now();
        ASSERT_TRUE(d.client->connect(port, 30000, i + 1 == drippers.size() ? "127.0.0.3" : nullptr));
        ASSERT_TRUE(d.bytes.empty() || d.client->sendBytes(d.bytes));
    }
    ASSERT_TRUE(drippers.back().client->readReply());  // the upload is accepted

    // Every further connection from that address is closed at once...
    for (int i = 0; i < 4; ++i) {
        RawClient extra;
        ASSERT_TRUE(extra.connect(port));
        EXPECT_TRUE(extra.closedByPeer());
    }
    // ...while another address is served.
    int status = -1;
    EXPECT_EQ(cw::testing::rawLogin(port, "ann", "pw", "127.0.0.2", &status).size(), 32u);
    EXPECT_EQ(status, 0);

    // A byte a second would keep them for ever under the idle limit alone.
    const auto giveUp = Clock::now() + std::chrono::seconds(60);
    size_t open = drippers.size();
    for (size_t sent = 0; open > 0 && Clock::now() < giveUp; ++sent) {
        for (Dripper &d : drippers) {
            if (d.closedAfter >= 0)
                continue;
            const bool gone = d.client->closedNow() || !d.client->sendBytes(d.drip.substr(sent % d.drip.size(), 1));
            if (gone) {
                d.closedAfter = std::chrono::duration<double>(Clock::now() - d.connectedAt).count();
                --open;
            }
        }
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    for (size_t i = 0; i < drippers.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_GE(drippers[i].closedAfter, deadline - 0.1);
        EXPECT_LT(drippers[i].closedAfter, 40);
    }
    EXPECT_EQ(logCount(QStringLiteral("closed: too many connections from 127.0.0.1")), 4);
    EXPECT_EQ(logCount(QStringLiteral("closed: header deadline passed")), perAddress / 2);
    EXPECT_EQ(logCount(QStringLiteral("closed: body deadline passed")), perAddress / 2);
    EXPECT_EQ(logCount(QStringLiteral("audio upload cut at")), 1);

    // With the drippers gone, the address is served again.
    EXPECT_EQ(cw::testing::rawLogin(port, "ann", "pw", nullptr, &status).size(), 32u);
}

TEST_F(ServiceUnderFaults, AStrangersGuessesDoNotLockTheOwnerOut)
{
    ASSERT_TRUE(service_->start({"--workers", "1"}));
    const int port = service_->port();
    int status = -1;
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(cw::testing::rawLogin(port, "ann", "guess" + std::to_string(i), "127.0.0.2", &status), "");
        EXPECT_EQ(status, 1);
    }
    // The owner, elsewhere, gets in. (How long the stranger's own address
    // waits is the back-off schedule's, tested on a fixed clock: here the
    // service's whole-second clock may tick between any two guesses.)
    EXPECT_EQ(cw::testing::rawLogin(port, "ann", "pw", "127.0.0.1", &status).size(), 32u);
    EXPECT_EQ(status, 0);
}

namespace {

// One job over a bare connection: the final status, or -100 without one.
int32_t runJob(int port, const std::string &session, const std::string &audio, const std::string &text,
               int64_t *resumedAt = nullptr)
{
    RawClient client;
    if (!client.connect(port)
        || !client.sendFrame(6, cw::testing::announcementBody("ann", session, "paid.wav", int64_t(audio.size()),
                                                              cw::testing::md5Hex(audio), "paid.txt",
                                                              cw::testing::md5Hex(text), int64_t(text.size()), 2)))
        return -100;
    const auto accepted = client.readReply();
    if (!accepted || accepted->status != 0)
        return accepted ? accepted->status : -100;
    if (resumedAt)
        *resumedAt = accepted->length;
    if (!client.sendBytes(audio.substr(size_t(accepted->length)) + text))
        return -100;
    const auto reply = client.readFinalReply();
    return reply ? reply->status : -100;
}

std::string balanceOf(int port, const std::string &session)
{
    RawClient client;
    if (!client.connect(port) || !client.sendFrame(10, "{\"session\":\"" + session + "\"}"))
        return {};
    const auto reply = client.readReply();
    return reply && reply->status == 0 ? reply->body : std::string();
}

}  // namespace

TEST_F(ServiceUnderFaults, AChargedResultLostInACrashIsResentWithoutASecondCharge)
{
    // The service charges a job, then sends its result, then drops the
    // upload. A crash in between leaves the upload and a note of the paid
    // job; this recreates that state and retries as the client would.
    const QStringList arguments{"--workers", "1", "--instant-engine"};
    ASSERT_TRUE(service_->start(arguments));
    const std::string session = cw::testing::rawLogin(service_->port(), "ann", "pw");
    ASSERT_EQ(session.size(), 32u);
    const std::string audio =
        std::string(cw::testing::wavHeader16k(64000).constData(), 44) + std::string(64000, '\x01');
    const std::string text = "One.\nTwo.\n";
    ASSERT_EQ(runJob(service_->port(), session, audio, text), 0);
    EXPECT_EQ(balanceOf(service_->port(), session), "598");
    ASSERT_EQ(service_->stop(), 0);

    const QString folder = dir_.filePath(QStringLiteral("spool/1"));  // ann's id
    const QString base = folder + "/" + QString::fromStdString(cw::testing::md5Hex(audio));
    auto leaveCrashState = [&](int64_t paidJob) {
        QDir().mkpath(folder);
        QFile part(base + ".part"), length(base + ".len"), paid(base + ".paid");
        ASSERT_TRUE(part.open(QIODevice::WriteOnly) && length.open(QIODevice::WriteOnly)
                    && paid.open(QIODevice::WriteOnly));
        part.write(audio.data(), qint64(audio.size()));
        length.write(QByteArray::number(qint64(audio.size())) + "\n");
        paid.write(QByteArray::number(qint64(paidJob)) + " " + QByteArray::fromStdString(cw::testing::md5Hex(text)));
    };
    struct Case {
        const char *name;
        int64_t paidJob;
        const char *balanceAfter;
    } cases[] = {
        {"the charge was recorded: sent again for nothing", 1, "598"},
        {"the crash came before the charge: charged now", 999, "596"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        leaveCrashState(c.paidJob);
        ASSERT_TRUE(service_->start(arguments));
        int64_t resumedAt = -1;
        EXPECT_EQ(runJob(service_->port(), session, audio, text, &resumedAt), 0);
        EXPECT_EQ(resumedAt, int64_t(audio.size()));
        EXPECT_EQ(balanceOf(service_->port(), session), c.balanceAfter);
        ASSERT_EQ(service_->stop(), 0);
        EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty()) << QDir(folder).entryList(QDir::Files).join(' ').toStdString();
    }
    EXPECT_TRUE(service_->readLog().contains(QStringLiteral("result resent, paid by job 1")));
}
