// How long the GUI thread can be kept waiting for the subtitle list's lock
// while the autosave writes a 100 000-entry list, compared in the same run
// with the 1 ms limit and with the time one write takes (what a writer that
// held the lock while writing would cost).
//
//   bench_autosave_lock [entries] [writes]

#include "project/AutoSaveThread.h"
#include "subtitle/LocalCodec.h"
#include "subtitle/SubtitleWriters.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

SubtitleEntries makeEntries(int count)
{
    SubtitleEntries entries;
    entries.reserve(count);
    const QByteArray chinese = toLocal8(QString::fromUtf8("这是一句用于测试自动保存的字幕。"));
    for (int i = 0; i < count; ++i) {
        SubtitleEntry e;
        e.startTime = millisecondsToTimeCode(qint64(i) * 3000);
        e.endTime = millisecondsToTimeCode(qint64(i) * 3000 + 2500);
        e.text = i % 2 ? chinese : "Line " + QByteArray::number(i) + " of the lecture.";
        entries.append(e);
    }
    return entries;
}

struct Figures
{
    std::vector<qint64> readWaitsNs;
    std::vector<qint64> editWaitsNs;
    std::vector<qint64> firstEditNs; // a real change after a snapshot: includes the copy-on-write
};

double ms(qint64 ns)
{
    return ns / 1e6;
}

qint64 percentile(std::vector<qint64> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[size_t(p * double(values.size() - 1))];
}

qint64 maximum(const std::vector<qint64> &values)
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

void printLine(const char *what, const std::vector<qint64> &waits)
{
    std::printf("%-30s median %.4f ms  99.9%% %.4f ms  longest %.4f ms\n", what, ms(percentile(waits, 0.5)),
                ms(percentile(waits, 0.999)), ms(maximum(waits)));
}

// The GUI thread's part: reads and edits as fast as it can, with a real
// change now and then so an autosave always has something to write.
template <typename Done>
Figures probe(SubtitleList &list, int count, Done done)
{
    Figures figures;
    QElapsedTimer timer;
    for (int round = 0; !done(); ++round) {
        timer.start();
        list.read([](const SubtitleEntries &) {});
        figures.readWaitsNs.push_back(timer.nsecsElapsed());

        timer.start();
        list.edit([](SubtitleEntries &e) { return e.size(); }); // takes the write lock, changes nothing
        figures.editWaitsNs.push_back(timer.nsecsElapsed());

        if (round % 64 == 0) {
            SubtitleEntry changed = list.at(round % count);
            changed.endTime.milliseconds = qint16((changed.endTime.milliseconds + 1) % 1000);
            timer.start();
            list.replace(round % count, changed);
            figures.firstEditNs.push_back(timer.nsecsElapsed());
        }
        std::this_thread::yield();
    }
    return figures;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int count = args.size() > 1 ? args[1].toInt() : 100000;
    const int wantedWrites = args.size() > 2 ? args[2].toInt() : 20;

    QTemporaryDir dir;
    const QString path = dir.filePath("autosave.srt");
    SubtitleList list;
    list.replaceDocument(makeEntries(count));

    // The peer: one whole write, as long as a writer holding the lock would block.
    const SubtitleEntries entries = list.snapshot();
    QElapsedTimer timer;
    qint64 writeNs = 1LL << 62;
    for (int i = 0; i < 3; ++i) {
        timer.start();
        writeSrtFile(entries, path, "UTF-8");
        writeNs = std::min(writeNs, timer.nsecsElapsed());
    }

    std::atomic<int> writes{0};
    AutoSaveThread autosave(list);
    autosave.setIntervalMs(0);
    QObject::connect(&autosave, &AutoSaveThread::signal_autoSaved, [&](const QString &, bool ok) { writes += ok; });
    autosave.setTarget(AutoSaveTarget{path, 1, true});
    autosave.setRunning(true);
    autosave.start();
    QElapsedTimer wall;
    wall.start();
    const Figures figures = probe(list, count, [&] { return writes.load() >= wantedWrites || wall.elapsed() > 120000; });
    autosave.stop();

    // Control: the same probing for as long with no autosave, so scheduling
    // noise on a busy machine shows as what it is.
    const qint64 probed = wall.restart();
    const Figures control = probe(list, count, [&] { return wall.elapsed() > probed; });

    const qint64 worst = std::max(maximum(figures.readWaitsNs), maximum(figures.editWaitsNs));
    const qint64 controlWorst = std::max(maximum(control.readWaitsNs), maximum(control.editWaitsNs));
    std::printf("list of %d entries, %d autosave writes of %.1f MB each (one write alone: %.2f ms)\n", count,
                writes.load(), QFileInfo(path).size() / 1e6, ms(writeNs));
    std::printf("lock taken %zu times for reading, %zu for writing while the autosave wrote\n",
                figures.readWaitsNs.size(), figures.editWaitsNs.size());
    printLine("read lock, autosave writing", figures.readWaitsNs);
    printLine("write lock, autosave writing", figures.editWaitsNs);
    printLine("read lock, no autosave", control.readWaitsNs);
    printLine("write lock, no autosave", control.editWaitsNs);
    std::printf("longest wait / 1 ms limit: %.3f  [target < 1] %s\n", ms(worst), ms(worst) < 1 ? "met" : "NOT MET");
    std::printf("longest wait without the autosave (scheduling alone) / 1 ms limit: %.3f\n", ms(controlWorst));
    std::printf("longest wait / one write under the lock: %.4f\n", double(worst) / double(writeNs));
    // Not a wait on the lock: an edit made while the autosave still holds its
    // snapshot copies the list once (copy-on-write), on the editing thread.
    std::printf("one-entry edit: median %.3f ms, longest %.3f ms (the longest copies the list the autosave is writing)\n",
                ms(percentile(figures.firstEditNs, 0.5)), ms(maximum(figures.firstEditNs)));
    return writes.load() > 0 ? 0 : 1;
}
