// ffmpeg's console output as the burn runner reads it.

#include "FuzzSupport.h"

#include "audio/FfmpegProgress.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString chunk = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    const FfmpegProgress progress = parseFfmpegProgress(chunk);
    FUZZ_CHECK(progress.frame >= -1);
    FUZZ_CHECK(progress.seconds == -1 || (progress.seconds >= 0 && !std::isnan(progress.seconds)));
    FUZZ_CHECK(progress.speed == -1 || (progress.speed > 0 && std::isfinite(progress.speed)));

    const int byFrame = framePercent(progress.frame, 1000);
    FUZZ_CHECK(byFrame >= -1 && byFrame <= 99);
    const int byTime = timePercent(progress.seconds, 3600);
    FUZZ_CHECK(byTime >= -1 && byTime <= 99);
    const double left = remainingSeconds(progress.seconds, 3600, progress.speed);
    FUZZ_CHECK(left == -1 || (left >= 0 && !std::isnan(left)));

    const QString error = lastErrorLine(chunk);
    FUZZ_CHECK(!error.contains(QLatin1Char('\n')) && !error.contains(QLatin1Char('\r')));
    return 0;
}
