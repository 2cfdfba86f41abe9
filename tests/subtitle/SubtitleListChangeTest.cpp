#include "subtitle/SubtitleList.h"
#include "subtitle/TimingOperations.h"

#include "SubtitleTestSupport.h"

#include <QCoreApplication>
#include <QThread>
#include <chrono>
#include <functional>
#include <future>
#include <gtest/gtest.h>

namespace {

struct Notifications
{
    explicit Notifications(SubtitleList &list)
    {
        QObject::connect(&list, &SubtitleList::changed, &receiver, [this](quint64 version) { versions.append(version); },
                         Qt::DirectConnection);
    }
    QObject receiver;
    QVector<quint64> versions;
};

SubtitleEntries threeEntries()
{
    return {makeEntry(0, 1000, "a"), makeEntry(1000, 2000, "b"), makeEntry(2000, 3000, "c")};
}

} // namespace

TEST(SubtitleListChange, EveryChangeIsOneVersionAndOneNotification)
{
    const struct { const char *name; std::function<void(SubtitleList &)> change; } cases[] = {
        {"replace", [](SubtitleList &l) { l.replace(1, makeEntry(5, 6, "new")); }},
        {"append one", [](SubtitleList &l) { l.append(makeEntry(5, 6)); }},
        {"append many", [](SubtitleList &l) { l.append(threeEntries()); }},
        {"insert", [](SubtitleList &l) { l.insert(0, makeEntry(5, 6)); }},
        {"erase", [](SubtitleList &l) { l.erase(1); }},
        {"clear", [](SubtitleList &l) { l.clear(); }},
        {"assign", [](SubtitleList &l) { l.assign({makeEntry(5, 6)}); }},
        {"edit in many steps", [](SubtitleList &l) {
             l.edit([](SubtitleEntries &e) {
                 e.removeLast();
                 e.append(makeEntry(7, 8));
                 e[0].text = "z";
             });
         }},
        {"shift boundaries", [](SubtitleList &l) { shiftBoundaries(l, 100, 100, KeepStarts); }},
        {"replace document", [](SubtitleList &l) { l.replaceDocument(threeEntries()); }},
        {"undo", [](SubtitleList &l) { l.undo(); }},
    };
    for (const auto &c : cases) {
        SubtitleList list;
        list.assign(threeEntries());
        list.erase(0); // something to undo
        const quint64 before = list.version();
        Notifications seen(list);
        c.change(list);
        EXPECT_EQ(list.version(), before + 1) << c.name;
        EXPECT_EQ(seen.versions, QVector<quint64>{before + 1}) << c.name;
    }
}

TEST(SubtitleListChange, ReadsScansAndNoOpsAreNoChange)
{
    const struct { const char *name; std::function<void(SubtitleList &)> call; } cases[] = {
        {"reads", [](SubtitleList &l) {
             l.size();
             l.at(0);
             l.snapshot();
             l.read([](const SubtitleEntries &) {});
         }},
        {"same value", [](SubtitleList &l) { l.replace(0, l.at(0)); }},
        {"edit that only looks", [](SubtitleList &l) { l.edit([](SubtitleEntries &e) { return e.size(); }); }},
        {"edit that writes back the same", [](SubtitleList &l) { l.edit([](SubtitleEntries &e) { e[0] = e.at(0); }); }},
        {"append nothing", [](SubtitleList &l) { l.append(SubtitleEntries()); }},
        {"overlap scan", [](SubtitleList &l) { scanOverlaps(l); }},
        {"split at 0 percent", [](SubtitleList &l) { splitEntry(l, 0, 0, "a", "b"); }},
        {"undo with nothing to undo", [](SubtitleList &l) { l.undo(); }},
    };
    for (const auto &c : cases) {
        SubtitleList list;
        list.replaceDocument(threeEntries());
        Notifications seen(list);
        c.call(list);
        EXPECT_EQ(list.version(), 1u) << c.name;
        EXPECT_TRUE(seen.versions.isEmpty()) << c.name;
    }
}

// A receiver may read the list at once: the lock is already released.
TEST(SubtitleListChange, NotifiesAfterReleasingTheLock)
{
    SubtitleList list;
    QObject receiver;
    bool readableFromAnotherThread = false;
    QObject::connect(&list, &SubtitleList::changed, &receiver, [&] {
        auto reader = std::async(std::launch::async, [&] { return list.size(); });
        readableFromAnotherThread = reader.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    }, Qt::DirectConnection);
    list.edit([](SubtitleEntries &e) { e.append(makeEntry(0, 1)); });
    EXPECT_TRUE(readableFromAnotherThread);
}

// A worker's change is announced on the worker; a receiver living on the GUI
// thread gets it queued, and on its own thread.
TEST(SubtitleListChange, WorkerChangesReachGuiReceiversQueued)
{
    SubtitleList list;
    QObject guiReceiver;
    QThread *announcedOn = nullptr;
    QThread *receivedOn = nullptr;
    quint64 received = 0;
    QObject::connect(&list, &SubtitleList::changed, &guiReceiver, [&] { announcedOn = QThread::currentThread(); },
                     Qt::DirectConnection);
    QObject::connect(&list, &SubtitleList::changed, &guiReceiver, [&](quint64 version) {
        receivedOn = QThread::currentThread();
        received = version;
    });

    QThread *worker = QThread::create([&] { list.append(makeEntry(0, 1)); });
    worker->start();
    worker->wait();
    EXPECT_EQ(announcedOn, worker);
    EXPECT_EQ(received, 0u); // not yet: queued
    QCoreApplication::processEvents();
    EXPECT_EQ(receivedOn, QThread::currentThread());
    EXPECT_EQ(received, 1u);
    delete worker;
}
