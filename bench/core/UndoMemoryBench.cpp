// Memory the undo history keeps for 100 whole-list steps of a 10 000-entry
// list, against 100 plain copies of that list made in the same run, and
// against the history's own estimate (which its 64 MiB cap relies on).
//
//   bench_undo_memory [entries] [steps]

#include "subtitle/LocalCodec.h"
#include "subtitle/SubtitleList.h"
#include "subtitle/TimingOperations.h"

#include <QCoreApplication>

#include <malloc.h>

#include <cstdio>
#include <vector>

namespace {

SubtitleEntries makeEntries(int count)
{
    SubtitleEntries entries;
    entries.reserve(count);
    const QString chinese = QString::fromUtf8("第%1句字幕，用于测量撤销所占的内存。");
    for (int i = 0; i < count; ++i) {
        SubtitleEntry e;
        e.startTime = millisecondsToTimeCode(qint64(i) * 3000);
        e.endTime = millisecondsToTimeCode(qint64(i) * 3000 + 2500);
        e.text = toLocal8(chinese.arg(i));
        entries.append(e);
    }
    return entries;
}

// Large blocks (a copy of the list is one) are mapped, not taken from the heap.
qint64 heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks) + qint64(info.hblkhd);
}

double mb(qint64 bytes)
{
    return bytes / 1048576.0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int count = args.size() > 1 ? args[1].toInt() : 10000;
    const int steps = args.size() > 2 ? args[2].toInt() : 100;

    SubtitleList list;
    list.replaceDocument(makeEntries(count));
    const SubtitleEntries live = list.snapshot();

    // The peer: the list copied `steps` times, each copy its own array (the
    // texts are shared, as any copy of the list shares them).
    qint64 before = heapInUse();
    std::vector<SubtitleEntries> copies;
    copies.reserve(size_t(steps));
    for (int i = 0; i < steps; ++i) {
        copies.push_back(live);
        copies.back().detach();
    }
    const qint64 copiesBytes = heapInUse() - before;
    copies.clear();

    // Whole-list steps: the boundary shift, as the editor's dialog runs it.
    before = heapInUse();
    for (int i = 0; i < steps; ++i)
        shiftBoundaries(list, 1, 1, KeepStarts);
    const qint64 historyBytes = heapInUse() - before;
    const qint64 estimate = list.historyBytes();

    std::printf("list of %d entries (%.2f MB array of %zu-byte entries); %d whole-list steps\n", count,
                mb(live.capacity() * qint64(sizeof(SubtitleEntry))), sizeof(SubtitleEntry), steps);
    std::printf("%d copies of the list:     %8.2f MB\n", steps, mb(copiesBytes));
    std::printf("undo history (measured):  %8.2f MB\n", mb(historyBytes));
    std::printf("undo history (estimated): %8.2f MB  (estimate / measured %.3f)\n", mb(estimate),
                double(estimate) / double(historyBytes));
    const double ratio = double(historyBytes) / double(copiesBytes);
    std::printf("undo memory / %d copies: %.3f  [target <= 1.1] %s\n", steps, ratio, ratio <= 1.1 ? "met" : "NOT MET");

    int undone = 0;
    while (list.undo().restored())
        ++undone;
    std::printf("steps undone: %d; list back as it was: %s\n", undone, list.snapshot() == live ? "yes" : "no");
    return 0;
}
