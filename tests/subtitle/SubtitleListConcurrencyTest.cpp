#include "subtitle/SubtitleList.h"
#include "subtitle/SubtitleWriters.h"

#include "SubtitleTestSupport.h"

#include <atomic>
#include <thread>
#include <gtest/gtest.h>

// The autosave takes snapshots on its own thread while the GUI thread edits;
// every snapshot must show the list between two edits, never in the middle of one.
TEST(SubtitleListConcurrency, SnapshotsAreConsistentWhileEditing)
{
    SubtitleList list;
    SubtitleEntries initial;
    for (int i = 0; i < 200; ++i)
        initial.append(makeEntry(0, 0, "0"));
    list.assign(initial);

    std::atomic<bool> done{false};
    std::thread editor([&] {
        for (int round = 1; round <= 2000; ++round) {
            list.edit([round](SubtitleEntries &entries) {
                const QByteArray text = QByteArray::number(round);
                for (SubtitleEntry &e : entries) {
                    e.text = text;
                    e.startTime = millisecondsToTimeCode(round);
                }
            });
            list.append(makeEntry(round, round, QByteArray::number(round)));
            list.erase(list.size() - 1);
        }
        done = true;
    });

    int inconsistent = 0;
    int snapshots = 0;
    while (!done || snapshots == 0) {
        const SubtitleEntries copy = list.snapshot();
        ++snapshots;
        if (copy.size() != 200 && copy.size() != 201) {
            ++inconsistent;
            continue;
        }
        for (int i = 0; i < 200; ++i) {
            if (copy[i].text != copy[0].text || copy[i].startTime != copy[0].startTime)
                ++inconsistent;
        }
        // Writing the copy must not race either.
        composeSrt(copy, "GBK");
    }
    editor.join();
    EXPECT_EQ(inconsistent, 0);
    EXPECT_EQ(list.at(199).text, "2000");
}
