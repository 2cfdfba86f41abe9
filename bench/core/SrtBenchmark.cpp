// Reads and writes a 100 000-entry SRT and compares with Debian's python3-srt
// on the same file in the same run; then measures the peak memory of a
// 100 000-entry list in a child process.
//
//   bench_srt [entries]         run everything
//   bench_srt --memory FILE     (child) load FILE into the list, print memory figures

#include "subtitle/LocalCodec.h"
#include "subtitle/SrtReader.h"
#include "subtitle/SubtitleList.h"
#include "subtitle/SubtitleWriters.h"
#include "subtitle/Utf8Conversion.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

const char kPythonPeer[] = R"PY(
import sys, time, srt
path, rounds = sys.argv[1], int(sys.argv[2])
data = open(path, 'rb').read()
best_parse = best_compose = float('inf')
for _ in range(rounds):
    t0 = time.perf_counter()
    subs = list(srt.parse(data.decode('utf-8')))
    t1 = time.perf_counter()
    out = srt.compose(subs, reindex=False).encode('utf-8')
    t2 = time.perf_counter()
    best_parse, best_compose = min(best_parse, t1 - t0), min(best_compose, t2 - t1)
print(len(subs), best_parse, best_compose, len(out))
)PY";

QByteArray makeSrt(int count)
{
    const QString chinese = QString::fromUtf8("这是第%1句字幕，用于测试读取和写入的速度。");
    QByteArray out;
    for (int i = 0; i < count; ++i) {
        const qint64 start = qint64(i) * 3000;
        out += QByteArray::number(i + 1) + "\r\n";
        out += formatTimeCode(millisecondsToTimeCode(start)).toLatin1() + " --> "
               + formatTimeCode(millisecondsToTimeCode(start + 2500)).toLatin1() + "\r\n";
        switch (i % 3) {
        case 0: out += "Line " + QByteArray::number(i) + " of the lecture, about signal processing.\r\n"; break;
        case 1: out += chinese.arg(i).toUtf8() + "\r\n"; break;
        default: out += "First of two lines,\r\nand the second one " + QByteArray::number(i) + ".\r\n"; break;
        }
        out += "\r\n";
    }
    return out;
}

double bestSeconds(int rounds, const std::function<void()> &work)
{
    double best = 1e300;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
}

double megabytesPerSecond(qint64 bytes, double seconds)
{
    return bytes / 1e6 / seconds;
}

QString pythonProgram()
{
    return QFileInfo::exists("/usr/bin/python3") ? QStringLiteral("/usr/bin/python3")
                                                  : QStringLiteral("python3");
}

bool runPeer(const QString &path, int rounds, double *parseSeconds, double *composeSeconds)
{
    QProcess python;
    python.start(pythonProgram(), {"-c", QString::fromLatin1(kPythonPeer), path, QString::number(rounds)});
    if (!python.waitForFinished(600000) || python.exitCode() != 0) {
        std::fprintf(stderr, "python3-srt peer failed: %s\n",
                     python.readAllStandardError().constData());
        return false;
    }
    const QList<QByteArray> fields = python.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() < 3)
        return false;
    *parseSeconds = fields[1].toDouble();
    *composeSeconds = fields[2].toDouble();
    return true;
}

// High-water mark of this process image (VmHWM starts afresh at exec,
// unlike getrusage's maxrss, which a child inherits from its parent).
long peakRssKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

int memoryChild(const QString &path)
{
    const long baselineRss = peakRssKiB();
    const size_t baselineHeap = mallinfo2().uordblks;
    SubtitleList list;
    const int result = readSrtFile(path, list);
    const size_t heap = mallinfo2().uordblks - baselineHeap;
    std::printf("%d %ld %ld %zu\n", list.size(), baselineRss, peakRssKiB(), heap);
    return result == 1 ? 0 : 1;
}

void measureMemory(const QString &path)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {"--memory", path});
    child.waitForFinished(120000);
    const QList<QByteArray> f = child.readAllStandardOutput().trimmed().split(' ');
    if (f.size() < 4) {
        std::printf("memory: child failed\n");
        return;
    }
    std::printf("list of %s entries: peak RSS %.1f MB (process start %.1f MB), heap held by the list %.1f MB  [target < 100 MB]\n",
                f[0].constData(), f[2].toLong() / 1024.0, f[1].toLong() / 1024.0,
                f[3].toULongLong() / 1048576.0);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == "--memory")
        return memoryChild(args[2]);
    const int count = args.size() > 1 ? args[1].toInt() : 100000;

    QTemporaryDir dir;
    const QString path = dir.filePath("bench.srt");
    const QByteArray file = makeSrt(count);
    {
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size())
            return 1;
    }
    std::printf("SRT file: %d entries, %.2f MB (UTF-8, CR LF, a third of the entries on two lines)\n",
                count, file.size() / 1e6);

    // Reading: bytes to entries (what the peer's parse does) and the file reader from disk.
    // Each round fills its own list, so freeing the last round's list is not timed.
    QVector<SubtitleEntries> rounds(14);
    int round = 0;
    const double readSeconds = bestSeconds(7, [&] { readSrtText(file, rounds[round++], false); });
    const double fileReadSeconds = bestSeconds(7, [&] { readSrtFile(path, rounds[round++]); });
    const SubtitleEntries entries = rounds[0];
    rounds.clear();

    // Writing: entries hold GBK as in the program; UTF-8 output re-encodes every text.
    SubtitleEntries local = entries;
    for (SubtitleEntry &e : local)
        e.text = utf8ToLocal8(e.text);
    QByteArray written;
    const double composeUtf8Seconds = bestSeconds(7, [&] { written = composeSrt(local, "UTF-8"); });
    const double composeGbkSeconds = bestSeconds(7, [&] { composeSrt(local, "GBK"); });
    const QString outPath = dir.filePath("out.srt");
    const double fileWriteSeconds = bestSeconds(5, [&] { writeSrtFile(local, outPath, "UTF-8"); });

    std::printf("entries read: %d\n", entries.size());
    std::printf("read  (bytes -> entries):      %8.2f ms  %8.1f MB/s\n", readSeconds * 1e3,
                megabytesPerSecond(file.size(), readSeconds));
    std::printf("read  (file reader, cached):   %8.2f ms  %8.1f MB/s\n", fileReadSeconds * 1e3,
                megabytesPerSecond(file.size(), fileReadSeconds));
    std::printf("write (compose, UTF-8):        %8.2f ms  %8.1f MB/s\n", composeUtf8Seconds * 1e3,
                megabytesPerSecond(written.size(), composeUtf8Seconds));
    std::printf("write (compose, GBK):          %8.2f ms  %8.1f MB/s\n", composeGbkSeconds * 1e3,
                megabytesPerSecond(written.size(), composeGbkSeconds));
    std::printf("write (atomic file, UTF-8):    %8.2f ms  %8.1f MB/s\n", fileWriteSeconds * 1e3,
                megabytesPerSecond(written.size(), fileWriteSeconds));
    std::printf("written file equals the input file: %s\n",
                written == QByteArray(file).replace("\r\nand", " and") ? "yes (two-line texts joined)" : "no");

    double peerParse = 0;
    double peerCompose = 0;
    if (runPeer(path, 3, &peerParse, &peerCompose)) {
        std::printf("python3-srt parse:             %8.2f ms  %8.1f MB/s\n", peerParse * 1e3,
                    megabytesPerSecond(file.size(), peerParse));
        std::printf("python3-srt compose:           %8.2f ms  %8.1f MB/s\n", peerCompose * 1e3,
                    megabytesPerSecond(file.size(), peerCompose));
        std::printf("ratio read  (peer time / ours): %6.1fx  [target >= 20x] %s\n",
                    peerParse / readSeconds, peerParse / readSeconds >= 20 ? "met" : "NOT MET");
        std::printf("ratio write (peer time / ours, UTF-8): %6.1fx\n", peerCompose / composeUtf8Seconds);
    }
    measureMemory(path);
    return 0;
}
