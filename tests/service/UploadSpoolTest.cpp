// Partial uploads: only synced bytes count, a newer connection takes an
// upload over, stale entries go after a day.

#include "UploadSpool.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>
#include <thread>
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
    // must not shrink that file under it.
    UploadSpool spool(dir_.path().toStdString());
    std::string error;
    auto running = spool.claim(7, kFinger, 1s, stopping_);
    ASSERT_TRUE(running->open(1000, &error)) << error;
    ASSERT_TRUE(running->append(std::string(1000, 'a').data(), 1000));
    ASSERT_TRUE(running->commit());
    running->releaseClaim();

    auto later = spool.claim(7, kFinger, 1s, stopping_);
    ASSERT_TRUE(later);
    ASSERT_TRUE(later->open(100, &error)) << error;
    EXPECT_EQ(later->length(), 0);
    struct stat info {};
    ASSERT_EQ(::fstat(running->fd(), &info), 0);
    EXPECT_EQ(info.st_size, 1000);
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
