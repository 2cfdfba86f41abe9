// Times the list editor's table against a plain QTableWidget fill of the
// same texts in the same run, and prints the figures and their ratios.
// Runs on the offscreen platform unless one is set.
#include "base/AppState.h"
#include "subtitle/LocalCodec.h"
#include "subtitle/SubtitleList.h"
#include "subtitle/SubtitleWriters.h"
#include "views/SrtListWidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

SubtitleEntries makeEntries(int count)
{
    const QString words = QStringLiteral("这是一段用来测试字幕列表重建速度的文本内容");
    SubtitleEntries entries(count);
    for (int i = 0; i < count; ++i) {
        SubtitleEntry &entry = entries[i];
        entry.startTime = millisecondsToTimeCode(qint64(i) * 2000);
        // Every tenth entry runs into the next, so the scan has work.
        entry.endTime = millisecondsToTimeCode(qint64(i) * 2000 + (i % 10 == 0 ? 2500 : 1800));
        entry.text = toLocal8(words.mid(i % 7, 8 + i % 11) + QString::number(i));
    }
    return entries;
}

// The four texts of each row, made before the timing starts.
QVector<QStringList> rowTexts(const SubtitleEntries &entries)
{
    QVector<QStringList> rows;
    rows.reserve(entries.size());
    for (int i = 0; i < entries.size(); ++i) {
        const SubtitleEntry &e = entries.at(i);
        rows.append(
            {QString::number(i + 1), formatTimeCode(e.startTime), formatTimeCode(e.endTime), fromLocal8(e.text)});
    }
    return rows;
}

// What any QTableWidget rebuild costs at least: empty it, then one plain
// item per cell, with signals and updates off.
void rawFill(QTableWidget &table, const QVector<QStringList> &rows)
{
    const QSignalBlocker blocker(&table);
    table.setUpdatesEnabled(false);
    table.setRowCount(0);
    table.setRowCount(rows.size());
    for (int row = 0; row < rows.size(); ++row) {
        for (int column = 0; column < 4; ++column)
            table.setItem(row, column, new QTableWidgetItem(rows[row][column]));
    }
    table.setUpdatesEnabled(true);
}

// The median of `runs` timings in milliseconds; `prepare` is not timed.
double medianMs(int runs, const std::function<void()> &prepare, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
        QCoreApplication::processEvents();
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void benchRebuild(SrtListWidget &list, int count, int runs)
{
    const SubtitleEntries entries = makeEntries(count);
    const QVector<QStringList> rows = rowTexts(entries);
    QTableWidget raw(0, 4);
    raw.resize(list.table()->size());
    raw.show();
    rawFill(raw, rows);
    currentSubtitleList().replaceDocument(entries);
    list.slot_loadSrtData();

    const double rawMs = medianMs(
        runs, [] {}, [&] { rawFill(raw, rows); });
    const double rebuildMs = medianMs(
        runs, [] {}, [&] { list.slot_loadSrtData(); });
    std::printf(
        "rebuild %7d entries: %8.1f ms   raw fill %8.1f ms   ratio %.2f\n", count, rebuildMs, rawMs, rebuildMs / rawMs);
}

void benchStructuralEdit(SrtListWidget &list, int count, int runs)
{
    const SubtitleEntries entries = makeEntries(count);
    const auto reset = [&] {
        currentSubtitleList().replaceDocument(entries);
        list.slot_loadSrtData();
    };
    const int row = count / 2;
    const double deleteMs = medianMs(runs, reset, [&] { list.slot_noticeCommand(row, QStringLiteral("delete")); });
    const double mergeMs = medianMs(runs, reset, [&] { list.slot_noticeCommand(row, QStringLiteral("mergenext")); });
    std::printf("delete  %7d entries: %8.1f ms   merge %8.1f ms (edit, rebuild, rescan)\n", count, deleteMs, mergeMs);
}

void benchOpen(SrtListWidget &list, int count, int runs)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.srt"));
    // In the local form, as most subtitle files the editor opens in place.
    writeSrtFile(makeEntries(count), path, localCodecName());
    const double openMs = medianMs(
        runs, [] { resetCurrentProject(); }, [&] { list.slot_SelectTxtfile(path); });
    std::printf("open    %7d entries: %8.1f ms (read, rebuild, rescan)\n", count, openMs);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    AppState state;
    QTemporaryDir scratch;
    currentProject().tempFolder = scratch.path();

    SrtListWidget list;
    list.resize(640, 480);
    list.show();
    QCoreApplication::processEvents();

    benchRebuild(list, 10000, 7);
    benchRebuild(list, 100000, 3);
    benchStructuralEdit(list, 10000, 7);
    benchOpen(list, 100000, 3);
    std::printf("targets: rebuild within 1.3x of the raw fill, 10 000 under 50 ms; "
                "structural edit at 10 000 under 60 ms; open of 100 000 under 1 s\n");
    return 0;
}
