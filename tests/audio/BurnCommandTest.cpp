#include "audio/BurnCommand.h"
#include "audio/FfmpegProgress.h"
#include "audio/MediaProbe.h"
#include "audio/ToolRunner.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

BurnSettings plainBurn()
{
    BurnSettings settings;
    settings.inputPath = QStringLiteral("/v/in.mp4");
    settings.outputPath = QStringLiteral("/v/out.mp4");
    return settings;
}

bool runFfmpeg(const QStringList &arguments)
{
    int exitCode = -1;
    return runProgram(ffmpegProgramPath(), QStringList{"-hide_banner", "-loglevel", "error"} + arguments, QString(),
                      &exitCode)
           && exitCode == 0;
}

} // namespace

TEST(BurnCommand, ArgumentsFollowTheFixedOrder)
{
    EXPECT_EQ(burnArguments(plainBurn()),
              QStringList({"-y", "-i", "/v/in.mp4", "-c:v", "libx264", "-preset", "slower", "-crf", "23", "-ac", "1",
                           "/v/out.mp4"}));

    BurnSettings all = plainBurn();
    all.videoSize = QStringLiteral("720   X 576");
    all.subtitlePath = QStringLiteral("/s/a.srt");
    all.videoBitrate = QStringLiteral("8000");
    all.frameRate = QStringLiteral("29.97");
    all.audioBitrate = QStringLiteral("128");
    all.audioSampleRate = QStringLiteral("16000");
    all.profile = 3;
    const QStringList args = burnArguments(all);
    EXPECT_EQ(args.mid(0, 5), QStringList({"-y", "-i", "/v/in.mp4", "-s", "720*576"}));
    // A chosen bitrate replaces the constant quality.
    EXPECT_EQ(args.mid(5, 4), QStringList({"-c:v", "libx264", "-preset", "slower"}));
    EXPECT_EQ(args.at(9), QStringLiteral("-vf"));
    EXPECT_TRUE(args.at(10).startsWith(QStringLiteral("subtitles='/s/a.srt':force_style='FontName=Microsoft YaHei,")));
    EXPECT_EQ(args.mid(11), QStringList({"-b:v", "8000k", "-r", "29.97", "-ab", "128k", "-ar", "16000", "-ac", "1",
                                         "-profile:v", "high", "-pix_fmt", "yuv420p", "/v/out.mp4"}));

    // A burn writes beside its output and names the container itself.
    EXPECT_EQ(partialOutputArguments(burnArguments(plainBurn())).mid(11),
              QStringList({"-f", "mp4", "/v/out.mp4.part"}));
}

TEST(BurnCommand, FilterPathEscapingAndColours)
{
    EXPECT_EQ(escapeFilterPath(QStringLiteral("D:/subs/a,b.srt")), QStringLiteral("'D\\:/subs/a\\,b.srt'"));
    EXPECT_EQ(escapeFilterPath(QStringLiteral("a\\b=c;d")), QStringLiteral("'a\\\\b\\=c\\;d'"));
    EXPECT_EQ(escapeFilterPath(QStringLiteral("it's")), QStringLiteral("'it'\\\\\\''s'"));

    BurnStyle style;
    EXPECT_EQ(subtitleFilterText(QStringLiteral("/x/a.ASS"), style), QStringLiteral("ass='/x/a.ASS'"));
    // A font name is escaped like a path; "," and "=" would split the style
    // list, so they are left out.
    style.fontName = QStringLiteral("It's: A\\B, C=D");
    EXPECT_TRUE(subtitleFilterText(QStringLiteral("/x/a.srt"), style)
                    .contains(QStringLiteral(":force_style='FontName=It'\\\\\\''s\\: A\\\\B CD,FontSize=")));
    // "%2" in a name is text, not the place of the next field.
    style.fontName = QStringLiteral("Sans %2%1");
    EXPECT_TRUE(subtitleFilterText(QStringLiteral("/x/a.srt"), style)
                    .contains(QStringLiteral("FontName=Sans %2%1,FontSize=16,PrimaryColour=&Hffffff&,")));
    style = BurnStyle();
    EXPECT_TRUE(subtitleFilterText(QStringLiteral("/x/a.srt"), style, false)
                    .startsWith(QStringLiteral("subtitles='/x/a.srt':charenc=GBK:force_style=")));
    EXPECT_TRUE(subtitleFilterText(QStringLiteral("/x/a.txt"), style).startsWith(QStringLiteral("'/x/a.txt':force")));
    EXPECT_TRUE(subtitleFilterText(QStringLiteral("/x/a.srt"), style)
                    .contains(QStringLiteral("Bold=0,Italic=0,Underline=0,Outline=0,Shadow=0,MarginV=10,"
                                             "Outline=0,OutlineColour=&H000&'")));
    // A relative name would be read as a protocol ("a:b.srt").
    EXPECT_TRUE(subtitleFilterText(QStringLiteral("a:b.srt"), style)
                    .startsWith(QStringLiteral("subtitles='") + QDir::currentPath().replace(":", "\\:")));

    EXPECT_EQ(assColourString(0, 255, 0), QStringLiteral("&H00ff00&"));
    EXPECT_EQ(assColourString(0, 0, 255), QStringLiteral("&Hff0000&"));
    EXPECT_EQ(assColourString(255, 128, 0), QStringLiteral("&H0080ff&"));
}

// Text drawn onto a black frame: the frame got bright pixels.
int brightPixels(const QString &png)
{
    const QImage frame(png);
    int bright = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            bright += qGray(frame.pixel(x, y)) > 128;
    return bright;
}

TEST(BurnCommand, FfmpegRendersUtf8GbkAndAssFilesFromHostileFolders)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/字幕 [a],b;c=d%e's");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString input = dir.path() + QStringLiteral("/black.mp4");
    ASSERT_TRUE(runFfmpeg({"-f", "lavfi", "-i", "color=black:size=160x90:rate=5", "-t", "1", input}));
    const QByteArray cue = "1\n00:00:00,000 --> 00:00:05,000\n";
    const QByteArray ass = "[Script Info]\nScriptType: v4.00+\nPlayResX: 160\nPlayResY: 90\n\n[V4+ Styles]\n"
                           "Format: Name, Fontsize, PrimaryColour\nStyle: Default,30,&H00FFFFFF\n\n[Events]\n"
                           "Format: Layer, Start, End, Style, Text\nDialogue: 0,0:00:00.00,0:00:05.00,Default,WWWWWW\n";
    const QList<QPair<QString, QByteArray>> files = {
        {QStringLiteral("/课 1:x.srt"), cue + "WWWWWWWWWW\n"},
        {QStringLiteral("/gbk.srt"), cue + QByteArray("\xc4\xe3\xba\xc3\xc4\xe3\xba\xc3 WWWW\n")}, // GBK "你好你好"
        {QStringLiteral("/styled.ass"), ass},
    };
    for (const auto &file : files) {
        const QString path = folder + file.first;
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(file.second);
        out.close();

        BurnSettings settings;
        settings.inputPath = input;
        settings.subtitlePath = path;
        settings.style.fontSize = 40;
        const QString png = dir.path() + QStringLiteral("/frame.png");
        QFile::remove(png);
        ASSERT_TRUE(runFfmpeg(previewArguments(settings, 0.5, png))) << path.toStdString();
        EXPECT_GT(brightPixels(png), 20) << path.toStdString();
    }
    EXPECT_FALSE(subtitleFileIsUtf8(folder + QStringLiteral("/gbk.srt")));
}

TEST(FfmpegProgress, ReadsTheNewestReportOfAChunk)
{
    const FfmpegProgress p = parseFfmpegProgress(
        QStringLiteral("frame=   10 fps=0.0 q=0.0 size=       0kB time=00:00:00.40 bitrate=N/A speed=0.8x\r"
                       "frame=  120 fps= 60 q=28.0 size=     256kB time=00:01:04.80 bitrate= 32.4kbits/s speed=2.47x\r"));
    EXPECT_EQ(p.frame, 120);
    EXPECT_DOUBLE_EQ(p.seconds, 64.8);
    EXPECT_DOUBLE_EQ(p.speed, 2.47);

    const FfmpegProgress early = parseFfmpegProgress(QStringLiteral("frame=    0 fps=0.0 time=N/A speed=N/A\r"));
    EXPECT_EQ(early.frame, 0);
    EXPECT_EQ(early.seconds, -1);
    EXPECT_EQ(early.speed, -1);
    EXPECT_FALSE(parseFfmpegProgress(QStringLiteral("Input #0, mov,mp4, from 'a.mp4':")).isProgressLine());

    EXPECT_EQ(framePercent(50, 200), 25);
    EXPECT_EQ(framePercent(300, 200), 99);
    EXPECT_EQ(framePercent(10, 0), -1);
    EXPECT_EQ(timePercent(30, 60), 50);
    EXPECT_DOUBLE_EQ(remainingSeconds(30, 90, 2), 30);
    EXPECT_EQ(remainingSeconds(30, 90, 0), -1);
    EXPECT_EQ(lastErrorLine(QStringLiteral("frame=1\nx.srt: No such file or directory\nConversion failed!\n")),
              QStringLiteral("x.srt: No such file or directory"));
}

TEST(MediaProbe, CountsFramesAndRefusesWhatIsNoMedia)
{
    QTemporaryDir dir;
    const QString video = dir.path() + QStringLiteral("/a:b 视频.mp4");
    ASSERT_TRUE(runFfmpeg({"-f", "lavfi", "-i", "testsrc=size=64x48:rate=10", "-t", "2", "-c:v", "libx264", video}));
    const MediaInfo info = probeMedia(video);
    EXPECT_TRUE(info.opened) << info.error.toStdString();
    EXPECT_TRUE(info.hasVideo);
    EXPECT_EQ(info.videoFrames, 20);
    EXPECT_EQ(info.width, 64);
    EXPECT_NEAR(info.durationSeconds, 2.0, 0.1);

    const QString text = dir.path() + QStringLiteral("/notes.mp4");
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a video at all");
    file.close();
    EXPECT_FALSE(probeMedia(text).opened);
    EXPECT_FALSE(probeMedia(dir.path() + QStringLiteral("/missing.mp4")).opened);
    EXPECT_FALSE(probeMedia(QStringLiteral("http://127.0.0.1:1/x.mp4")).opened);
}
