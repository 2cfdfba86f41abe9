// The transcription job against the fake service.
#include <gtest/gtest.h>

#include <openssl/evp.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "FakeService.h"
#include "voxlink.h"
#include "wait_bounds.h"

namespace {

// The program's pattern: the slot first, its own context after it.
struct ProgressRecorder {
    void *slot = nullptr;
    std::vector<std::string> texts;
};

int recordProgress(void **slot)
{
    auto *recorder = reinterpret_cast<ProgressRecorder *>(slot);
    recorder->texts.push_back(static_cast<const char *>(*slot));
    return 0;
}

std::string md5Hex(const std::string &bytes)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_md5(), nullptr);
    char hex[33];
    for (unsigned i = 0; i < 16; ++i)
        snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    return hex;
}

std::string pattern(size_t n, int seed)
{
    std::string out(n, '\0');
    for (size_t i = 0; i < n; ++i)
        out[i] = static_cast<char>((i * 31 + seed) & 0xff);
    return out;
}

class TranscriptionTest : public testing::Test {
public:
    void SetUp() override
    {
        // Generous for a loaded machine; the time-out tests shorten them.
        const VxWaitBounds bounds = {5000, 5000, 5000, 5000, 60000};
        voxlink_set_wait_bounds_for_tests(&bounds);
        char folder[] = "/tmp/voxlink-job-XXXXXX";
        folder_ = mkdtemp(folder);
        reset();
    }

    // The ordinary job: a small audio file, a transcript, a full info record.
    void reset()
    {
        audio_ = pattern(2500, 1);
        transcript_ = "line one\r\nline two\r\n";
        audioPath_ = write("lecture 01.wav", audio_);
        textPath_ = write("lecture 01.txt", transcript_);
        info_.duration = 3725;
        info_.type = "lecture 01.mp4";
        info_.size = 123456789;
        info_.source_finger = "0123456789abcdef0123456789abcdef";
        info_.progress_slot = &progress_.slot;
        info_.progress = recordProgress;
    }

    void TearDown() override
    {
        voxlink_set_wait_bounds_for_tests(nullptr);
        std::string command = "rm -rf '" + folder_ + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }

    std::string write(const std::string &name, const std::string &content)
    {
        const std::string path = folder_ + "/" + name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    // Runs subtitle_audio on a fresh handle; the result text is copied out.
    int run(unsigned port, const char *textPath, std::string *result = nullptr)
    {
        ServiceHandle *h = subtitle_start("127.0.0.1", port);
        char *text = reinterpret_cast<char *>(1);
        int rc = subtitle_audio(h, "user", "sess", audioPath_.c_str(), textPath, &info_, &text);
        if (rc == 0 && result)
            *result = text ? text : "<null>";
        if (rc != 0) {
            EXPECT_EQ(text, nullptr);
        }
        subtitle_end(h);
        return rc;
    }

    std::string folder_, audio_, transcript_, audioPath_, textPath_;
    TranscriptionInfo info_{};
    ProgressRecorder progress_;
};

// The service side of a whole job: announcement, resume offset, uploads, then replies.
FakeService::Script serviceJob(uint32_t offset, size_t audioBytes, size_t textBytes,
                               std::vector<std::string> replies)
{
    return [=](FakeConnection &c) {
        c.readFrame();
        c.send(encodeFrame(106, 0, 0, offset));
        c.readExactly(audioBytes);
        c.readExactly(textBytes);
        for (const auto &reply : replies)
            c.send(reply);
    };
}

TEST_F(TranscriptionTest, AnnouncementCarriesEveryMemberInOrder)
{
    FakeService service({serviceJob(0, audio_.size(), transcript_.size(), {replyFrame(106, 0, "srt")})});
    ASSERT_EQ(run(service.port(), textPath_.c_str()), 0);
    const std::string received = service.finish()[0];
    const std::string body =
        "{\n\t\"username\":\t\"user\",\n\t\"session\":\t\"sess\",\n\t\"filename\":\t\"lecture 01.wav\",\n"
        "\t\"audio_size\":\t2500,\n\t\"fingerprint\":\t\"" + md5Hex(audio_) + "\",\n"
        "\t\"type\":\t\"lecture 01.mp4\",\n\t\"size\":\t123456789,\n"
        "\t\"source_finger\":\t\"0123456789abcdef0123456789abcdef\",\n"
        "\t\"textname\":\t\"lecture 01.txt\",\n\t\"text_finger\":\t\"" + md5Hex(transcript_) + "\",\n"
        "\t\"text_size\":\t" + std::to_string(transcript_.size()) + ",\n"
        "\t\"duration\":\t\"1:2:5\",\n\t\"hours\":\t1,\n\t\"minutes\":\t2,\n\t\"seconds\":\t5\n}";
    const std::string announcement = encodeFrame(6, 0, 1, static_cast<uint32_t>(body.size()), body);
    EXPECT_EQ(received, announcement + audio_ + transcript_);
}

TEST_F(TranscriptionTest, WithoutTranscriptOrDescriptionsTheDefaultsAreSent)
{
    info_.type = nullptr;
    info_.source_finger = nullptr;
    info_.duration = 59;
    FakeService service({serviceJob(0, audio_.size(), 0, {replyFrame(106, 0, "srt")})});
    ASSERT_EQ(run(service.port(), nullptr), 0);
    const std::string received = service.finish()[0];
    for (const char *member : {"\t\"type\":\t\"unknown\",\n", "\t\"source_finger\":\t\"unknown\",\n",
                               "\t\"textname\":\t\"\",\n", "\t\"text_finger\":\t\"\",\n",
                               "\t\"text_size\":\t0,\n", "\t\"duration\":\t\"0:0:59\",\n"})
        EXPECT_NE(received.find(member), std::string::npos) << member;
}

struct ResumeCase {
    const char *name;
    uint32_t offset;
    bool withTranscript;
    std::vector<std::string> progress;
};

TEST_F(TranscriptionTest, UploadStartsAtTheResumeOffsetAndReportsEachPiece)
{
    const std::vector<std::string> finish = {"1,1,4"};
    const ResumeCase cases[] = {
        {"from the start", 0, false, {"2500, 1024,1", "2500, 2048,1", "2500, 2500,1", "1,1,4"}},
        {"partial", 1000, false, {"1500, 1024,1", "1500, 1500,1", "1,1,4"}},
        {"service holds it all, transcript still sent", 2500, true, {"20, 20,2", "1,1,4"}},
        {"audio and transcript", 2000, true, {"500, 500,1", "20, 20,2", "1,1,4"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        progress_.texts.clear();
        const size_t textBytes = c.withTranscript ? transcript_.size() : 0;
        FakeService service({serviceJob(c.offset, audio_.size() - c.offset, textBytes,
                                        {replyFrame(106, 0, "result")})});
        std::string result;
        ASSERT_EQ(run(service.port(), c.withTranscript ? textPath_.c_str() : nullptr, &result), 0);
        EXPECT_EQ(errnum, 58);
        EXPECT_EQ(result, "result");
        EXPECT_EQ(progress_.texts, c.progress);
        const std::string received = service.finish()[0];
        const std::string expectedTail = audio_.substr(c.offset) + (c.withTranscript ? transcript_ : "");
        ASSERT_GE(received.size(), expectedTail.size());
        EXPECT_EQ(received.substr(received.size() - expectedTail.size()), expectedTail);
    }
}

TEST_F(TranscriptionTest, ServiceProgressIsPassedOnUntilTheFinalReply)
{
    FakeService service({serviceJob(2500, 0, 0,
                                    {replyFrame(106, -1, "10,100"), encodeFrame(106, -1, 1, 0),
                                     replyFrame(999, -1, "55,100"), replyFrame(106, 0, "1\r\n00:00:01,000 --> 00:00:02,000\r\nhi\r\n")})});
    std::string result;
    ASSERT_EQ(run(service.port(), nullptr, &result), 0);
    EXPECT_EQ(errnum, 58);
    EXPECT_EQ(result, "1\r\n00:00:01,000 --> 00:00:02,000\r\nhi\r\n");
    EXPECT_EQ(progress_.texts, (std::vector<std::string>{"10,100,3", "55,100,3", "1,1,4"}));
}

struct OutcomeCase {
    const char *name;
    std::string announceReply;
    std::vector<std::string> replies;
    int code;
};

TEST_F(TranscriptionTest, EveryFailureOfTheJobHasItsCode)
{
    const std::string resumeAll = encodeFrame(106, 0, 0, 2500);
    const OutcomeCase cases[] = {
        {"progress without body flag", resumeAll, {encodeFrame(106, -1, 0, 0)}, 67},
        {"progress with unknown body flag", resumeAll, {encodeFrame(106, -1, 2, 2, "ab")}, 68},
        {"final reply of length 0", resumeAll, {encodeFrame(106, 0, 1, 0)}, 16},
        {"final reply without body", resumeAll, {encodeFrame(106, 0, 0, 7)}, 16},
        {"engine processing", resumeAll, {replyFrame(106, -2, "")}, 69},
        {"engine write", resumeAll, {replyFrame(106, -3, "")}, 70},
        {"engine disk", resumeAll, {replyFrame(106, -4, "")}, 71},
        {"engine timeout", resumeAll, {replyFrame(106, -5, "")}, 72},
        {"engine unknown", resumeAll, {replyFrame(106, 5, "")}, 73},
        {"hostile final length", resumeAll, {encodeFrame(106, 0, 1, 0x80000000u)}, 4},
        {"closed before the final reply", resumeAll, {}, 11},
        {"balance too low", encodeFrame(106, 300, 0, 0), {}, 74},
        {"announcement refused", encodeFrame(106, 1, 0, 0), {}, 13},
        {"announcement answered by another kind", encodeFrame(102, 0, 0, 0), {}, 14},
        {"resume offset beyond the file", encodeFrame(106, 0, 0, 2501), {}, 15},
        {"hostile announcement reply", encodeFrame(106, 0, 1, 0xfffffff0u), {}, 4},
        {"final reply with a wrong magic", resumeAll, {replyFrame(106, 0, "srt").replace(0, 1, "\x02")}, 14},
        {"announcement reply of another version", encodeFrame(106, 0, 0, 2500).replace(4, 1, "\x09"), {}, 14},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        progress_.texts.clear();
        FakeService service({[&](FakeConnection &conn) {
            conn.readFrame();
            conn.send(c.announceReply);
            for (const auto &reply : c.replies)
                conn.send(reply);
        }});
        errnum = 0;
        EXPECT_EQ(run(service.port(), nullptr), -1);
        EXPECT_EQ(errnum, c.code);
        EXPECT_TRUE(progress_.texts.empty());
    }
}

TEST_F(TranscriptionTest, SilentServiceTimesOutAsAReadFailure)
{
    const VxWaitBounds quickReceive = {5000, 5000, 100, 5000, 60000};
    voxlink_set_wait_bounds_for_tests(&quickReceive);
    FakeService service({[](FakeConnection &c) {
        c.readFrame();
        c.send(encodeFrame(106, 0, 0, 2500));
        c.waitForRelease();
    }});
    EXPECT_EQ(run(service.port(), nullptr), -1);
    EXPECT_EQ(errnum, 11);
}

// A service that never finishes, however it keeps each wait alive, cannot hold
// the caller past the job's overall limit (here 300 ms for 0 s of audio).
TEST_F(TranscriptionTest, AServiceThatNeverFinishesHitsTheOverallLimit)
{
    const VxWaitBounds shortJob = {5000, 5000, 2000, 5000, 300};
    voxlink_set_wait_bounds_for_tests(&shortJob);
    info_.duration = 0;
    const std::string resumeAll = encodeFrame(106, 0, 0, 2500);
    const std::pair<const char *, FakeService::Script> services[] = {
        {"endless progress", [&](FakeConnection &c) {
             c.readFrame();
             c.send(resumeAll);
             for (int i = 0; i < 200 && c.received().size() < 1u << 20; ++i) {
                 c.send(replyFrame(106, -1, "1,100"));
                 usleep(20000);
             }
         }},
        {"a byte at a time", [&](FakeConnection &c) {
             c.readFrame();
             c.send(resumeAll);
             const std::string reply = replyFrame(106, 0, std::string(400, 'x'));
             for (size_t i = 0; i < reply.size(); ++i) {
                 c.send(reply.substr(i, 1));
                 usleep(20000);
             }
         }},
    };
    for (const auto &service : services) {
        SCOPED_TRACE(service.first);
        FakeService fake({service.second});
        errnum = 0;
        EXPECT_EQ(run(fake.port(), nullptr), -1);
        EXPECT_EQ(errnum, 66);
    }
}

TEST(TranscriptionLimit, GrowsWithTheAudioAndNeverOverflows)
{
    voxlink_set_wait_bounds_for_tests(nullptr);
    const int64_t now = vx_monotonic_ms();
    const int64_t hour = vx_job_deadline(0) - now;
    EXPECT_GE(hour, 3600 * 1000);
    EXPECT_LT(hour, 3600 * 1000 + 1000);
    EXPECT_NEAR(static_cast<double>(vx_job_deadline(600) - now), 3600e3 + 1800e3, 1000);
    EXPECT_NEAR(static_cast<double>(vx_job_deadline(-5) - now), 3600e3, 1000);
    EXPECT_GT(vx_job_deadline(INT32_MAX), now);
    EXPECT_EQ(vx_wait_within(500, VX_NO_DEADLINE), 500);
    EXPECT_EQ(vx_wait_within(500, now - 1), -1);
    EXPECT_LE(vx_wait_within(500, vx_monotonic_ms() + 100), 100);
}

TEST_F(TranscriptionTest, MissingAudioFileIsCode9AfterConnecting)
{
    audioPath_ = folder_ + "/missing.wav";
    FakeService service({[](FakeConnection &) {}});
    EXPECT_EQ(run(service.port(), nullptr), -1);
    EXPECT_EQ(errnum, 9);
}

TEST_F(TranscriptionTest, RefusedConnectionIsCode5)
{
    EXPECT_EQ(run(closedPort(), nullptr), -1);
    EXPECT_EQ(errnum, 5);
}

struct RefusalCase {
    const char *name;
    std::function<void(TranscriptionTest &)> prepare;
    bool withTranscript;
    const char *printed;
};

TEST_F(TranscriptionTest, RefusedInputsNeverConnectOrTouchErrnum)
{
    const std::string longName(128, 'n');
    const std::string longPath = "/" + std::string(255, 'p');
    const RefusalCase cases[] = {
        {"empty audio", [](TranscriptionTest &t) { t.audioPath_ = t.write("empty.wav", ""); }, false,
         "audio file too little\n"},
        {"empty transcript", [](TranscriptionTest &t) { t.textPath_ = t.write("empty.txt", ""); }, true,
         "text file too little\n"},
        {"missing transcript", [](TranscriptionTest &t) { t.textPath_ = t.folder_ + "/none.txt"; }, true,
         "text file too little\n"},
        {"audio path too long", [&](TranscriptionTest &t) { t.audioPath_ = longPath; }, false, "param error\n"},
        {"transcript path too long", [&](TranscriptionTest &t) { t.textPath_ = longPath; }, true, "param error\n"},
        {"type too long", [&](TranscriptionTest &t) { t.info_.type = longName.c_str(); }, false, "param error\n"},
        {"source finger too long", [&](TranscriptionTest &t) { t.info_.source_finger = longName.c_str(); }, false,
         "param error\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        reset();
        c.prepare(*this);
        FakeService service({[](FakeConnection &) {}});
        errnum = 4242;
        testing::internal::CaptureStdout();
        EXPECT_EQ(run(service.port(), c.withTranscript ? textPath_.c_str() : nullptr), -1);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed);
        EXPECT_EQ(errnum, 4242);
        service.finish();
        EXPECT_EQ(service.accepted(), 0);
    }
}

TEST_F(TranscriptionTest, LongestNamesThatFitAreSentWhole)
{
    const std::string user(127, 'u');
    FakeService service({serviceJob(2500, 0, 0, {replyFrame(106, 0, "ok")})});
    ServiceHandle *h = subtitle_start("127.0.0.1", service.port());
    char *result = nullptr;
    ASSERT_EQ(subtitle_audio(h, user.c_str(), user.c_str(), audioPath_.c_str(), nullptr, &info_, &result), 0);
    subtitle_end(h);
    EXPECT_NE(service.finish()[0].find("\"username\":\t\"" + user + "\""), std::string::npos);
}

// A peer that goes away while the library streams: the job fails with the
// phase's code and the process lives on (no SIGPIPE).
TEST_F(TranscriptionTest, PeerClosingMidUploadFailsThePhase)
{
    const std::string big = pattern(8 * 1024 * 1024, 7);
    audioPath_ = write("big.wav", big);
    textPath_ = write("big.txt", big);
    struct Case { const char *name; uint32_t offset; bool withTranscript; bool halfCloseFirst; int code; };
    const Case cases[] = {
        {"while streaming audio", 0, false, false, 63},
        {"while streaming the transcript", static_cast<uint32_t>(big.size()), true, false, 64},
        // A reset after the peer's FIN is reported as EPIPE: the SIGPIPE case.
        {"after a half close, audio", 0, false, true, 63},
        {"after a half close, transcript", static_cast<uint32_t>(big.size()), true, true, 64},
    };
    // Whatever the embedding program does with SIGPIPE, the library must not raise it.
    struct sigaction previous {};
    struct sigaction fatal {};
    fatal.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &fatal, &previous);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        // A tiny receive buffer keeps the library sending when the peer leaves.
        FakeService service({[&](FakeConnection &conn) {
            conn.readFrame();
            conn.send(encodeFrame(106, 0, 0, c.offset));
            if (c.halfCloseFirst)
                conn.shutdownWrite();
            conn.readExactly(4096);
            conn.closeWithReset();
        }}, 4096);
        testing::internal::CaptureStderr();
        EXPECT_EQ(run(service.port(), c.withTranscript ? textPath_.c_str() : nullptr), -1);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(errnum, c.code);
        EXPECT_EQ(err.rfind("send data error: ", 0), 0u) << err;
    }
    sigaction(SIGPIPE, &previous, nullptr);
}

TEST_F(TranscriptionTest, StalledUploadTimesOut)
{
    const VxWaitBounds quickStream = {5000, 5000, 5000, 100, 60000};
    voxlink_set_wait_bounds_for_tests(&quickStream);
    const std::string big = pattern(8 * 1024 * 1024, 9);
    audioPath_ = write("big.wav", big);
    FakeService service({[](FakeConnection &conn) {
        conn.readFrame();
        conn.send(encodeFrame(106, 0, 0, 0));
        conn.waitForRelease();
    }}, 4096);
    testing::internal::CaptureStderr();
    EXPECT_EQ(run(service.port(), nullptr), -1);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(errnum, 63);
}

TEST_F(TranscriptionTest, WithoutCallbackNothingIsReported)
{
    info_.progress = nullptr;
    FakeService service({serviceJob(0, audio_.size(), 0, {replyFrame(106, -1, "1,2"), replyFrame(106, 0, "ok")})});
    EXPECT_EQ(run(service.port(), nullptr), 0);
    EXPECT_EQ(progress_.slot, nullptr);
}

} // namespace
