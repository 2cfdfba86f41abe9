// Transcripts: one untimed entry per line, GBK unless a byte-order mark says
// otherwise; also through the opener, which converts UTF-8 first.

#include "FuzzSupport.h"

#include "subtitle/LocalCodec.h"
#include "subtitle/SubtitleFileOpener.h"
#include "subtitle/TranscriptReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    SubtitleEntries entries;
    const bool tooLong = readTranscriptText(bytes, entries);
    bool anyLong = false;
    for (const SubtitleEntry &entry : entries) {
        FUZZ_CHECK(!entry.text.contains('\n'));
        FUZZ_CHECK(entry.startTime == TimeCode() && entry.endTime == TimeCode());
        // White space is not counted, so only a line longer in full can be too long.
        anyLong = anyLong || entry.text.size() > kTranscriptLineLimit;
    }
    FUZZ_CHECK(!tooLong || anyLong);

    const QString path = fuzzScratchFile(QStringLiteral("input.txt"), bytes);
    if (!path.isEmpty()) {
        const SubtitleFileOpenResult opened = readSubtitleFile(path, QString());
        FUZZ_CHECK(opened.status == SubtitleOpenStatus::Opened || opened.status == SubtitleOpenStatus::LineTooLong);
        FUZZ_CHECK(opened.opened() || opened.entries.isEmpty());
    }
    return 0;
}
