// The task page's refresh of a table of 1000 tasks (model reset, selection
// kept, view repainted) against a limit of 20 ms; the queue file write that
// follows a burst of changes; a running task's row update.
#include "base/AppState.h"
#include "base/CurrentProject.h"
#include "batch/BatchAutoalignWidget.h"
#include "batch/TableModel.h"
#include "batch/TaskManageWidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    AppState state;
    QTemporaryDir dir;
    qputenv("APPDATA", dir.path().toUtf8());
    currentProject().tempFolder = dir.filePath(QStringLiteral("scratch"));

    TaskManageWidget page;
    page.resize(1280, 665);
    page.show();
    TaskList &tasks = page.tasks();
    QStringList media;
    for (int i = 0; i < 1000; ++i)
        media << dir.filePath(QStringLiteral("课程/第%1讲 lecture.mp4").arg(i + 1));
    tasks.addMedia(media, false);
    tasks.queueForStart(tasks.keys(), true);
    BatchAutoalignWidget *batch = page.batchWidget();
    batch->table()->selectRow(500);
    app.processEvents();

    const auto time = [&](const std::function<void()> &work) {
        std::vector<double> runs;
        for (int i = 0; i < 20; ++i) {
            QElapsedTimer clock;
            clock.start();
            work();
            batch->table()->viewport()->repaint();
            runs.push_back(clock.nsecsElapsed() / 1e6);
        }
        std::sort(runs.begin(), runs.end());
        return std::make_pair(runs[runs.size() / 2], runs.back());
    };
    const auto refresh = time([&] { batch->slot_ReSetModel(); });
    std::vector<double> saves;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer clock;
        clock.start();
        writeTaskListFile(taskListFilePath(), tasks);
        saves.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(saves.begin(), saves.end());
    const quint64 key = tasks.keys().at(500);
    tasks.markRunning(key, QStringLiteral("正在生成字幕..."));
    int pos = 0;
    const auto row = time([&] { batch->slot_noticeBatchProgress(key, ++pos, 100, QStringLiteral("正在生成字幕...")); });

    std::printf("task table of %d tasks\n", int(tasks.size()));
    std::printf("  refresh (median / worst)  %6.2f / %6.2f ms   ratio to limit %.2f (limit 20 ms)\n", refresh.first,
                refresh.second, refresh.second / 20.0);
    std::printf("  queue file write, after    %6.2f / %6.2f ms   (once per burst of changes)\n", saves[saves.size() / 2],
                saves.back());
    std::printf("  one row's progress        %6.2f / %6.2f ms   ratio to refresh %.3f\n", row.first, row.second,
                row.first / refresh.first);
    return 0;
}
