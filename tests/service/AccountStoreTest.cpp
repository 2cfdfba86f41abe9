// Both stores (SQLite, PostgreSQL) and the account rules over them: money
// stays exact under concurrent jobs, holds survive a crash, back-off limits
// guessing.

#include "AccountService.h"
#include "LoginBackoff.h"
#include "MessageHeader.h"
#include "PasswordHasher.h"
#include "PostgresAccountStore.h"
#include "PostgresServer.h"
#include "SessionIds.h"
#include "SqliteAccountStore.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace cw::service;

namespace {

enum class Backend { Sqlite, Postgres };

class StoreTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        if (GetParam() == Backend::Postgres) {
            cw::testing::PostgresServer &server = cw::testing::sharedPostgresServer();
            if (!server.ok()) {
                if (!cw::testing::PostgresServer::installed())
                    GTEST_SKIP() << server.reason();
                FAIL() << server.reason();
            }
            static int databases = 0;
            url_ = server.url("store" + std::to_string(++databases));
        }
        reopen();
    }
    // For PostgreSQL a new node: the old one stopped, so its holds count as
    // those of a crashed run.
    void reopen()
    {
        store_.reset();
        std::string error;
        if (GetParam() == Backend::Postgres)
            store_ = PostgresAccountStore::open(url_, &error);
        else
            store_ = SqliteAccountStore::open(dir_.filePath(QStringLiteral("accounts.sqlite")).toStdString(), &error);
        ASSERT_TRUE(store_) << error;
    }
    int64_t addUser(const std::string &name, int64_t balance)
    {
        EXPECT_EQ(store_->createUser(name, "hash", "", balance, 1), StoreResult::Ok);
        UserRow row;
        EXPECT_EQ(store_->findUser(name, &row), StoreResult::Ok);
        return row.id;
    }
    int64_t balanceOf(int64_t user)
    {
        int64_t value = -1;
        EXPECT_EQ(store_->balance(user, &value), StoreResult::Ok);
        return value;
    }

    QTemporaryDir dir_;
    std::string url_;
    std::unique_ptr<AccountStore> store_;
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Stores, StoreTest, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const ::testing::TestParamInfo<Backend> &info) {
                             return info.param == Backend::Sqlite ? "Sqlite" : "Postgres";
                         });

TEST_P(StoreTest, ConcurrentHoldsNeverTakeTheBalanceBelowZero)
{
    const int64_t user = addUser("ann", 95);
    std::atomic<int> held{0}, refused{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 16; ++i)
        threads.emplace_back([&] {
            int64_t job = 0;
            ASSERT_EQ(store_->addJob(user, "a.wav", 10, "uploading", 1, &job), StoreResult::Ok);
            const StoreResult result = store_->hold(job, user, 10);
            if (result == StoreResult::Ok)
                ++held;
            else if (result == StoreResult::Insufficient)
                ++refused;
        });
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(held.load(), 9);
    EXPECT_EQ(refused.load(), 7);
    EXPECT_EQ(balanceOf(user), 5);
}

TEST_P(StoreTest, HoldsSettleIntoRecordsOrGoBackIncludingAfterACrash)
{
    const int64_t user = addUser("ann", 100);
    int64_t delivered = 0, failed = 0, crashed = 0;
    store_->addJob(user, "one.wav", 30, "uploading", 10, &delivered);
    store_->addJob(user, "two.wav", 20, "uploading", 11, &failed);
    store_->addJob(user, "three.wav", 25, "uploading", 12, &crashed);
    ASSERT_EQ(store_->hold(delivered, user, 30), StoreResult::Ok);
    ASSERT_EQ(store_->hold(failed, user, 20), StoreResult::Ok);
    ASSERT_EQ(store_->hold(crashed, user, 25), StoreResult::Ok);
    EXPECT_EQ(balanceOf(user), 25);
    ASSERT_EQ(store_->settle(delivered, "one.wav", 20), StoreResult::Ok);
    ASSERT_EQ(store_->release(failed, "error"), StoreResult::Ok);
    EXPECT_EQ(store_->settle(failed, "two.wav", 21), StoreResult::NotFound);  // nothing left to charge
    EXPECT_EQ(balanceOf(user), 45);

    reopen();  // the third job's process died mid-run
    ASSERT_EQ(store_->recoverAfterRestart(), StoreResult::Ok);
    EXPECT_EQ(balanceOf(user), 70);
    std::vector<BalanceRecord> records;
    ASSERT_EQ(store_->records(user, 0, 10, &records), StoreResult::Ok);
    ASSERT_EQ(records.size(), 2u);  // newest first; the starting balance is the first record
    EXPECT_EQ(records[0].sign, '-');
    EXPECT_EQ(records[0].amount, "one.wav");
    EXPECT_EQ(records[0].seconds, 30);
    EXPECT_EQ(records[1].sign, '+');
    EXPECT_EQ(records[1].amount, "0");
    EXPECT_EQ(records[1].seconds, 100);
    std::vector<JobRecord> jobs;
    ASSERT_EQ(store_->jobs(user, 0, 10, &jobs), StoreResult::Ok);
    ASSERT_EQ(jobs.size(), 3u);
    EXPECT_EQ(jobs[0].state, "interrupted");
    EXPECT_EQ(jobs[1].state, "error");
    EXPECT_EQ(jobs[2].state, "done");
}

TEST_P(StoreTest, RechargeStopsAtTheCapAndNamesAreUnique)
{
    const int64_t user = addUser("ann", kMaxBalance - 10);
    EXPECT_EQ(store_->recharge(user, 10, "x", 1), StoreResult::Ok);
    EXPECT_EQ(store_->recharge(user, 1, "x", 2), StoreResult::Insufficient);
    EXPECT_EQ(balanceOf(user), kMaxBalance);
    EXPECT_EQ(store_->createUser("ann", "h", "", 0, 1), StoreResult::Conflict);

    // Seconds held by a running job return if it fails, so they count too.
    int64_t job = 0;
    ASSERT_EQ(store_->addJob(user, "a.wav", 20, "uploading", 3, &job), StoreResult::Ok);
    ASSERT_EQ(store_->hold(job, user, 20), StoreResult::Ok);
    EXPECT_EQ(store_->recharge(user, 15, "x", 4), StoreResult::Insufficient);
    ASSERT_EQ(store_->release(job, "error"), StoreResult::Ok);
    EXPECT_EQ(balanceOf(user), kMaxBalance);
}

namespace {

std::string loginBody(const std::string &user, const std::string &digest)
{
    return "{\"username\":\"" + user + "\",\"password\":\"" + digest + "\"}";
}

}  // namespace

TEST_P(StoreTest, BackOffRefusesGuessesButLetsTheOwnerBackIn)
{
    PasswordHasher hasher(2);
    int64_t now = 1000000;
    AccountService accounts(*store_, hasher, 600, [&now] { return now; });
    const std::string right = "0123456789abcdef0123456789abcdef";
    const std::string wrong = "ffffffffffffffffffffffffffffffff";
    ASSERT_EQ(accounts.addUser("ann", right, 600), StoreResult::Ok);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(accounts.handle(KindLogin, loginBody("ann", wrong), "127.0.0.1").status, 1);
    // In back-off even the right password is not looked at.
    EXPECT_EQ(accounts.handle(KindLogin, loginBody("ann", right), "127.0.0.1").status, 1);
    now += 1;
    const AccountReply reply = accounts.handle(KindLogin, loginBody("ann", right), "127.0.0.1");
    EXPECT_EQ(reply.status, 0);
    EXPECT_NE(reply.body.find("\"session\""), std::string::npos);
    UserRow row;
    ASSERT_EQ(store_->findUser("ann", &row), StoreResult::Ok);
    EXPECT_EQ(row.failedLogins, 0);
    EXPECT_EQ(row.passwordHash.rfind("$argon2id$", 0), 0u);  // never the digest itself
    EXPECT_EQ(accounts.handle(KindLogin, loginBody("nobody", right), "127.0.0.1").status, 3);
}

TEST_P(StoreTest, GuessesSentTogetherAreCountedOneByOne)
{
    // Attempts that arrive at once must not all pass the back-off on the
    // same failure count: only the free ones get their password checked.
    PasswordHasher hasher(2);
    AccountService accounts(*store_, hasher, 600, [] { return int64_t(1000000); });
    const std::string right = "0123456789abcdef0123456789abcdef";
    const std::string wrong = "ffffffffffffffffffffffffffffffff";
    ASSERT_EQ(accounts.addUser("ann", right, 600), StoreResult::Ok);
    std::vector<std::thread> guesses;
    for (int i = 0; i < 16; ++i)
        guesses.emplace_back(
            [&] { EXPECT_EQ(accounts.handle(KindLogin, loginBody("ann", wrong), "127.0.0.1").status, 1); });
    for (std::thread &guess : guesses)
        guess.join();
    UserRow row;
    ASSERT_EQ(store_->findUser("ann", &row), StoreResult::Ok);
    EXPECT_EQ(row.failedLogins, 5);
    EXPECT_EQ(accounts.handle(KindLogin, loginBody("ann", right), "127.0.0.1").status, 1);  // in back-off now
}

TEST_P(StoreTest, RightPasswordsSentTogetherAreNeverRefusedOverChecksInFlight)
{
    // The program logs in on several connections at once. Checks still
    // running may fail, but until they have, they must not refuse anyone.
    const std::string right = "0123456789abcdef0123456789abcdef";
    const std::string wrong = "ffffffffffffffffffffffffffffffff";
    struct Case {
        const char *name;
        int failuresBefore;  // on record when the attempts arrive
        int rightOnes;
        int wrongOnes;
    } cases[] = {
        {"forty at once", 0, 40, 0},
        {"one free failure left", 4, 12, 0},
        {"mixed with fewer guesses than are free", 0, 24, 4},
    };
    PasswordHasher hasher(2);
    AccountService accounts(*store_, hasher, 600, [] { return int64_t(1000000); });
    int account = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = "user" + std::to_string(++account);
        ASSERT_EQ(accounts.addUser(name, right, 600), StoreResult::Ok);
        UserRow row;
        ASSERT_EQ(store_->findUser(name, &row), StoreResult::Ok);
        ASSERT_EQ(store_->setAddressLoginFailures(row.id, "127.0.0.1", {c.failuresBefore, 0}), StoreResult::Ok);
        std::atomic<int> rightRefused{0}, wrongAccepted{0};
        std::vector<std::thread> attempts;
        for (int i = 0; i < c.rightOnes + c.wrongOnes; ++i)
            attempts.emplace_back([&, i] {
                const bool isRight = i >= c.wrongOnes;  // the guesses go first, to be in flight
                const int status =
                    accounts.handle(KindLogin, loginBody(name, isRight ? right : wrong), "127.0.0.1").status;
                if (isRight && status != 0)
                    ++rightRefused;
                if (!isRight && status == 0)
                    ++wrongAccepted;
            });
        for (std::thread &attempt : attempts)
            attempt.join();
        EXPECT_EQ(rightRefused.load(), 0);
        EXPECT_EQ(wrongAccepted.load(), 0);
    }
}

TEST_P(StoreTest, GuessesFromOneAddressNeverLockTheOwnerOutElsewhere)
{
    PasswordHasher hasher(2);
    int64_t now = 1000000;
    AccountService accounts(*store_, hasher, 600, [&now] { return now; });
    const std::string right = "0123456789abcdef0123456789abcdef";
    const std::string wrong = "ffffffffffffffffffffffffffffffff";
    ASSERT_EQ(accounts.addUser("ann", right, 600), StoreResult::Ok);
    auto login = [&](const std::string &digest, const std::string &peer) {
        return accounts.handle(KindLogin, loginBody("ann", digest), peer).status;
    };
    UserRow row;
    ASSERT_EQ(store_->findUser("ann", &row), StoreResult::Ok);
    // A stranger far into back-off: the owner's address has not tried at all.
    ASSERT_EQ(store_->setAddressLoginFailures(row.id, "203.0.113.9", {LoginBackoff::kMaxFailures, now}), StoreResult::Ok);
    EXPECT_EQ(login(right, "203.0.113.9"), 1);
    EXPECT_EQ(login(right, "198.51.100.7"), 0);

    // Guesses from one address count there and toward the account.
    for (int i = 0; i < LoginBackoff::kFreeFailures + 3; ++i)
        login(wrong, "192.0.2.1");
    EXPECT_EQ(login(right, "192.0.2.1"), 1);     // in back-off from there
    EXPECT_EQ(login(right, "198.51.100.7"), 0);  // not from the owner's
    LoginFailures fromStranger;
    ASSERT_EQ(store_->addressLoginFailures(row.id, "192.0.2.1", &fromStranger), StoreResult::Ok);
    EXPECT_EQ(fromStranger.failures, LoginBackoff::kFreeFailures);  // the rest met the back-off unchecked
    ASSERT_EQ(store_->findUser("ann", &row), StoreResult::Ok);
    EXPECT_EQ(row.failedLogins, 0);  // the owner's success reset the account's count...
    ASSERT_EQ(store_->addressLoginFailures(row.id, "192.0.2.1", &fromStranger), StoreResult::Ok);
    EXPECT_EQ(fromStranger.failures, LoginBackoff::kFreeFailures);  // ...but not the stranger's

    // Spread over enough addresses, guesses lock the whole account for a day.
    ASSERT_EQ(store_->setLoginFailures(row.id, LoginBackoff::kAccountMaxFailures - 1, now), StoreResult::Ok);
    EXPECT_EQ(login(wrong, "192.0.2.200"), 1);
    EXPECT_EQ(login(right, "198.51.100.7"), 1);
    now += LoginBackoff::kRestSeconds;
    EXPECT_EQ(login(right, "198.51.100.7"), 0);
    ASSERT_EQ(store_->findUser("ann", &row), StoreResult::Ok);
    EXPECT_EQ(row.failedLogins, 0);
}

TEST_P(StoreTest, ASettledJobIsRefundedOnceAndTheRecordsStillAddUp)
{
    // A result that could not be sent after its charge gives the charge back.
    const int64_t user = addUser("ann", 100);
    int64_t job = 0;
    ASSERT_EQ(store_->addJob(user, "a.wav", 30, "running", 2, &job), StoreResult::Ok);
    EXPECT_EQ(store_->refundSettled(job, "cancelled", 3), StoreResult::NotFound);  // nothing charged yet
    ASSERT_EQ(store_->hold(job, user, 30), StoreResult::Ok);
    ASSERT_EQ(store_->settle(job, "a.wav", 3), StoreResult::Ok);
    EXPECT_EQ(balanceOf(user), 70);
    ASSERT_EQ(store_->refundSettled(job, "cancelled", 4), StoreResult::Ok);
    EXPECT_EQ(store_->refundSettled(job, "cancelled", 5), StoreResult::NotFound);
    EXPECT_EQ(balanceOf(user), 100);
    std::vector<BalanceRecord> records;
    ASSERT_EQ(store_->records(user, 0, 10, &records), StoreResult::Ok);
    int64_t sum = 0;
    for (const BalanceRecord &r : records)
        sum += r.sign == '+' ? r.seconds : -r.seconds;
    EXPECT_EQ(sum, 100);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].sign, '+');
    EXPECT_EQ(records[0].amount, "a.wav");  // the refund names what it refunds
    std::string state;
    ASSERT_EQ(store_->jobState(job, &state), StoreResult::Ok);
    EXPECT_EQ(state, "cancelled");
}
