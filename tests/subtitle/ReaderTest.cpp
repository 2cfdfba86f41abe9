#include "subtitle/LocalCodec.h"
#include "subtitle/SrtReader.h"
#include "subtitle/SubtitleFileOpener.h"
#include "subtitle/SubtitleList.h"
#include "subtitle/SubtitleWriters.h"
#include "subtitle/TranscriptReader.h"
#include "subtitle/Utf8Conversion.h"

#include "SubtitleTestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
struct Expected
{
    int number;
    TimeCode start;
    TimeCode end;
    QByteArray text;
};

SubtitleEntries readSrt(const QByteArray &text, bool pairFlag = false)
{
    SubtitleEntries entries;
    readSrtText(text, entries, pairFlag);
    return entries;
}

void expectEntries(const SubtitleEntries &entries, const std::vector<Expected> &expected)
{
    ASSERT_EQ(size_t(entries.size()), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const SubtitleEntry &e = entries.at(int(i));
        EXPECT_EQ(e.number, expected[i].number) << "entry " << i;
        EXPECT_EQ(e.startTime, expected[i].start) << "entry " << i;
        EXPECT_EQ(e.endTime, expected[i].end) << "entry " << i;
        EXPECT_EQ(e.text, expected[i].text) << "entry " << i;
        EXPECT_EQ(e.tagColor, TagColor::defaultGray());
        EXPECT_FALSE(e.overlapping);
    }
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

const QByteArray kTwoEntries = "1\n00:00:01,000 --> 00:00:02,500\nA\n\n2\n00:00:03,000 --> 00:00:04,000\nB\n";
} // namespace

TEST(SrtReader, ReadsCommonLayouts)
{
    const Expected a{1, tc(0, 0, 1, 0), tc(0, 0, 2, 500), "A"};
    const Expected b{2, tc(0, 0, 3, 0), tc(0, 0, 4, 0), "B"};
    const struct { const char *name; QByteArray text; std::vector<Expected> expected; } cases[] = {
        {"LF only", kTwoEntries, {a, b}},
        {"CR LF", QByteArray(kTwoEntries).replace("\n", "\r\n"), {a, b}},
        {"byte-order mark", "\xEF\xBB\xBF" + kTwoEntries, {a, b}},
        {"no final line end", QByteArray(kTwoEntries).chopped(1), {a, b}},
        {"extra blank lines", "\n\n" + QByteArray(kTwoEntries).replace("\n\n", "\n\n\r\n  \n"), {a, b}},
        {"dot before milliseconds", "1\n00:00:01.000 --> 00:00:02.500\nA\n", {a}},
        {"short fields", "7\n00:00:01,5 --> 00:00:02,25\nC\n", {{7, tc(0, 0, 1, 5), tc(0, 0, 2, 25), "C"}}},
        {"arrow without spaces", "1\n00:00:01,000-->00:00:02,500\nA\n", {a}},
        {"position after the end time", "1\n00:00:01,000 --> 00:00:02,500 X1:10 X2:20\nA\n", {a}},
        {"no index lines", "00:00:01,000 --> 00:00:02,500\nA\n\n00:00:03,000 --> 00:00:04,000\nB\n",
         {{0, a.start, a.end, "A"}, {0, b.start, b.end, "B"}}},
        {"no blank line between blocks", "1\n00:00:01,000 --> 00:00:02,500\nA\n2\n00:00:03,000 --> 00:00:04,000\nB\n",
         {a, b}},
        {"GBK text kept as bytes", "1\n00:00:01,000 --> 00:00:02,500\n\xC4\xE3\xBA\xC3\r\n", {{1, a.start, a.end, "\xC4\xE3\xBA\xC3"}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        expectEntries(readSrt(c.text), c.expected);
    }
}

TEST(SrtReader, JoinsMultiLineTextAndKeepsLaterEntriesAligned)
{
    const QByteArray text = "1\r\n00:00:01,000 --> 00:00:02,000\r\nfirst line\r\nsecond line\r\n\r\n"
                            "2\r\n00:00:03,000 --> 00:00:04,000\r\nB\r\n\r\n"
                            "3\r\n00:00:05,000 --> 00:00:06,000\r\none\r\ntwo\r\nthree\r\n\r\n";
    expectEntries(readSrt(text), {{1, tc(0, 0, 1, 0), tc(0, 0, 2, 0), "first line second line"},
                                  {2, tc(0, 0, 3, 0), tc(0, 0, 4, 0), "B"},
                                  {3, tc(0, 0, 5, 0), tc(0, 0, 6, 0), "one two three"}});
}

TEST(SrtReader, SkipsBrokenRecordsAndKeepsWhatWasRead)
{
    const struct { const char *name; QByteArray text; std::vector<Expected> expected; } cases[] = {
        {"empty text drops the entry",
         "1\n00:00:01,000 --> 00:00:02,000\n\n2\n00:00:03,000 --> 00:00:04,000\nB\n",
         {{2, tc(0, 0, 3, 0), tc(0, 0, 4, 0), "B"}}},
        {"ends after the time line", "1\n00:00:01,000 --> 00:00:02,000\n", {}},
        {"ends after the index line", "1\n", {}},
        {"index without times", "1\n\n2\n00:00:03,000 --> 00:00:04,000\nB\n", {{2, tc(0, 0, 3, 0), tc(0, 0, 4, 0), "B"}}},
        {"unreadable times are zero", "1\nsoon --> later\nA\n", {{1, tc(0, 0, 0, 0), tc(0, 0, 0, 0), "A"}}},
        {"index that is not a number keeps the previous one",
         "4\n00:00:01,000 --> 00:00:02,000\nA\n\nx\n00:00:03,000 --> 00:00:04,000\nB\n",
         {{4, tc(0, 0, 1, 0), tc(0, 0, 2, 0), "A"}, {4, tc(0, 0, 3, 0), tc(0, 0, 4, 0), "B"}}},
        {"empty input", "", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        expectEntries(readSrt(c.text), c.expected);
    }
}

TEST(SrtReader, PairFlagReadsBothIndexNumbers)
{
    const QByteArray text = "12,3\n00:00:01,000 --> 00:00:02,000\nA\n\n13\n00:00:03,000 --> 00:00:04,000\nB\n";
    const SubtitleEntries paired = readSrt(text, true);
    ASSERT_EQ(paired.size(), 2);
    EXPECT_EQ(paired[0].number, 12);
    EXPECT_EQ(paired[0].extraNumber, 3);
    EXPECT_EQ(paired[1].number, 13);
    EXPECT_EQ(paired[1].extraNumber, 0);
    const SubtitleEntries plain = readSrt(text, false);
    EXPECT_EQ(plain[0].number, 12);
    EXPECT_EQ(plain[0].extraNumber, 0);
}

// Each of these used to lose entries without a word.
TEST(SrtReader, LineEndsAndStrayBytesThatUsedToLoseEntries)
{
    const Expected a{1, tc(0, 0, 1, 0), tc(0, 0, 2, 500), "A"};
    const Expected b{2, tc(0, 0, 3, 0), tc(0, 0, 4, 0), "B"};
    const struct { const char *name; QByteArray text; std::vector<Expected> expected; } cases[] = {
        {"CR only", QByteArray(kTwoEntries).replace("\n", "\r"), {a, b}},
        {"CR CR LF", QByteArray(kTwoEntries).replace("\n", "\r\r\n"), {a, b}},
        {"CR inside a text line splits it", "1\n00:00:01,000 --> 00:00:02,500\nA\rA2\n", {{1, a.start, a.end, "A A2"}}},
        {"NUL bytes skipped", QByteArray(kTwoEntries).replace("A\n", QByteArray("A\0\n", 3)), {a, b}},
        {"UTF-16 ASCII", [] {
             QByteArray wide;
             for (const char c : kTwoEntries)
                 wide.append(c).append('\0');
             return wide;
         }(), {a, b}},
        {"a number line before an arrow that is no time line stays text",
         "1\n00:00:01,000 --> 00:00:02,500\n2\nthen --> now\n\n2\n00:00:03,000 --> 00:00:04,000\nB\n",
         {{1, a.start, a.end, "2 then --> now"}, b}},
        {"a number line before a real time line starts a block",
         "1\n00:00:01,000 --> 00:00:02,500\nA\n2\n00:00:03,000 --> 00:00:04,000\nB\n", {a, b}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        expectEntries(readSrt(c.text), c.expected);
    }
}

TEST(SrtReader, FileReaderSkipsNulAndReportsUnopenableFiles)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "a.srt", QByteArray(kTwoEntries).insert(3, QByteArray(1, '\0')));
    SubtitleList list;
    EXPECT_EQ(readSrtFile(path, list), 1);
    EXPECT_EQ(list.size(), 2);
    EXPECT_EQ(readSrtFile(dir.filePath("missing.srt"), list), 0);
    EXPECT_EQ(list.size(), 2);
}

TEST(Utf8Test, ClassifiesEncodings)
{
    const struct { const char *name; QByteArray bytes; Utf8TestResult result; } cases[] = {
        {"ASCII", "hello", PlainUtf8},
        {"empty", "", PlainUtf8},
        {"mark", "\xEF\xBB\xBFx", Utf8WithMark},
        {"Chinese", "\xE4\xBD\xA0\xE5\xA5\xBD", PlainUtf8},
        {"emoji", "ok \xF0\x9F\x98\x80 ok", PlainUtf8},
        {"GBK", "\xC4\xE3\xBA\xC3", NotUtf8},
        {"stray continuation", "a\x80", NotUtf8},
        {"five-byte lead", "\xF8\x88\x80\x80\x80", NotUtf8},
        {"overlong four-byte", "\xF0\x80\x80\x80", NotUtf8},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", NotUtf8},
        {"cut at the end", "a\xE4\xBD", PlainUtf8},
    };
    for (const auto &c : cases)
        EXPECT_EQ(testUtf8(c.bytes), c.result) << c.name;
}

TEST(Utf8Conversion, WritesLocalCopyOnlyForUtf8)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("copy.srt");
    const QString utf8 = writeFile(dir, "u.srt", "\xEF\xBB\xBF\xE4\xBD\xA0\xE5\xA5\xBD \xF0\x9F\x98\x80\n");
    EXPECT_EQ(convertUtf8FileToLocal(utf8, target), ConvertedFromUtf8);
    QFile copy(target);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    // GBK's bytes for GBK's characters; the emoji survives in its GB18030 form.
    EXPECT_EQ(copy.readAll(), QByteArray("\xC4\xE3\xBA\xC3 \x94\x39\xFC\x36\n"));
    copy.close();

    const QString other = dir.filePath("other.srt");
    EXPECT_EQ(convertUtf8FileToLocal(writeFile(dir, "g.srt", "\xC4\xE3\xBA\xC3"), other), SourceNotUtf8);
    EXPECT_FALSE(QFile::exists(other));
    EXPECT_EQ(convertUtf8FileToLocal(dir.filePath("missing"), other), ConversionFailed);
    EXPECT_EQ(convertUtf8FileToLocal(utf8, dir.filePath("no/such/dir/x.srt")), ConversionFailed);
}

TEST(TranscriptReader, OneUntimedEntryPerLineAndTheLengthCheck)
{
    const QString chinese26 = QString(26, QChar(0x4E2D));
    QString spaced25;
    for (int i = 0; i < 25; ++i)
        spaced25 += QStringLiteral("\x4E2D ");
    const struct { const char *name; QByteArray bytes; int lines; bool tooLong; } cases[] = {
        {"empty file", "", 0, false},
        {"empty lines count", "a\n\nb\n", 3, false},
        {"CR LF", "a\r\nb", 2, false},
        {"26 Chinese characters", toLocal8(chinese26), 1, true},
        {"25 with spaces", toLocal8(spaced25), 1, false},
        {"51 ASCII letters", QByteArray(51, 'x') + "\nshort", 2, true},
        {"UTF-8 with mark", "\xEF\xBB\xBF\xE4\xBD\xA0\n", 1, false},
    };
    for (const auto &c : cases) {
        SubtitleEntries entries;
        EXPECT_EQ(readTranscriptText(c.bytes, entries), c.tooLong) << c.name;
        EXPECT_EQ(entries.size(), c.lines) << c.name;
        for (const SubtitleEntry &e : entries) {
            EXPECT_EQ(e.startTime, tc(0, 0, 0, 0));
            EXPECT_EQ(e.endTime, tc(0, 0, 0, 0));
            EXPECT_FALSE(e.text.contains('\r'));
        }
    }
    SubtitleEntries entries;
    readTranscriptText("\xEF\xBB\xBF\xE4\xBD\xA0\n", entries);
    EXPECT_EQ(entries.value(0).text, QByteArray("\xC4\xE3"));

    QTemporaryDir dir;
    SubtitleList list;
    EXPECT_FALSE(readTranscriptFile(dir.filePath("missing.txt"), list));
    EXPECT_TRUE(list.isEmpty());
}

TEST(SubtitleFileOpener, ChoosesReaderAndCopyBySuffixAndEncoding)
{
    QTemporaryDir source;
    QTemporaryDir scratch;

    const QString utf8Srt = writeFile(source, "a.SRT", "\xEF\xBB\xBF" "1\r\n00:00:01,000 --> 00:00:02,000\r\n\xE4\xBD\xA0\r\n");
    const SubtitleFileOpenResult fromUtf8 = readSubtitleFile(utf8Srt, scratch.path());
    EXPECT_TRUE(fromUtf8.opened());
    EXPECT_EQ(fromUtf8.textEncoding, 1);
    EXPECT_EQ(fromUtf8.workingPath, scratch.filePath("a.SRT"));
    ASSERT_EQ(fromUtf8.entries.size(), 1);
    EXPECT_EQ(fromUtf8.entries.at(0).text, QByteArray("\xC4\xE3"));

    const QString gbkSrt = writeFile(source, "g.srt", "1\r\n00:00:01,000 --> 00:00:02,000\r\n\xC4\xE3\xBA\xC3\r\n");
    const SubtitleFileOpenResult fromGbk = readSubtitleFile(gbkSrt, scratch.path());
    EXPECT_EQ(fromGbk.textEncoding, 2);
    EXPECT_EQ(fromGbk.workingPath, gbkSrt);
    EXPECT_EQ(fromGbk.entries.value(0).text, QByteArray("\xC4\xE3\xBA\xC3"));

    const SubtitleFileOpenResult transcript = readSubtitleFile(writeFile(source, "t.txt", "one\ntwo\n"), scratch.path());
    EXPECT_TRUE(transcript.opened());
    EXPECT_EQ(transcript.entries.size(), 2);
}

TEST(SubtitleFileOpener, FailuresLeaveTheListAlone)
{
    QTemporaryDir source;
    QTemporaryDir scratch;
    SubtitleList list;
    list.assign({makeEntry(0, 1, "old")});
    const struct { const char *name; QString path; SubtitleOpenStatus status; } cases[] = {
        {"suffix", writeFile(source, "notes.doc", "x"), SubtitleOpenStatus::UnsupportedSuffix},
        {"unreadable", source.filePath("gone.srt"), SubtitleOpenStatus::Unreadable},
        {"line too long", writeFile(source, "t.txt", toLocal8(QString(26, QChar(0x4E2D))) + "\nshort\n"),
         SubtitleOpenStatus::LineTooLong},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(openSubtitleFile(c.path, scratch.path(), list).status, c.status) << c.name;
        ASSERT_EQ(list.size(), 1) << c.name;
        EXPECT_EQ(list.at(0).text, "old") << c.name;
    }
    EXPECT_TRUE(openSubtitleFile(writeFile(source, "empty.txt", ""), scratch.path(), list).opened());
    EXPECT_TRUE(list.isEmpty());
    EXPECT_FALSE(list.canUndo()); // a new document, not an edit
}

TEST(SubtitleFileOpener, Utf8SourceWithoutScratchCopyHasNoAutosaveTarget)
{
    QTemporaryDir source;
    QTemporaryDir scratch;
    const QString utf8Srt = writeFile(source, "u.srt", "1\n00:00:01,000 --> 00:00:02,000\n\xE4\xBD\xA0\n");

    // The scratch folder is made when missing.
    const QString missingFolder = scratch.filePath("not/yet");
    EXPECT_EQ(readSubtitleFile(utf8Srt, missingFolder).workingPath, missingFolder + "/u.srt");

    // A folder that cannot hold the copy: still read as UTF-8, from memory.
    const QString blocked = writeFile(scratch, "a-file", "x");
    const SubtitleFileOpenResult result = readSubtitleFile(utf8Srt, blocked);
    EXPECT_TRUE(result.opened());
    EXPECT_EQ(result.textEncoding, 1);
    EXPECT_TRUE(result.workingPath.isEmpty());
    EXPECT_EQ(result.entries.value(0).text, QByteArray("\xC4\xE3"));
}

// Text outside GBK used to come back as "?" even when written as UTF-8 again.
TEST(SubtitleFileOpener, Utf8InUtf8OutKeepsEveryCharacter)
{
    QTemporaryDir source;
    const QByteArray text = "한국어 😀 café";
    const QString utf8Srt = writeFile(source, "k.srt", "1\r\n00:00:01,000 --> 00:00:02,000\r\n" + text + "\r\n\r\n");
    const SubtitleFileOpenResult result = readSubtitleFile(utf8Srt, source.filePath("scratch"));
    ASSERT_TRUE(result.opened());
    EXPECT_EQ(composeSrt(result.entries, "UTF-8"), "1\r\n00:00:01,000 --> 00:00:02,000\r\n" + text + "\r\n\r\n");
}
