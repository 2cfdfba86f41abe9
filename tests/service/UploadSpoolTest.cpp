// Partial uploads: only synced bytes count, a newer connection takes an
// upload over (in this process or another), stale entries go after a day
// unless somebody still has them open.

#include "UploadSpool.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <functional>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utime.h>

using namespace cw::service;
using namespace std::chrono_literals;

namespace {

const std::string kFinger = "00112233445566778899aabbccddeeff";

class SpoolTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    std::string path(const std::string &name) const { return dir_.path().toStdString() + "/" + name; }
    int64_t fileSize(const std::string &name) const
    {
        struct stat info {};
        return ::stat(path(name).c_str(), &info) == 0 ? int64_t(info.st_size) : -1;
    }

    QTemporaryDir dir_;
    std::atomic<bool> stopping_{false};
};

// Another service process on the same spool folder: `body` runs in a forked
// child with its own UploadSpool, says when it is ready through `ready`, and
// its return value is the exit code.
class OtherProcess {
public:
    explicit OtherProcess(const std::function<int(int ready)> &body)
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            ::_exit(body(fds[1]));
        }
        ::close(fds[1]);
        readyFd_ = fds[0];
    }
    ~OtherProcess()
    {
        if (pid_ > 0)
            kill();
        if (readyFd_ >= 0)
            ::close(readyFd_);
    }
    bool waitReady()
    {
        pollfd entry{readyFd_, POLLIN, 0};
        char byte = 0;
        return ::poll(&entry, 1, 10000) == 1 && ::read(readyFd_, &byte, 1) == 1;
    }
    int exitCode()
    {
        int status = 0;
        const bool ended = ::waitpid(pid_, &status, 0) == pid_;
        pid_ = -1;
        return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    void kill()
    {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int readyFd_ = -1;
};

void tellReady(int fd)
{
    [[maybe_unused]] const ssize_t n = ::write(fd, "r", 1);
}

// In the child: receives 300 synced bytes and 200 more of an upload of 1000.
std::unique_ptr<SpoolEntry> receivePartly(UploadSpool &spool, const std::atomic<bool> &stopping)
{
    std::string error;
    auto entry = spool.claim(7, kFinger, std::chrono::seconds(5), stopping);
    if (!entry || !entry->open(1000, &error) || !entry->append(std::string(300, 'a').data(), 300) || !entry->commit()
        || !entry->append(std::string(200, 'b').data(), 200))
        return nullptr;
    return entry;
}

}  // namespace

TEST_F(SpoolTest, OnlySyncedBytesCountAfterACrash)
{
    UploadSpool spool(dir_.path().toStdString());
    std::string error;
    {
        auto entry = spool.claim(7, kFinger, 1s, stopping_);
        ASSERT_TRUE(entry);
        ASSERT_TRUE(entry->open(1000, &error)) << error;
        ASSERT_TRUE(entry->append(std::string(300, 'a').data(), 300));
        ASSERT_TRUE(entry->commit());
        ASSERT_TRUE(entry->append(std::string(200, 'b').data(), 200));
    }
    {
        // As after a crash before the last sync: the file holds more than
        // the recorded length.
        std::ofstream(path("7/" + kFinger + ".len")) << "300\n";
        auto entry = spool.claim(7, kFinger, 1s, stopping_);
        ASSERT_TRUE(entry->open(1000, &error));
        EXPECT_EQ(entry->length(), 300);
        EXPECT_EQ(fileSize("7/" + kFinger + ".part"), 300);
    }
    {
        // A recorded length beyond the announced size belongs to other audio.
        auto entry = spool.claim(7, kFinger, 1s, stopping_);
        ASSERT_TRUE(entry->open(100, &error));
        EXPECT_EQ(entry->length(), 0);
    }
}

TEST_F(SpoolTest, AFinishedUploadInUseIsNeverCutShort)
{
    // A job reads its finished upload through a memory map after letting the
    // claim go; a later announcement of the same audio with a smaller size
    // must not shrink or remove that file under it (on a network file
    // system a removed file faults its readers on other nodes).
    UploadSpool spool(dir_.path().toStdString());
    std::string error;
    auto running = spool.claim(7, kFinger, 1s, stopping_);
    ASSERT_TRUE(running->open(1000, &error)) << error;
    ASSERT_TRUE(running->append(std::string(1000, 'a').data(), 1000));
    ASSERT_TRUE(running->commit());
    running->releaseClaim();

    auto later = spool.claim(7, kFinger, 1s, stopping_);
    ASSERT_TRUE(later);
    EXPECT_FALSE(later->open(100, &error));
    later.reset();
    struct stat info {};
    ASSERT_EQ(::fstat(running->fd(), &info), 0);
    EXPECT_EQ(info.st_size, 1000);
    EXPECT_EQ(fileSize("7/" + kFinger + ".part"), 1000);

    running.reset();  // the job is over: the other size starts afresh
    later = spool.claim(7, kFinger, 1s, stopping_);
    ASSERT_TRUE(later->open(100, &error)) << error;
    EXPECT_EQ(later->length(), 0);
    EXPECT_EQ(fileSize("7/" + kFinger + ".part"), 0);
}

TEST_F(SpoolTest, ANewerConnectionTakesTheUploadOver)
{
    UploadSpool spool(dir_.path().toStdString());
    auto first = spool.claim(7, kFinger, 1s, stopping_);
    ASSERT_TRUE(first);
    EXPECT_FALSE(first->abandonRequested());
    std::thread holder([&first] {
        while (!first->abandonRequested())
            std::this_thread::sleep_for(1ms);
        first.reset();  // lets go as a connection does when asked
    });
    auto second = spool.claim(7, kFinger, 5s, stopping_);
    holder.join();
    EXPECT_TRUE(second);
    // Another user's upload of the same audio is separate.
    EXPECT_TRUE(spool.claim(8, kFinger, 0ms, stopping_));
    // Nobody lets go: the claim is refused in time, not waited on for ever.
    EXPECT_FALSE(spool.claim(7, kFinger, 50ms, stopping_));
}

TEST_F(SpoolTest, SweepRemovesOnlyStaleUnclaimedEntries)
{
    UploadSpool spool(dir_.path().toStdString());
    std::string error;
    for (const std::string &finger : {kFinger, std::string("ffeeddccbbaa99887766554433221100")}) {
        auto entry = spool.claim(7, finger, 1s, stopping_);
        ASSERT_TRUE(entry->open(1000, &error));
        entry->append("abc", 3);
        entry->commit();
    }
    const std::string old = path("7/" + kFinger);
    utimbuf dayAndMore{time(nullptr) - 25 * 3600, time(nullptr) - 25 * 3600};
    ::utime((old + ".part").c_str(), &dayAndMore);
    ::utime((old + ".len").c_str(), &dayAndMore);
    {
        auto busy = spool.claim(7, kFinger, 1s, stopping_);
        EXPECT_EQ(spool.sweep(24 * 3600), 0);  // claimed: kept
    }
    EXPECT_EQ(spool.sweep(24 * 3600), 2);
    EXPECT_EQ(fileSize("7/" + kFinger + ".part"), -1);
    EXPECT_EQ(fileSize("7/ffeeddccbbaa99887766554433221100.part"), 3);
}

TEST_F(SpoolTest, APaidMarkHoldsOnlyForItsTranscriptAndItsWholeUpload)
{
    UploadSpool spool(dir_.path().toStdString());
    std::string error;
    const std::string text = "ffeeddccbbaa99887766554433221100";
    {
        auto entry = spool.claim(7, kFinger, 1s, stopping_);
        ASSERT_TRUE(entry->open(100, &error)) << error;
        ASSERT_TRUE(entry->append(std::string(100, 'a').data(), 100));
        ASSERT_TRUE(entry->commit());
        ASSERT_TRUE(entry->markPaid(42, text));
        EXPECT_EQ(entry->paidJob(text), 42);
        EXPECT_EQ(entry->paidJob(""), 0);  // the same audio with another transcript is another job
    }
    {
        auto entry = spool.claim(7, kFinger, 1s, stopping_);
        ASSERT_TRUE(entry->open(100, &error));
        EXPECT_EQ(entry->paidJob(text), 42);  // survives the connection, as it must a crash
        entry->discard();
        EXPECT_EQ(fileSize("7/" + kFinger + ".paid"), -1);
    }
    {
        // A mark left without its upload (half swept) must not make the
        // next upload of the same audio free.
        std::ofstream(path("7/" + kFinger + ".paid")) << "42 " << text << "\n";
        auto entry = spool.claim(7, kFinger, 1s, stopping_);
        ASSERT_TRUE(entry->open(100, &error));
        EXPECT_EQ(entry->paidJob(text), 0);
    }
}

TEST_F(SpoolTest, AnUploadBeingReceivedElsewhereIsHandedOverWithWhatItGot)
{
    // The client gave up on one node and reached another: the first lets
    // go, syncing what it received, and the second resumes after it.
    const std::string folder = dir_.path().toStdString();
    OtherProcess other([&folder](int ready) {
        UploadSpool spool(folder);
        std::atomic<bool> stopping{false};
        auto entry = receivePartly(spool, stopping);
        if (!entry)
            return 1;
        tellReady(ready);
        for (int i = 0; i < 1000 && !entry->abandonRequested(); ++i)
            std::this_thread::sleep_for(10ms);
        return entry->abandonRequested() ? 0 : 2;  // the entry syncs as it goes
    });
    ASSERT_TRUE(other.waitReady());
    UploadSpool spool(folder);
    auto entry = spool.claim(7, kFinger, 10s, stopping_);
    ASSERT_TRUE(entry);
    EXPECT_EQ(other.exitCode(), 0);
    std::string error;
    ASSERT_TRUE(entry->open(1000, &error)) << error;
    EXPECT_EQ(entry->length(), 500);
}

TEST_F(SpoolTest, AKilledNodeLeavesItsUploadFreeWithOnlyTheSyncedBytes)
{
    const std::string folder = dir_.path().toStdString();
    OtherProcess other([&folder](int ready) {
        UploadSpool spool(folder);
        std::atomic<bool> stopping{false};
        auto entry = receivePartly(spool, stopping);
        if (!entry)
            return 1;
        tellReady(ready);
        ::pause();
        return 0;
    });
    ASSERT_TRUE(other.waitReady());
    UploadSpool spool(folder);
    EXPECT_FALSE(spool.claim(7, kFinger, 100ms, stopping_));  // alive and not letting go
    other.kill();
    auto entry = spool.claim(7, kFinger, 0ms, stopping_);
    ASSERT_TRUE(entry);
    std::string error;
    ASSERT_TRUE(entry->open(1000, &error)) << error;
    EXPECT_EQ(entry->length(), 300);
}

TEST_F(SpoolTest, SweepLeavesAnUploadAnotherNodeStillHasOpen)
{
    // A job runs on the finished upload elsewhere (its claim let go, the
    // upload still open) while this node sweeps at its start.
    const std::string folder = dir_.path().toStdString();
    OtherProcess other([&folder](int ready) {
        UploadSpool spool(folder);
        std::atomic<bool> stopping{false};
        auto entry = receivePartly(spool, stopping);
        if (!entry || !entry->commit())
            return 1;
        entry->releaseClaim();
        tellReady(ready);
        ::pause();
        return 0;
    });
    ASSERT_TRUE(other.waitReady());
    utimbuf dayAndMore{time(nullptr) - 25 * 3600, time(nullptr) - 25 * 3600};
    for (const char *suffix : {".part", ".len"})
        ::utime(path("7/" + kFinger + suffix).c_str(), &dayAndMore);
    UploadSpool spool(folder);
    EXPECT_EQ(spool.sweep(24 * 3600), 0);
    EXPECT_EQ(fileSize("7/" + kFinger + ".part"), 500);
    other.kill();
    EXPECT_EQ(spool.sweep(24 * 3600), 2);
    EXPECT_TRUE(QDir(QString::fromStdString(path("7"))).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(SpoolTest, TheLastConnectionOutRemovesTheUploadAndItsLock)
{
    UploadSpool spool(dir_.path().toStdString());
    std::string error;
    auto first = spool.claim(7, kFinger, 1s, stopping_);
    ASSERT_TRUE(first->open(100, &error));
    ASSERT_TRUE(first->append(std::string(100, 'a').data(), 100) && first->commit());
    first->releaseClaim();
    auto retry = spool.claim(7, kFinger, 1s, stopping_);  // the client's next try, its result pending
    ASSERT_TRUE(retry->open(100, &error));
    ASSERT_TRUE(first->markPaid(42, ""));
    std::ofstream(path("7/" + kFinger + ".len.tmp.x1y2z3")) << "50\n";  // its writer killed before the rename
    first->discard();
    EXPECT_EQ(retry->paidJob(""), 42);  // still there for the retry
    retry->discard();
    first.reset();
    retry.reset();
    EXPECT_TRUE(QDir(QString::fromStdString(path("7"))).entryList(QDir::Files | QDir::Hidden).isEmpty());

    // A claim refused before any upload leaves nothing either.
    spool.claim(8, kFinger, 1s, stopping_).reset();
    EXPECT_TRUE(QDir(QString::fromStdString(path("8"))).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(SpoolTest, PaidNotesWrittenAtOnceAllLand)
{
    // Two connections on one finished upload (an old job and the client's
    // retry, possibly on two nodes) note their charges at the same moment.
    UploadSpool spool(dir_.path().toStdString());
    std::string error;
    auto first = spool.claim(7, kFinger, 1s, stopping_);
    ASSERT_TRUE(first->open(100, &error));
    ASSERT_TRUE(first->append(std::string(100, 'a').data(), 100) && first->commit());
    first->releaseClaim();
    auto second = spool.claim(7, kFinger, 1s, stopping_);
    ASSERT_TRUE(second->open(100, &error));
    std::atomic<int> failed{0};
    auto mark = [&failed](SpoolEntry &entry, int64_t job) {
        for (int i = 0; i < 200; ++i)
            if (!entry.markPaid(job, "ffeeddccbbaa99887766554433221100"))
                ++failed;
    };
    std::thread a(mark, std::ref(*first), 41);
    std::thread b(mark, std::ref(*second), 42);
    a.join();
    b.join();
    EXPECT_EQ(failed.load(), 0);
    const int64_t paid = first->paidJob("ffeeddccbbaa99887766554433221100");
    EXPECT_TRUE(paid == 41 || paid == 42) << paid;
    EXPECT_EQ(QDir(QString::fromStdString(path("7"))).entryList({QStringLiteral("*.tmp*")}, QDir::Files).size(), 0);
}
