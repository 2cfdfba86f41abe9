// SRT text as the editor opens it: the block reader on raw bytes (both index
// forms), and whole files through the opener (UTF-8 detection and conversion).

#include "FuzzSupport.h"

#include "subtitle/SrtReader.h"
#include "subtitle/SubtitleFileOpener.h"
#include "subtitle/SubtitleWriters.h"

namespace {

void checkEntries(const SubtitleEntries &entries)
{
    for (const SubtitleEntry &entry : entries) {
        FUZZ_CHECK(!entry.text.isEmpty());
        FUZZ_CHECK(!entry.text.contains('\n') && !entry.text.contains('\r') && !entry.text.contains('\0'));
        for (const TimeCode &t : {entry.startTime, entry.endTime}) {
            FUZZ_CHECK(t.hours >= 0 && t.hours <= 99 && t.minutes >= 0 && t.minutes <= 99);
            FUZZ_CHECK(t.seconds >= 0 && t.seconds <= 99 && t.milliseconds >= 0 && t.milliseconds <= 999);
        }
    }
}

bool sameTimesAndTexts(const SubtitleEntries &a, const SubtitleEntries &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (a[i].startTime != b[i].startTime || a[i].endTime != b[i].endTime || a[i].text != b[i].text)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    for (const bool pairFlag : {false, true}) {
        SubtitleEntries entries;
        readSrtText(bytes, entries, pairFlag);
        checkEntries(entries);
        if (pairFlag)
            continue;
        // What the program writes it reads back the same: once written, the
        // entries are a fixed point of write-then-read.
        SubtitleEntries written;
        readSrtText(composeSrt(entries, QStringLiteral("GB18030")), written, false);
        for (int i = 0; i < qMin(entries.size(), written.size()); ++i)
            FUZZ_CHECK(entries[i].startTime == written[i].startTime && entries[i].endTime == written[i].endTime);
        SubtitleEntries rewritten;
        readSrtText(composeSrt(written, QStringLiteral("GB18030")), rewritten, false);
        FUZZ_CHECK(sameTimesAndTexts(written, rewritten));
    }

    const QString path = fuzzScratchFile(QStringLiteral("input.srt"), bytes);
    if (!path.isEmpty()) {
        const SubtitleFileOpenResult opened = readSubtitleFile(path, fuzzScratchFolder() + QStringLiteral("/copy"));
        FUZZ_CHECK(opened.opened());
        FUZZ_CHECK(opened.textEncoding == 1 || opened.textEncoding == 2);
        checkEntries(opened.entries);
    }
    return 0;
}
