// What a recognition job reads from the service and the library: the result
// text ("number,extra" SRT blocks), the library's progress texts, and the
// names it sends back.

#include "FuzzSupport.h"

#include "audio/JobProgress.h"
#include "audio/RecognitionJob.h"
#include "audio/ServiceText.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const SubtitleEntries entries = readRecognitionResult(bytes);
    for (const SubtitleEntry &entry : entries) {
        FUZZ_CHECK(!entry.text.isEmpty() && !entry.text.contains('\n') && !entry.text.contains('\r'));
        for (const TimeCode &t : {entry.startTime, entry.endTime}) {
            FUZZ_CHECK(t.hours >= 0 && t.hours <= 99 && t.minutes >= 0 && t.minutes <= 99);
            FUZZ_CHECK(t.seconds >= 0 && t.seconds <= 99 && t.milliseconds >= 0 && t.milliseconds <= 999);
        }
    }

    // The library's progress text is NUL-terminated and at most a line.
    const std::string text(bytes.constData(), size_t(qMin(bytes.size(), 80)));
    const ProgressReport report = translateLibraryProgress(text.c_str());
    FUZZ_CHECK(report.percent >= 0 && report.percent <= 100);
    FUZZ_CHECK(report.stage != JobStage::Preparing);
    int pos = -1;
    int total = -1;
    progressSignalValues(report, pos, total);
    FUZZ_CHECK(total > 0 && pos >= 0 && pos <= total);

    // Names for the service: whole GBK characters within the limit, and a
    // file name never carries a separator byte.
    const QString name = QString::fromUtf8(bytes);
    const int limit = size > 0 ? data[0] % 64 : 0;
    FUZZ_CHECK(serviceName(name, limit).size() <= limit);
    const QByteArray fileName = serviceFileNameBytes(name, limit);
    FUZZ_CHECK(fileName.size() <= limit && !fileName.contains('/') && !fileName.contains('\\'));
    FUZZ_CHECK(!fileNameOfPath(name).contains(QLatin1Char('/')) && !fileNameOfPath(name).contains(QLatin1Char('\\')));
    return 0;
}
