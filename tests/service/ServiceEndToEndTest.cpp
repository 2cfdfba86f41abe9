// The real service binary on 127.0.0.1, driven through the real client
// library (and a bare socket for what the library never sends).

#include "ClientJob.h"
#include "RawClient.h"
#include "ResultBlocks.h"
#include "ServiceProcess.h"
#include "SpeechFixture.h"

#include "EngineFactory.h"
#include "LoginBackoff.h"
#include "SqliteAccountStore.h"

#include <voxlink.h>

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextCodec>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <set>
#include <thread>

using cw::testing::RawClient;
using cw::testing::ServiceProcess;

namespace {

struct Result {
    int rc = -1;
    int code = 0;
};

using Block = cw::testing::ResultBlock;

double meanConfidence(const std::vector<Block> &blocks)
{
    double sum = 0;
    for (const Block &block : blocks)
        sum += block.confidence;
    return blocks.empty() ? 0 : sum / double(blocks.size());
}

std::string gbk(const std::string &utf8)
{
    return QTextCodec::codecForName("GBK")->fromUnicode(QString::fromStdString(utf8)).toStdString();
}

std::vector<std::string> splitLines(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

int phaseThreeReports = 0;
int countProgress(void **slot)
{
    const char *text = static_cast<const char *>(*slot);
    const size_t length = std::strlen(text);
    if (length >= 2 && std::strcmp(text + length - 2, ",3") == 0)
        ++phaseThreeReports;
    return 0;
}

class ServiceEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        service_ = std::make_unique<ServiceProcess>(QStringLiteral(CW_SERVICE_BINARY), dir_.path());
    }
    void startService(const QStringList &extra = {QStringLiteral("--workers"), QStringLiteral("2")})
    {
        ASSERT_TRUE(service_->start(extra)) << service_->readLog().toStdString();
    }
    void TearDown() override
    {
        if (service_->running()) {
            EXPECT_EQ(service_->stop(), 0) << "service did not stop cleanly";
        }
    }

    template <class Call>
    Result call(Call &&operation)
    {
        ServiceHandle *handle = subtitle_start("127.0.0.1", unsigned(service_->port()));
        Result result;
        result.rc = operation(handle);
        result.code = errnum;
        subtitle_end(handle);
        return result;
    }
    std::string login(const std::string &user, const std::string &password, int *code = nullptr)
    {
        char *session = nullptr;
        const Result r = call([&](ServiceHandle *h) { return subtitle_login(h, user.c_str(), password.c_str(), &session); });
        if (code)
            *code = r.code;
        std::string text = session ? session : "";
        std::free(session);
        return text;
    }
    std::string balance(const std::string &session, int *code = nullptr)
    {
        char *text = nullptr;
        const Result r = call([&](ServiceHandle *h) { return subtitle_balance(h, session.c_str(), &text); });
        if (code)
            *code = r.code;
        const std::string copy = r.rc == 0 && text ? text : "";
        std::free(text);  // the caller's, past subtitle_end
        return copy;
    }
    std::string costlog(const std::string &session, int *code = nullptr)
    {
        char *text = nullptr;
        const Result r = call([&](ServiceHandle *h) { return subtitle_costlog(h, session.c_str(), 0, 200, &text); });
        if (code)
            *code = r.code;
        const std::string copy = r.rc == 0 && text ? text : "";
        std::free(text);
        return copy;
    }
    // The charge lines of the records, without the starting balance's.
    std::vector<std::string> charges(const std::string &session)
    {
        std::vector<std::string> lines;
        for (const std::string &line : splitLines(costlog(session)))
            if (line.find(",-,") != std::string::npos)
                lines.push_back(line);
        return lines;
    }
    // The charge is recorded just after the result goes out, so it may trail
    // the client's return by a moment.
    std::vector<std::string> settledCharges(const std::string &session)
    {
        for (int attempt = 0; attempt < 500; ++attempt) {
            std::vector<std::string> lines = charges(session);
            if (!lines.empty())
                return lines;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return {};
    }
    // Waits until the service has written `bytes` of a partial upload, so a
    // stop that follows finds them whatever the machine's load.
    bool waitForSpooledBytes(qint64 bytes)
    {
        for (int attempt = 0; attempt < 500; ++attempt) {
            QDirIterator parts(dir_.filePath(QStringLiteral("spool")), {QStringLiteral("*.part")}, QDir::Files,
                               QDirIterator::Subdirectories);
            while (parts.hasNext())
                if (QFileInfo(parts.next()).size() >= bytes)
                    return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    std::string query(const std::string &session, int *code = nullptr)
    {
        std::string copy;
        const Result r = call([&](ServiceHandle *h) {
            char *text = nullptr;
            const int rc = subtitle_query(h, session.c_str(), 0, 200, &text);
            copy = rc == 0 && text ? text : "";
            return rc;
        });
        if (code)
            *code = r.code;
        return copy;
    }
    // Runs one job; `result` receives the text on success.
    Result transcribe(const std::string &user, const std::string &session, const QString &wav, const QString &text,
                      int seconds, std::string *result = nullptr)
    {
        const std::string wavPath = wav.toLocal8Bit().toStdString();
        const std::string textPath = text.toLocal8Bit().toStdString();
        return call([&](ServiceHandle *h) {
            return cw::testing::runClientJob(h, user, session, wavPath, textPath, seconds, countProgress, result);
        });
    }
    bool makeSpeech(cw::testing::SpeechFixture *fixture, QString *wav, QString *transcript)
    {
        const auto sentences = cw::testing::standardSentences();
        std::string error;
        if (!cw::testing::synthesizeSpeech(sentences, cw::testing::standardPauses(sentences.size()), dir_.path(),
                                           fixture, &error)) {
            ADD_FAILURE() << error;
            return false;
        }
        *wav = dir_.filePath(QStringLiteral("talk.wav"));
        *transcript = dir_.filePath(QStringLiteral("talk.txt"));
        QFile text(*transcript);
        if (!cw::testing::writeWav16k(*wav, fixture->samples) || !text.open(QIODevice::WriteOnly))
            return false;
        for (const std::string &line : sentences)
            text.write((line + "\r\n").c_str());
        return true;
    }
    static int wavSeconds(const cw::testing::SpeechFixture &fixture) { return int(fixture.samples.size() / 16000); }
    static long long chargedSeconds(const cw::testing::SpeechFixture &fixture)
    {
        return (static_cast<long long>(fixture.samples.size()) * 2 + 31999) / 32000;
    }

    QTemporaryDir dir_;
    std::unique_ptr<ServiceProcess> service_;
};

}  // namespace

TEST_F(ServiceEndToEnd, AccountOperationsAnswerWithTheirStatuses)
{
    // Recharges over the protocol pay nothing; only an operator's demo allows them.
    startService({QStringLiteral("--initial-balance"), QStringLiteral("600"), QStringLiteral("--allow-recharge")});
    auto regist = [&](const char *user, const char *password) {
        return call([&](ServiceHandle *h) { return subtitle_regist(h, user, password, "ann@example.org"); }).code;
    };
    EXPECT_EQ(regist("ann", "pw"), 42);
    EXPECT_EQ(regist("ann", "other"), 43);
    EXPECT_EQ(regist("not valid", "pw"), 45);

    int code = 0;
    EXPECT_EQ(login("ann", "wrong", &code), "");
    EXPECT_EQ(code, 21);
    EXPECT_EQ(login("nobody", "pw", &code), "");
    EXPECT_EQ(code, 23);
    const std::string session = login("ann", "pw", &code);
    EXPECT_EQ(code, 20);
    ASSERT_EQ(session.size(), 32u);

    EXPECT_EQ(call([&](ServiceHandle *h) { return subtitle_session(h, session.c_str()); }).code, 30);
    EXPECT_EQ(balance(session), "600");
    EXPECT_EQ(costlog(session, &code).substr(19), ",+,0,600\n");  // the starting balance
    EXPECT_EQ(code, 50);
    EXPECT_EQ(query(session, &code), "");
    EXPECT_EQ(code, 47);

    EXPECT_EQ(call([&](ServiceHandle *h) { return subtitle_recharge(h, session.c_str(), "25"); }).code, 38);
    EXPECT_EQ(call([&](ServiceHandle *h) { return subtitle_recharge(h, session.c_str(), "no digits"); }).code, 39);
    EXPECT_EQ(balance(session), "4200");
    const auto records = splitLines(costlog(session));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].substr(19), ",+,25,3600");

    EXPECT_EQ(call([](ServiceHandle *h) { return subtitle_update(h, "ann", "bad", "pw2"); }).code, 27);
    EXPECT_EQ(call([](ServiceHandle *h) { return subtitle_update(h, "ann", "pw", "pw2"); }).code, 26);
    login("ann", "pw", &code);
    EXPECT_EQ(code, 21);
    const std::string second = login("ann", "pw2", &code);
    EXPECT_EQ(code, 20);
    EXPECT_NE(second, session);

    EXPECT_EQ(call([&](ServiceHandle *h) { return subtitle_logout(h, session.c_str()); }).code, 34);
    EXPECT_EQ(call([&](ServiceHandle *h) { return subtitle_logout(h, session.c_str()); }).code, 35);
    EXPECT_EQ(call([&](ServiceHandle *h) { return subtitle_session(h, session.c_str()); }).code, 31);
    EXPECT_EQ(balance(session, &code), "");
    EXPECT_EQ(code, 55);
    EXPECT_EQ(balance(second), "4200");  // the other session lives on

    const QString log = service_->readLog();
    EXPECT_TRUE(log.contains(QStringLiteral("kind=2 user=ann status=0")));
    EXPECT_FALSE(log.contains(QStringLiteral("pw2")));
}

TEST_F(ServiceEndToEnd, AlignmentJobReturnsTimedLinesAndChargesOnce)
{
    ASSERT_TRUE(service_->addUser(QStringLiteral("ann"), QStringLiteral("pw"), 600));
    startService();
    const std::string session = login("ann", "pw");
    cw::testing::SpeechFixture fixture;
    QString wav, transcript;
    ASSERT_TRUE(makeSpeech(&fixture, &wav, &transcript));

    phaseThreeReports = 0;
    std::string text;
    const Result r = transcribe("ann", session, wav, transcript, wavSeconds(fixture), &text);
    ASSERT_EQ(r.rc, 0) << r.code;
    EXPECT_EQ(r.code, 58);
    EXPECT_GE(phaseThreeReports, 1);
    const auto blocks = cw::testing::parseResultBlocks(text);
    ASSERT_EQ(blocks.size(), fixture.sentences.size());
    for (size_t i = 0; i < blocks.size(); ++i) {
        EXPECT_EQ(blocks[i].number, int(i + 1));
        EXPECT_GE(blocks[i].confidence, 0) << i;
        EXPECT_LE(blocks[i].confidence, 100) << i;
        EXPECT_EQ(blocks[i].text, fixture.sentences[i].text);
        EXPECT_NEAR(double(blocks[i].startMs), double(fixture.sentences[i].startMs), 150) << i;
        EXPECT_NEAR(double(blocks[i].endMs), double(fixture.sentences[i].endMs), 150) << i;
    }
    EXPECT_EQ(balance(session), std::to_string(600 - chargedSeconds(fixture)));
    const auto records = settledCharges(session);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].substr(19), ",-,talk.wav," + std::to_string(chargedSeconds(fixture)));
    const auto jobs = splitLines(query(session));
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_NE(jobs[0].find(",talk.wav," + std::to_string(chargedSeconds(fixture)) + ",done"), std::string::npos);
}

TEST_F(ServiceEndToEnd, SrtTranscriptIsAlignedByItsTextsWithConfidence)
{
    // What the program sends when the user aligns an opened subtitle file:
    // the file itself, in GBK with CR LF, its old times still in it.
    ASSERT_TRUE(service_->addUser(QStringLiteral("ann"), QStringLiteral("pw"), 600));
    startService();
    const std::string session = login("ann", "pw");
    cw::testing::SpeechFixture fixture;
    QString wav, plain;
    ASSERT_TRUE(makeSpeech(&fixture, &wav, &plain));
    auto writeSrt = [this](const QString &name, const std::vector<std::string> &texts) {
        std::string srt;
        for (size_t i = 0; i < texts.size(); ++i) {
            if (i != 4)  // one block without its index line
                srt += std::to_string(i + 1) + "\r\n";
            srt += "00:00:0" + std::to_string(i) + ",000 --> 00:00:0" + std::to_string(i) + ",900\r\n";
            std::string text = texts[i];
            const size_t comma = text.find(", ");
            if (i == 2 && comma != std::string::npos)  // one text over two lines
                text.replace(comma, 2, ",\r\n");
            srt += gbk(text) + "\r\n\r\n";
        }
        const QString path = dir_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(srt.data(), qint64(srt.size())) == qint64(srt.size()));
        return path;
    };

    std::vector<std::string> right;
    for (const auto &sentence : fixture.sentences)
        right.push_back(sentence.text);
    right[1] = "<i>" + right[1] + "</i>";  // markup comes back as written
    std::string text;
    Result r = transcribe("ann", session, wav, writeSrt(QStringLiteral("talk.srt"), right), wavSeconds(fixture), &text);
    ASSERT_EQ(r.rc, 0) << r.code;
    const auto matching = cw::testing::parseResultBlocks(text);
    ASSERT_EQ(matching.size(), right.size()) << text;
    for (size_t i = 0; i < matching.size(); ++i) {
        EXPECT_EQ(matching[i].number, int(i + 1));
        EXPECT_EQ(matching[i].text, right[i]);
        EXPECT_GE(matching[i].confidence, 0) << i;
        EXPECT_LE(matching[i].confidence, 100) << i;
        EXPECT_NEAR(double(matching[i].startMs), double(fixture.sentences[i].startMs), 150) << i;
        EXPECT_NEAR(double(matching[i].endMs), double(fixture.sentences[i].endMs), 150) << i;
    }

    const std::vector<std::string> wrong = {
        "A small dog followed them from the market.", "Please remember to close the kitchen door.",
        "The committee will meet again on Thursday.", "He said the train was late because of snow.",
        "The old library has a thousand books about the sea.", "They finished the painting just before dinner.",
        "Nobody expected the bridge to open so soon.", "She folded the letter twice.",
        "We walked along the harbour in the evening.", "谢谢大家。"};
    r = transcribe("ann", session, wav, writeSrt(QStringLiteral("other.srt"), wrong), wavSeconds(fixture), &text);
    ASSERT_EQ(r.rc, 0) << r.code;
    const auto mismatched = cw::testing::parseResultBlocks(text);
    ASSERT_EQ(mismatched.size(), wrong.size()) << text;
    for (size_t i = 0; i < mismatched.size(); ++i) {
        EXPECT_EQ(mismatched[i].text, gbk(wrong[i]));
        EXPECT_GE(mismatched[i].confidence, 0) << i;
        EXPECT_LE(mismatched[i].confidence, 100) << i;
    }
    EXPECT_LT(meanConfidence(mismatched) + 20, meanConfidence(matching))
        << meanConfidence(mismatched) << " vs " << meanConfidence(matching);
}

TEST_F(ServiceEndToEnd, RefusedJobsCostNothing)
{
    ASSERT_TRUE(service_->addUser(QStringLiteral("ann"), QStringLiteral("pw"), 600));
    ASSERT_TRUE(service_->addUser(QStringLiteral("poor"), QStringLiteral("pw"), 5));
    startService();
    cw::testing::SpeechFixture fixture;
    QString wav, transcript;
    ASSERT_TRUE(makeSpeech(&fixture, &wav, &transcript));

    const std::string poor = login("poor", "pw");
    EXPECT_EQ(transcribe("poor", poor, wav, transcript, wavSeconds(fixture)).code, 74);
    EXPECT_EQ(balance(poor), "5");

    const std::string ann = login("ann", "pw");
    // A session of another user, and a made-up one.
    EXPECT_EQ(transcribe("poor", ann, wav, transcript, wavSeconds(fixture)).code, 13);
    EXPECT_EQ(transcribe("ann", "0123456789abcdef0123456789abcdef", wav, transcript, wavSeconds(fixture)).code, 13);
    // Not a WAV the engines take.
    const QString stereo = dir_.filePath(QStringLiteral("stereo.wav"));
    QFile::copy(wav, stereo);
    QFile file(stereo);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.seek(22);
    file.write("\x02\x00", 2);
    file.close();
    EXPECT_EQ(transcribe("ann", ann, stereo, transcript, wavSeconds(fixture)).code, 69);
    EXPECT_EQ(balance(ann), "600");
    EXPECT_TRUE(charges(ann).empty());
}

TEST_F(ServiceEndToEnd, RecognitionJobIsChargedOnlyWithAResult)
{
    ASSERT_TRUE(service_->addUser(QStringLiteral("ann"), QStringLiteral("pw"), 600));
    startService();
    cw::testing::SpeechFixture fixture;
    QString wav, transcript;
    ASSERT_TRUE(makeSpeech(&fixture, &wav, &transcript));
    const std::string session = login("ann", "pw");
    std::string text;
    const Result r = transcribe("ann", session, wav, QString(), wavSeconds(fixture), &text);
    if (!cw::service::makeRecognizer()) {
        // Without a recognizer the upload is taken, then refused as an engine error.
        EXPECT_EQ(r.code, 69);
        EXPECT_EQ(balance(session), "600");
        EXPECT_TRUE(charges(session).empty());
        return;
    }
    ASSERT_EQ(r.rc, 0) << r.code;
    const auto blocks = cw::testing::parseResultBlocks(text);
    ASSERT_FALSE(blocks.empty());
    for (size_t i = 0; i < blocks.size(); ++i) {
        EXPECT_EQ(blocks[i].number, int(i + 1));
        EXPECT_GE(blocks[i].confidence, 0) << i;
        EXPECT_LE(blocks[i].confidence, 100) << i;
        EXPECT_LT(blocks[i].startMs, blocks[i].endMs);
        EXPECT_FALSE(blocks[i].text.empty());
    }
    EXPECT_EQ(balance(session), std::to_string(600 - chargedSeconds(fixture)));
}

TEST_F(ServiceEndToEnd, CutUploadResumesAcrossARestartAndAKill)
{
    ASSERT_TRUE(service_->addUser(QStringLiteral("ann"), QStringLiteral("pw"), 600));
    startService();
    const std::string session = login("ann", "pw");
    cw::testing::SpeechFixture fixture;
    QString wav, transcript;
    ASSERT_TRUE(makeSpeech(&fixture, &wav, &transcript));
    const std::string audio = cw::testing::readFileBytes(wav.toStdString());
    const std::string text = cw::testing::readFileBytes(transcript.toStdString());
    const std::string announcement = cw::testing::announcementBody(
        "ann", session, "talk.wav", int64_t(audio.size()), cw::testing::md5Hex(audio), "talk.txt",
        cw::testing::md5Hex(text), int64_t(text.size()), wavSeconds(fixture));
    auto announce = [&](RawClient &client, int receiveTimeoutMs = 30000) -> int {
        if (!client.connect(service_->port(), receiveTimeoutMs) || !client.sendFrame(6, announcement))
            return -1;
        const auto reply = client.readReply();
        if (!reply || reply->kind != 106 || reply->status != 0 || reply->hasBody != 0)
            return -1;
        return reply->length;
    };

    const size_t firstCut = audio.size() / 3;
    {
        RawClient client;
        ASSERT_EQ(announce(client), 0);
        ASSERT_TRUE(client.sendBytes(audio.substr(0, firstCut)));
    }
    const size_t more = 1000;
    {
        // Stopped while this upload is still open: what arrived is kept.
        RawClient client;
        EXPECT_EQ(announce(client, 300), int(firstCut));
        ASSERT_TRUE(client.sendBytes(audio.substr(firstCut, more)));
        ASSERT_TRUE(waitForSpooledBytes(qint64(firstCut + more)));
        ASSERT_EQ(service_->stop(), 0);
    }

    // Restart: accounts, balance and the partial upload are still there.
    startService();
    EXPECT_EQ(balance(session), "600");
    {
        RawClient client;
        ASSERT_EQ(announce(client, 300), int(firstCut + more));
        ASSERT_TRUE(client.sendBytes(audio.substr(firstCut + more, firstCut)));
        // Killed while the connection is still open: only synced bytes count.
        client.readReply();  // nothing comes within 300 ms; the bytes arrive meanwhile
        service_->kill();
    }
    startService();
    int resumed = -1;
    {
        RawClient client;
        resumed = announce(client);
    }
    EXPECT_GE(resumed, int(firstCut + more));
    EXPECT_LE(resumed, int(2 * firstCut + more));

    std::string result;
    const Result r = transcribe("ann", session, wav, transcript, wavSeconds(fixture), &result);
    ASSERT_EQ(r.rc, 0) << r.code;
    EXPECT_EQ(cw::testing::parseResultBlocks(result).size(), fixture.sentences.size());
    EXPECT_EQ(balance(session), std::to_string(600 - chargedSeconds(fixture)));
    ASSERT_EQ(settledCharges(session).size(), 1u);  // the job is marked done with its charge
    const auto jobs = splitLines(query(session));
    ASSERT_GE(jobs.size(), 2u);
    EXPECT_NE(jobs.back().find(",done"), std::string::npos);
    EXPECT_NE(jobs.front().find(",interrupted"), std::string::npos);
}

TEST_F(ServiceEndToEnd, ASecondServiceOnTheSameDataFolderIsRefused)
{
    // Started twice by mistake, the second would give back the holds of the
    // first one's running jobs at its start, and those jobs would go uncharged.
    startService();
    ServiceProcess second(QStringLiteral(CW_SERVICE_BINARY), dir_.path());
    EXPECT_FALSE(second.start());
    EXPECT_FALSE(second.running());
    EXPECT_TRUE(service_->readLog().contains(QStringLiteral("another cuewright-service is using")));
    EXPECT_EQ(call([](ServiceHandle *h) { return subtitle_regist(h, "ann", "pw", ""); }).code, 42);

    // Once the first has stopped, the folder is free again.
    ASSERT_EQ(service_->stop(), 0);
    startService();
}

TEST_F(ServiceEndToEnd, HostileFramesNeverStopTheService)
{
    startService();
    ASSERT_EQ(call([](ServiceHandle *h) { return subtitle_regist(h, "ann", "pw", ""); }).code, 42);

    // A peer that sends half a header and then nothing must not hold up anyone.
    RawClient staller;
    ASSERT_TRUE(staller.connect(service_->port()));
    ASSERT_TRUE(staller.sendBytes(std::string("\xbb\x1b\x00\x00\x01", 5)));

    std::string deep(1 << 19, '[');
    deep += std::string(1 << 19, ']');
    deep.resize((1 << 20) - 1);
    struct Case {
        const char *name;
        std::function<bool(RawClient &)> send;
        int expectedStatus;  // -100: the service closes without a reply
    } cases[] = {
        {"bad magic", [](RawClient &c) { return c.sendFrame(2, "{}", 7098); }, -100},
        {"bad version", [](RawClient &c) { return c.sendFrame(2, "{}", 7099, 3); }, -100},
        {"unknown kind", [](RawClient &c) { return c.sendFrame(11, "{}"); }, -100},
        {"reply kind as request", [](RawClient &c) { return c.sendFrame(102, "{}"); }, -100},
        {"negative length", [](RawClient &c) { return c.sendHeader(2, 1, -1); }, 1},
        {"body over 1 MiB", [](RawClient &c) { return c.sendHeader(6, 1, (1 << 20) + 1); }, 3},
        {"body over 1 MiB, sent anyway",
         [](RawClient &c) { return c.sendHeader(2, 1, 4 << 20) && c.sendBytes(std::string(3 << 20, '{')); }, 1},
        {"broken JSON", [](RawClient &c) { return c.sendFrame(2, "{\"username\": \"ann\", "); }, 1},
        {"missing member", [](RawClient &c) { return c.sendFrame(1, "{\"username\": \"bob\"}"); }, 3},
        {"wrong types", [](RawClient &c) { return c.sendFrame(10, "{\"session\": 12}"); }, 1},
        {"no body", [](RawClient &c) { return c.sendHeader(5, 0, 0); }, 1},
        {"deep nesting", [&deep](RawClient &c) { return c.sendFrame(9, deep); }, 1},
        {"bad announcement", [](RawClient &c) { return c.sendFrame(6, "{\"audio_size\": -1}"); }, 3},
        {"random bytes", [](RawClient &c) { return c.sendBytes(std::string(24, '\x7f')); }, -100},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RawClient client;
        ASSERT_TRUE(client.connect(service_->port(), 10000));
        ASSERT_TRUE(c.send(client));
        if (c.expectedStatus == -100) {
            EXPECT_TRUE(client.closedByPeer());
            continue;
        }
        const auto reply = client.readReply();
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, c.expectedStatus);
    }
    // A body announced longer than what is sent, then a hang-up.
    {
        RawClient client;
        ASSERT_TRUE(client.connect(service_->port()));
        ASSERT_TRUE(client.sendHeader(2, 1, 1000));
        ASSERT_TRUE(client.sendBytes("{\"user"));
    }
    int code = 0;
    EXPECT_EQ(login("ann", "pw", &code).size(), 32u);
    EXPECT_EQ(code, 20);
    EXPECT_TRUE(service_->running());
}

TEST_F(ServiceEndToEnd, WavChunkSizesNearFourGiBFailTheJobAndTheServiceStillStops)
{
    // Such a size once wrapped the chunk walk back onto the same chunk: the
    // connection spun forever and the service could no longer be stopped.
    ASSERT_TRUE(service_->addUser(QStringLiteral("ann"), QStringLiteral("pw"), 600));
    startService();
    const std::string session = login("ann", "pw");
    auto le32 = [](uint32_t value) {
        std::string bytes;
        for (int i = 0; i < 4; ++i)
            bytes += char((value >> (8 * i)) & 0xff);
        return bytes;
    };
    for (const uint32_t size : {0xFFFFFFF8u, 0xFFFFFFF7u}) {
        SCOPED_TRACE(size);
        std::string wav = "RIFF" + le32(0) + "WAVE" + "fmt " + le32(16);
        wav += std::string("\x01\x00\x01\x00", 4) + le32(16000) + le32(32000) + std::string("\x02\x00\x10\x00", 4);
        wav += "junk" + le32(size) + std::string(64, '\0');
        wav += "data" + le32(32000) + std::string(32000, '\x11');
        RawClient client;
        ASSERT_TRUE(client.connect(service_->port(), 20000));
        ASSERT_TRUE(client.sendFrame(6, cw::testing::announcementBody("ann", session, "crafted.wav", int64_t(wav.size()),
                                                                      cw::testing::md5Hex(wav), "", "", 0, 1)));
        const auto accepted = client.readReply();
        ASSERT_TRUE(accepted);
        ASSERT_EQ(accepted->status, 0);
        ASSERT_TRUE(client.sendBytes(wav));
        const auto verdict = client.readReply();
        ASSERT_TRUE(verdict) << "no reply to the upload";
        EXPECT_EQ(verdict->kind, 106);
        EXPECT_EQ(verdict->status, -2);  // an engine error: the file is not a usable WAV
    }
    EXPECT_EQ(balance(session), "600");
    const auto jobs = splitLines(query(session));
    ASSERT_EQ(jobs.size(), 2u);
    for (const std::string &job : jobs)
        EXPECT_NE(job.find(",rejected"), std::string::npos) << job;
    EXPECT_EQ(service_->stop(), 0);
}

TEST_F(ServiceEndToEnd, FortyClientsAtOnce)
{
    startService({QStringLiteral("--workers"), QStringLiteral("2"), QStringLiteral("--allow-recharge")});
    std::atomic<int> succeeded{0};
    std::vector<std::thread> clients;
    for (int i = 0; i < 40; ++i)
        clients.emplace_back([this, i, &succeeded] {
            const std::string user = "user" + std::to_string(i);
            auto open = [this] { return subtitle_start("127.0.0.1", unsigned(service_->port())); };
            ServiceHandle *h = open();
            const bool registered = subtitle_regist(h, user.c_str(), "pw", "") == 0;
            subtitle_end(h);
            char *session = nullptr;
            h = open();
            const bool loggedIn = subtitle_login(h, user.c_str(), "pw", &session) == 0 && session;
            subtitle_end(h);
            if (!registered || !loggedIn)
                return;
            h = open();
            const bool recharged = subtitle_recharge(h, session, "10") == 0;
            subtitle_end(h);
            char *text = nullptr;
            h = open();
            const bool balanced = subtitle_balance(h, session, &text) == 0 && text && std::string(text) == "2040";
            subtitle_end(h);
            std::free(text);
            h = open();
            const bool loggedOut = subtitle_logout(h, session) == 0;
            subtitle_end(h);
            std::free(session);
            if (recharged && balanced && loggedOut)
                ++succeeded;
        });
    for (std::thread &client : clients)
        client.join();
    EXPECT_EQ(succeeded.load(), 40);
}

TEST_F(ServiceEndToEnd, LogInsSentTogetherAreJudgedAsIfSentOneByOne)
{
    // The program logs in on several connections per user at once (balance,
    // records, jobs, batch): every right password gets in. Guesses sent at
    // once are all counted all the same, and the account goes into back-off.
    ASSERT_TRUE(service_->addUser(QStringLiteral("ann"), QStringLiteral("pw"), 600));
    ASSERT_TRUE(service_->addUser(QStringLiteral("bob"), QStringLiteral("pw"), 600));
    startService();
    // The sessions handed out; empty where the log-in failed. (The library's
    // error code is one global, so it says nothing here.)
    auto together = [this](const char *user, const char *password, int count) {
        std::vector<std::string> sessions(static_cast<size_t>(count));
        std::vector<std::thread> threads;
        for (int i = 0; i < count; ++i)
            threads.emplace_back([&, i] {
                char *session = nullptr;
                ServiceHandle *h = subtitle_start("127.0.0.1", unsigned(service_->port()));
                if (subtitle_login(h, user, password, &session) == 0 && session)
                    sessions[size_t(i)] = session;
                subtitle_end(h);
                std::free(session);
            });
        for (std::thread &thread : threads)
            thread.join();
        return sessions;
    };

    const auto right = together("ann", "pw", 40);
    const std::set<std::string> distinct(right.begin(), right.end());
    EXPECT_EQ(std::count(right.begin(), right.end(), std::string()), 0) << "right passwords refused";
    EXPECT_EQ(distinct.size(), right.size());

    const auto guesses = together("bob", "guess", 20);
    EXPECT_EQ(std::count(guesses.begin(), guesses.end(), std::string()), 20) << "guesses let in";
    ASSERT_EQ(service_->stop(), 0);
    std::string error;
    auto store = cw::service::SqliteAccountStore::open(dir_.filePath(QStringLiteral("accounts.sqlite")).toStdString(),
                                                       &error);
    ASSERT_TRUE(store) << error;
    cw::service::UserRow ann, bob;
    ASSERT_EQ(store->findUser("ann", &ann), cw::service::StoreResult::Ok);
    ASSERT_EQ(store->findUser("bob", &bob), cw::service::StoreResult::Ok);
    EXPECT_EQ(ann.failedLogins, 0);
    // The free failures were checked; the later guesses met the back-off.
    // (A guess that reaches the service a second after the fifth failure, on
    // a loaded machine, is rightly checked too: the exact count is the store
    // test's, on a fixed clock.)
    EXPECT_GE(bob.failedLogins, cw::service::LoginBackoff::kFreeFailures);
    EXPECT_LE(bob.failedLogins, cw::service::LoginBackoff::kFreeFailures + 2);
}
