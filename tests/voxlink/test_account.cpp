// Account and query exchanges against the fake service.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "FakeService.h"
#include "voxlink.h"
#include "wait_bounds.h"

namespace {

const char *const kPwMd5 = "8fe4c11451281c094a6578e6ddbf5eed";  // "pw"
const char *const kNewMd5 = "22af645d1859cb5ca6da0c484f1f37ea"; // "new"

// Bounds generous enough for a loaded machine; time-out cases shorten the
// receive wait. The real bounds are checked separately.
const VxWaitBounds kTestBounds = {5000, 5000, 5000, 5000, 60000};
const VxWaitBounds kQuickReceive = {5000, 5000, 100, 5000, 60000};

class ServiceTest : public testing::Test {
protected:
    void SetUp() override { voxlink_set_wait_bounds_for_tests(&kTestBounds); }
    void TearDown() override { voxlink_set_wait_bounds_for_tests(nullptr); }
};

// One operation on a fresh handle; returns its result.
using Operation = std::function<int(ServiceHandle *)>;

int runOn(unsigned port, const Operation &operation)
{
    ServiceHandle *h = subtitle_start("127.0.0.1", port);
    EXPECT_NE(h, nullptr);
    int result = operation(h);
    subtitle_end(h);
    return result;
}

// Reads the request and answers with one scripted reply.
FakeService::Script answer(std::string reply)
{
    return [reply](FakeConnection &c) {
        c.readFrame();
        c.send(reply);
    };
}

struct RequestCase {
    const char *name;
    Operation operation;
    uint32_t kind;
    std::string body;
};

TEST_F(ServiceTest, EachOperationSendsExactlyItsRequest)
{
    const RequestCase cases[] = {
        {"regist, with escapes and GBK bytes passed through",
         [](ServiceHandle *h) { return subtitle_regist(h, "a\"b\\c\nd\te\x01\b\f\r\xc4\xe3", "pw", "x@y.z"); },
         1,
         std::string("{\n\t\"username\":\t\"a\\\"b\\\\c\\nd\\te\\u0001\\b\\f\\r\xc4\xe3\",\n\t\"password\":\t\"") + kPwMd5
             + "\",\n\t\"E-mail\":\t\"x@y.z\"\n}"},
        {"login", [](ServiceHandle *h) { return subtitle_login(h, "user", "pw", nullptr); }, 2,
         std::string("{\n\t\"username\":\t\"user\",\n\t\"password\":\t\"") + kPwMd5 + "\"\n}"},
        {"recharge", [](ServiceHandle *h) { return subtitle_recharge(h, "s1", "25"); }, 3,
         "{\n\t\"session\":\t\"s1\",\n\t\"money\":\t\"25\",\n\t\"duration\":\t3600\n}"},
        {"update", [](ServiceHandle *h) { return subtitle_update(h, "user", "pw", "new"); }, 4,
         std::string("{\n\t\"username\":\t\"user\",\n\t\"password\":\t\"") + kPwMd5
             + "\",\n\t\"new_password\":\t\"" + kNewMd5 + "\"\n}"},
        {"session", [](ServiceHandle *h) { return subtitle_session(h, "s1"); }, 5,
         "{\n\t\"session\":\t\"s1\"\n}"},
        {"query",
         [](ServiceHandle *h) { char *r; return subtitle_query(h, "s1", -3, 200, &r); }, 7,
         "{\n\t\"session\":\t\"s1\",\n\t\"start\":\t-3,\n\t\"end\":\t200\n}"},
        {"logout", [](ServiceHandle *h) { return subtitle_logout(h, "s1"); }, 8,
         "{\n\t\"session\":\t\"s1\"\n}"},
        {"costlog",
         [](ServiceHandle *h) { char *t = nullptr; int rc = subtitle_costlog(h, "s1", 0, 200, &t); free(t); return rc; }, 9,
         "{\n\t\"session\":\t\"s1\",\n\t\"start\":\t0,\n\t\"end\":\t200\n}"},
        {"balance", [](ServiceHandle *h) { char *t = nullptr; int rc = subtitle_balance(h, "s1", &t); free(t); return rc; }, 10,
         "{\n\t\"session\":\t\"s1\"\n}"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        // Every kind accepts this body: log-in needs its session.
        FakeService service({answer(replyFrame(100 + c.kind, 0, "{\"session\":\"s1\"}"))});
        EXPECT_EQ(runOn(service.port(), c.operation), 0);
        const auto received = service.finish();
        ASSERT_EQ(received.size(), 1u);
        EXPECT_EQ(received[0], encodeFrame(c.kind, 0, 1, static_cast<uint32_t>(c.body.size()), c.body));
    }
}

TEST_F(ServiceTest, RechargeDurationIs144SecondsPerLeadingUnit)
{
    const std::pair<const char *, long long> cases[] = {
        {"25", 3600},
        {"10", 1440},
        {"yuan", 0},
        {"", 0},
        {" 7\xd4\xaa", 1008}, // blank, 7, a GBK unit word
        {"+2", 288},
        {"-5", -720},
        {"99999999999", static_cast<long long>(INT_MAX) * 144}, // no 32-bit wrap
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.first);
        FakeService service({answer(replyFrame(103, 0, ""))});
        EXPECT_EQ(runOn(service.port(), [&](ServiceHandle *h) { return subtitle_recharge(h, "s", c.first); }), 0);
        const std::string body = std::string("{\n\t\"session\":\t\"s\",\n\t\"money\":\t\"") + c.first
            + "\",\n\t\"duration\":\t" + std::to_string(c.second) + "\n}";
        EXPECT_EQ(service.finish()[0].substr(24), body);
    }
}

struct KindRow {
    const char *name;
    uint32_t kind;
    Operation operation;
    int codes[6]; // statuses 0, 1, 2, 3, 4, other
};

TEST_F(ServiceTest, EveryStatusMapsToItsCode)
{
    char *text;
    const KindRow rows[] = {
        {"regist", 1, [](ServiceHandle *h) { return subtitle_regist(h, "u", "p", "e"); }, {42, 43, 44, 45, 45, 45}},
        {"login", 2, [](ServiceHandle *h) { return subtitle_login(h, "u", "p", nullptr); }, {20, 21, 22, 23, 24, 25}},
        {"recharge", 3, [](ServiceHandle *h) { return subtitle_recharge(h, "s", "1"); }, {38, 39, 40, 41, 41, 41}},
        {"update", 4, [](ServiceHandle *h) { return subtitle_update(h, "u", "p", "q"); }, {26, 27, 28, 29, 29, 29}},
        {"session", 5, [](ServiceHandle *h) { return subtitle_session(h, "s"); }, {30, 31, 32, 33, 33, 33}},
        {"query", 7, [&](ServiceHandle *h) { return subtitle_query(h, "s", 0, 1, &text); }, {46, 47, 48, 49, 49, 49}},
        {"logout", 8, [](ServiceHandle *h) { return subtitle_logout(h, "s"); }, {34, 35, 36, 37, 37, 37}},
        {"costlog", 9, [](ServiceHandle *h) { return subtitle_costlog(h, "s", 0, 1, nullptr); }, {50, 51, 52, 53, 53, 53}},
        {"balance", 10, [](ServiceHandle *h) { return subtitle_balance(h, "s", nullptr); }, {54, 55, 56, 57, 57, 57}},
    };
    const std::pair<int32_t, int> statuses[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {7, 5}, {-1, 5}, {300, 5}};
    for (const auto &row : rows) {
        for (const auto &status : statuses) {
            SCOPED_TRACE(std::string(row.name) + " status " + std::to_string(status.first));
            FakeService service({answer(replyFrame(100 + row.kind, status.first, "{\"session\":\"s\"}"))});
            errnum = -99;
            EXPECT_EQ(runOn(service.port(), row.operation), status.first == 0 ? 0 : -1);
            EXPECT_EQ(errnum, row.codes[status.second]);
        }
    }
}

struct FailureCase {
    const char *name;
    FakeService::Script script;
    int code;
};

TEST_F(ServiceTest, BrokenRepliesFailWithTheirCode)
{
    const FailureCase cases[] = {
        {"reply of another kind, status 0", answer(replyFrame(102, 0, "{}")), 14},
        {"peer closes without reply", [](FakeConnection &c) { c.readFrame(); }, 11},
        {"peer resets without reply", [](FakeConnection &c) { c.readFrame(); c.closeWithReset(); }, 11},
        {"half a header", answer(encodeFrame(110, 0, 1, 4).substr(0, 10)), 11},
        {"body cut short", answer(encodeFrame(110, 0, 1, 10, "12345")), 11},
        {"negative length", answer(encodeFrame(110, 0, 1, 0xffffffffu)), 4},
        {"length over 64 MiB", answer(encodeFrame(110, 0, 1, 64u * 1024 * 1024 + 1)), 4},
        {"silent service", [](FakeConnection &c) { c.readFrame(); c.waitForRelease(); }, 11},
        {"wrong magic", answer(replyFrame(110, 0, "3600").replace(0, 1, "\x01")), 14},
        {"wrong version", answer(replyFrame(110, 0, "3600").replace(4, 1, "\x02")), 14},
        {"no body", answer(encodeFrame(110, 0, 0, 42)), 67},
        {"has-body without length", answer(encodeFrame(110, 0, 1, 0)), 67},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        voxlink_set_wait_bounds_for_tests(c.code == 11 ? &kQuickReceive : &kTestBounds);
        FakeService service({c.script});
        char *text = reinterpret_cast<char *>(1);
        EXPECT_EQ(runOn(service.port(), [&](ServiceHandle *h) { return subtitle_balance(h, "s", &text); }), -1);
        EXPECT_EQ(errnum, c.code);
        EXPECT_EQ(text, nullptr);
    }
}

TEST_F(ServiceTest, RefusedConnectionIsCode5)
{
    errnum = 0;
    EXPECT_EQ(runOn(closedPort(), [](ServiceHandle *h) { return subtitle_logout(h, "s"); }), -1);
    EXPECT_EQ(errnum, 5);
}

TEST_F(ServiceTest, SuccessWithoutABodyIsRefusedForEveryTextReply)
{
    char *text;
    const std::pair<uint32_t, Operation> operations[] = {
        {110, [&](ServiceHandle *h) { return subtitle_balance(h, "s", &text); }},
        {109, [&](ServiceHandle *h) { return subtitle_costlog(h, "s", 0, 9, &text); }},
        {107, [&](ServiceHandle *h) { return subtitle_query(h, "s", 0, 9, &text); }},
    };
    for (const auto &operation : operations) {
        SCOPED_TRACE(operation.first);
        FakeService service({answer(encodeFrame(operation.first, 0, 0, 42))});
        text = reinterpret_cast<char *>(1);
        EXPECT_EQ(runOn(service.port(), operation.second), -1);
        EXPECT_EQ(errnum, 67);
        EXPECT_EQ(text, nullptr);
    }
}

TEST_F(ServiceTest, LoginSucceedsOnlyWithASession)
{
    const std::pair<std::string, const char *> cases[] = {
        {"{\"session\":\"abc\"}", "abc"},
        {"{\"Session\":\"abc\",\"other\":1}", "abc"},
        {"{\"SESSION\":\"\xc4\xe3\"}", "\xc4\xe3"},
        {"{\"session\":42}", nullptr},
        {"{\"session\":\"\"}", nullptr},
        {"{\"user\":\"x\"}", nullptr},
        {"not json", nullptr},
        {"", nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.first);
        FakeService service({answer(replyFrame(102, 0, c.first))});
        char *session = reinterpret_cast<char *>(1);
        const int rc = runOn(service.port(), [&](ServiceHandle *h) { return subtitle_login(h, "u", "p", &session); });
        if (c.second) {
            EXPECT_EQ(rc, 0);
            EXPECT_EQ(errnum, 20);
            ASSERT_NE(session, nullptr);
            EXPECT_STREQ(session, c.second);
            free(session);
        } else {
            EXPECT_EQ(rc, -1);
            EXPECT_EQ(errnum, 22);
            EXPECT_EQ(session, nullptr);
        }
    }
}

TEST_F(ServiceTest, BalanceAndCostlogTextsOutliveTheHandle)
{
    FakeService service({answer(replyFrame(110, 0, "3600")), answer(replyFrame(109, 0, "a,b\r\nc,d"))});
    char *balance = nullptr;
    char *costlog = nullptr;
    ServiceHandle *h = subtitle_start("127.0.0.1", service.port());
    ASSERT_EQ(subtitle_balance(h, "s", &balance), 0);
    subtitle_end(h);
    h = subtitle_start("127.0.0.1", service.port());
    ASSERT_EQ(subtitle_costlog(h, "s", 0, 200, &costlog), 0);
    subtitle_end(h);
    EXPECT_STREQ(balance, "3600");
    EXPECT_STREQ(costlog, "a,b\r\nc,d");
    free(balance);
    free(costlog);
}

TEST_F(ServiceTest, QueryHandsOutTheReplyBodyUnparsed)
{
    FakeService service({answer(replyFrame(107, 0, "x,1\r\ny,2"))});
    ServiceHandle *h = subtitle_start("127.0.0.1", service.port());
    char *result = nullptr;
    ASSERT_EQ(subtitle_query(h, "s", 0, 10, &result), 0);
    EXPECT_EQ(errnum, 46);
    EXPECT_STREQ(result, "x,1\r\ny,2");
    subtitle_end(h);
}

TEST(ServiceArguments, MissingArgumentsPrintParamErrorAndLeaveErrnum)
{
    ServiceHandle *h = subtitle_start("127.0.0.1", 1);
    char *out = nullptr;
    TranscriptionInfo info{};
    const std::function<int()> calls[] = {
        [&] { return subtitle_regist(nullptr, "u", "p", "e"); },
        [&] { return subtitle_regist(h, "u", "p", nullptr); },
        [&] { return subtitle_login(h, nullptr, "p", &out); },
        [&] { return subtitle_login(h, "u", nullptr, &out); },
        [&] { return subtitle_logout(h, nullptr); },
        [&] { return subtitle_update(h, "u", "p", nullptr); },
        [&] { return subtitle_session(nullptr, "s"); },
        [&] { return subtitle_recharge(h, "s", nullptr); },
        [&] { return subtitle_balance(h, nullptr, &out); },
        [&] { return subtitle_costlog(nullptr, "s", 0, 1, &out); },
        [&] { return subtitle_query(h, nullptr, 0, 1, &out); },
        [&] { return subtitle_audio(h, nullptr, "s", "/a.wav", nullptr, &info, &out); },
        [&] { return subtitle_audio(h, "u", "s", "/a.wav", nullptr, nullptr, &out); },
    };
    for (const auto &call : calls) {
        errnum = 12345;
        testing::internal::CaptureStdout();
        EXPECT_EQ(call(), -1);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "param error\n");
        EXPECT_EQ(errnum, 12345);
    }
    subtitle_end(h);
}

TEST(ServiceArguments, StartRefusesMissingOrOversizedHost)
{
    const std::string longest(63, 'h');
    ServiceHandle *h = subtitle_start(longest.c_str(), 30000);
    EXPECT_NE(h, nullptr);
    subtitle_end(h);
    subtitle_end(nullptr);

    const std::string tooLong(64, 'h');
    const std::pair<const char *, unsigned> refused[] = {
        {nullptr, 30000}, {"127.0.0.1", 0}, {tooLong.c_str(), 30000}};
    for (const auto &c : refused) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(subtitle_start(c.first, c.second), nullptr);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "param error\n");
    }
}

TEST(WaitBounds, RealBoundsAreTheProtocolOnes)
{
    voxlink_set_wait_bounds_for_tests(nullptr);
    const VxWaitBounds *bounds = vx_wait_bounds();
    EXPECT_EQ(bounds->connect_ms, 10000);
    EXPECT_EQ(bounds->send_ms, 1001);
    EXPECT_EQ(bounds->receive_ms, 350350);
    EXPECT_EQ(bounds->stream_send_ms, 10010);
    EXPECT_EQ(bounds->job_base_ms, 3600 * 1000);
}

} // namespace
