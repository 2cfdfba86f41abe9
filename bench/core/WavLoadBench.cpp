// Loads a 1 GiB WAV with WavFile and scans its peak, beside a plain read() of
// the same file into an already touched buffer (the machine's copy speed).
#include "SpeechFixture.h"

#include "audio/AudioExtraction.h"
#include "audio/WavFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

constexpr quint64 FileLength = WavFile::MaxFileLength;
constexpr int Rounds = 3;

bool writeBigWav(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const quint32 dataSize = quint32(FileLength - 44);
    file.write(cw::testing::wavHeader16k(dataSize));

    // A quiet saw-tooth with one loud sample near the end.
    QByteArray block(1 << 20, '\0');
    auto *samples = reinterpret_cast<qint16 *>(block.data());
    for (int i = 0; i < block.size() / 2; ++i)
        samples[i] = qint16((i % 2000) - 1000);
    for (quint64 written = 0; written < dataSize;) {
        const quint64 n = qMin<quint64>(quint64(block.size()), dataSize - written);
        if (written + n == dataSize)
            samples[n / 2 - 10] = -12345;
        if (file.write(block.constData(), qint64(n)) != qint64(n))
            return false;
        written += n;
    }
    return file.flush();
}

double gbPerSecond(quint64 bytes, qint64 nanoseconds)
{
    return double(bytes) / double(nanoseconds); // bytes per ns = GB/s
}

double plainReadSeconds(const QString &path, char *buffer)
{
    QElapsedTimer timer;
    timer.start();
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    quint64 total = 0;
    for (ssize_t got; (got = ::read(fd, buffer + total, FileLength - total)) > 0;)
        total += quint64(got);
    ::close(fd);
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath("big.wav");
    std::printf("writing a %llu-byte WAV...\n", static_cast<unsigned long long>(FileLength));
    if (!writeBigWav(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }

    std::unique_ptr<char[]> reference(new char[FileLength]);
    std::memset(reference.get(), 0, FileLength);
    plainReadSeconds(path, reference.get()); // warm the page cache
    double bestPlain = 1e9;
    for (int round = 0; round < Rounds; ++round)
        bestPlain = qMin(bestPlain, plainReadSeconds(path, reference.get()));
    reference.reset();

    double bestLoad = 1e9;
    double bestScan = 1e9;
    int peak = 0;
    for (int round = 0; round < Rounds; ++round) {
        WavFile wav;
        QElapsedTimer timer;
        timer.start();
        if (!wav.Load(path)) {
            std::fprintf(stderr, "load failed: %s\n", qPrintable(wavLoadErrorText(wav.error())));
            return 1;
        }
        const qint64 loadNs = timer.nsecsElapsed();
        timer.restart();
        peak = peakSample(wav.samples(), wav.dataSize());
        const qint64 scanNs = timer.nsecsElapsed();
        bestLoad = qMin(bestLoad, double(loadNs) / 1e9);
        bestScan = qMin(bestScan, double(scanNs) / 1e9);
    }

    std::printf("1 GiB WAV, best of %d (file in page cache):\n", Rounds);
    std::printf("  plain read() into touched memory : %6.3f s  %5.2f GB/s\n", bestPlain,
                gbPerSecond(FileLength, qint64(bestPlain * 1e9)));
    std::printf("  WavFile::Load (allocate + read)  : %6.3f s  %5.2f GB/s\n", bestLoad,
                gbPerSecond(FileLength, qint64(bestLoad * 1e9)));
    std::printf("  peak scan                        : %6.3f s  %5.2f GB/s  (peak %d)\n", bestScan,
                gbPerSecond(FileLength, qint64(bestScan * 1e9)), peak);
    return peak == 12345 ? 0 : 1;
}
