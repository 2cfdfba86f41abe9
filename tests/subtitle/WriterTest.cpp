#include "subtitle/LocalCodec.h"
#include "subtitle/SrtReader.h"
#include "subtitle/SubtitleWriters.h"

#include "SubtitleTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
const QByteArray kAssHeader =
    "[Script Info]\r\n; This is an Advanced Sub Station Alpha v4+ script.\r\nTitle: T"
    "\r\nScriptType: v4.00+\r\nCollisions: Normal\r\nPlayDepth: 0\r\n\r\n[V4+ Styles]\r\n"
    "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, "
    "Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, "
    "Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\r\n"
    "Style: Default, Arial, 20, &H00FFFFFF, &H0300FFFF, &H00000000, &H02000000, 0, 0, 0, 0, 100, "
    "100, 0, 0, 1, 2, 1, 2, 10, 10, 10, 1\r\n\r\n[Events]\r\n"
    "Format: Layer, Start, End, Style, Actor, MarginL, MarginR, MarginV, Effect, Text\r\n";

SubtitleEntry entryAt(TimeCode start, TimeCode end, const QByteArray &text)
{
    SubtitleEntry e;
    e.startTime = start;
    e.endTime = end;
    e.text = text;
    return e;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}
} // namespace

TEST(SubtitleWriters, ExactBytesPerFormat)
{
    const SubtitleEntries one = {entryAt(tc(0, 0, 1, 0), tc(0, 0, 2, 500), "A")};
    const SubtitleEntries none;
    const SubtitleEntries emptyText = {entryAt(tc(0, 0, 1, 0), tc(0, 0, 2, 500), "")};
    const SubtitleEntries odd = {entryAt(tc(12, 3, 4, 999), tc(1, 1, 2, 340), "B"),
                                 entryAt(tc(0, 0, 1, 5), tc(0, 0, 0, 0), "C")};
    const struct { const char *name; QByteArray actual; QByteArray expected; } cases[] = {
        {"SRT", composeSrt(one, "GBK"), "1\r\n00:00:01,000 --> 00:00:02,500\r\nA\r\n\r\n"},
        {"SRT numbering", composeSrt(odd, "GBK"),
         "1\r\n12:03:04,999 --> 01:01:02,340\r\nB\r\n\r\n2\r\n00:00:01,005 --> 00:00:00,000\r\nC\r\n\r\n"},
        {"SRT empty list", composeSrt(none, "GBK"), ""},
        {"SRT empty text", composeSrt(emptyText, "UTF-8"), "1\r\n00:00:01,000 --> 00:00:02,500\r\n\r\n\r\n"},
        {"ASS", composeAss(one, "T"), kAssHeader + "Dialogue: 0,0:00:01.00,0:00:02.50,Default,,0,0,0,,A\r\n"},
        {"ASS hundredths and long hours", composeAss(odd, "T"),
         kAssHeader + "Dialogue: 0,12:03:04.99,1:01:02.34,Default,,0,0,0,,B\r\n"
                      "Dialogue: 0,0:00:01.00,0:00:00.00,Default,,0,0,0,,C\r\n"},
        {"ASS empty list", composeAss(none, "T"), kAssHeader},
        {"ASS empty text", composeAss(emptyText, "T"), kAssHeader + "Dialogue: 0,0:00:01.00,0:00:02.50,Default,,0,0,0,,\r\n"},
        {"WebVTT", composeWebVtt(one), "WEBVTT\r\n\r\n00:00:01.000 --> 00:00:02.500\r\nA\r\n\r\n"},
        {"WebVTT empty list", composeWebVtt(none), "WEBVTT\r\n\r\n"},
        {"WebVTT empty text", composeWebVtt(emptyText), "WEBVTT\r\n\r\n00:00:01.000 --> 00:00:02.500\r\n\r\n\r\n"},
        {"TXT", composeTxt(odd, "GBK"), "B\r\nC\r\n"},
        {"TXT empty list", composeTxt(none, "GBK"), ""},
        {"TXT empty text", composeTxt(emptyText, "GBK"), "\r\n"},
        {"LRC", composeLrc(one, "GBK"), "[00:01.00]A\r\n"},
        {"LRC hours fold into minutes", composeLrc(odd, "GBK"), "[723:04.99]B\r\n[00:01.00]C\r\n"},
        {"LRC empty list", composeLrc(none, "GBK"), ""},
        {"LRC empty text", composeLrc(emptyText, "GBK"), "[00:01.00]\r\n"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.actual, c.expected) << c.name;

    EXPECT_EQ(composeLrc({entryAt(tc(0, 1, 2, 340), {}, "x")}, "GBK"), "[01:02.34]x\r\n");
    EXPECT_EQ(composeLrc({entryAt(tc(1, 1, 2, 340), {}, "x")}, "GBK"), "[61:02.34]x\r\n");
}

TEST(SubtitleWriters, EncodesTextPerCodecWithoutByteOrderMark)
{
    const QString chinese = QString::fromUtf8("你好");
    const SubtitleEntries entries = {entryAt(tc(0, 0, 1, 0), tc(0, 0, 2, 0), toLocal8(chinese))};
    const QByteArray prefix = "你好";
    EXPECT_EQ(composeTxt(entries, "GBK"), "\xC4\xE3\xBA\xC3\r\n");
    EXPECT_EQ(composeTxt(entries, "GB18030"), "\xC4\xE3\xBA\xC3\r\n");
    EXPECT_EQ(composeTxt(entries, "Big5"), "\xA7\x41\xA6\x6E\r\n");
    EXPECT_EQ(composeTxt(entries, "UTF-8"), prefix + "\r\n");
    EXPECT_EQ(composeTxt(entries, "no-such-codec"), "\xC4\xE3\xBA\xC3\r\n");
    EXPECT_TRUE(composeWebVtt(entries).contains(prefix + "\r\n"));
    EXPECT_TRUE(composeAss(entries, QString::fromUtf8("标题")).contains("Title: 标题\r\n"));
    EXPECT_EQ(exportCodecNames(), QStringList({"GBK", "GB18030", "Big5", "UTF-8"}));
}

// Text is held in GB18030, so what GBK cannot hold survives until an export
// asks for GBK; text written back in the local form is copied byte for byte.
TEST(SubtitleWriters, TextBeyondGbk)
{
    const QString mixed = QString::fromUtf8("한국어 😀 café");
    const SubtitleEntries entries = {entryAt(tc(0, 0, 1, 0), tc(0, 0, 2, 0), toLocal8(mixed))};
    EXPECT_EQ(composeTxt(entries, "UTF-8"), mixed.toUtf8() + "\r\n");
    EXPECT_EQ(composeTxt(entries, "GBK"), "??? ? caf\xA8\xA6\r\n");
    EXPECT_EQ(fromLocal8(entries[0].text), mixed);

    const SubtitleEntries latin1 = {entryAt(tc(0, 0, 1, 0), tc(0, 0, 2, 0), "caf\xE9")};
    EXPECT_EQ(composeTxt(latin1, localCodecName()), "caf\xE9\r\n");
    EXPECT_EQ(fromLocal8("\xC4\xE3\x80"), QString::fromUtf8("你€")); // GBK's one-byte euro sign
}

TEST(SubtitleWriters, SrtRoundTripDropsOnlyEmptyTexts)
{
    const SubtitleEntries written = {entryAt(tc(0, 0, 1, 0), tc(0, 0, 2, 0), toLocal8(QString::fromUtf8("第一"))),
                                     entryAt(tc(0, 0, 2, 0), tc(0, 0, 3, 0), ""),
                                     entryAt(tc(1, 2, 3, 4), tc(1, 2, 5, 6), "last")};
    SubtitleEntries read;
    readSrtText(composeSrt(written, "GBK"), read, false);
    ASSERT_EQ(read.size(), 2);
    EXPECT_EQ(read[0].text, written[0].text);
    EXPECT_EQ(read[1].startTime, written[2].startTime);
    EXPECT_EQ(read[1].endTime, written[2].endTime);
    EXPECT_EQ(read[1].number, 3); // the file's own numbering
}

TEST(SubtitleWriters, FilesAreReplacedAndFailuresReported)
{
    QTemporaryDir dir;
    const SubtitleEntries one = {entryAt(tc(0, 0, 1, 0), tc(0, 0, 2, 500), "A")};
    const QString srt = dir.filePath("out.srt");
    QFile old(srt);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(10000, 'z'));
    old.close();

    EXPECT_TRUE(writeSrtFile(one, srt, "GBK"));
    EXPECT_EQ(readAll(srt), composeSrt(one, "GBK"));
    EXPECT_EQ(writeAssFile(dir.filePath("o.ass"), one, "T"), 0);
    EXPECT_EQ(readAll(dir.filePath("o.ass")), composeAss(one, "T"));
    EXPECT_EQ(writeWebVttFile(dir.filePath("o.vtt"), one), 0);
    EXPECT_EQ(writeTxtFile(one, dir.filePath("o.txt"), "GBK"), 0);
    EXPECT_EQ(writeLrcFile(one, dir.filePath("o.lrc"), "GBK"), 0);
    EXPECT_EQ(readAll(dir.filePath("o.lrc")), "[00:01.00]A\r\n");

    const QString missing = dir.filePath("no/such/folder/out");
    EXPECT_FALSE(writeSrtFile(one, missing, "GBK"));
    EXPECT_EQ(writeAssFile(missing, one, "T"), -1);
    EXPECT_EQ(writeWebVttFile(missing, one), -1);
    EXPECT_EQ(writeTxtFile(one, missing, "GBK"), -1);
    EXPECT_EQ(writeLrcFile(one, missing, "GBK"), -1);
    EXPECT_FALSE(writeSubtitleFile(SubtitleFormat::Srt, one, missing, "GBK", ""));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 5); // no temporary files left behind
}
