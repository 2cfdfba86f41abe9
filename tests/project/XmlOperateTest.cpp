#include "../audio/WavBytes.h"

#include "project/ProjectList.h"
#include "project/XmlOperate.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

SrtItem item(const char *begin, const char *end, const QString &text, TagColor color = TagColor::defaultGray())
{
    return SrtItem{begin, end, text, color};
}

_ProjectSetting sampleSetting()
{
    _ProjectSetting setting;
    setting.CurrentPlayPos = 12.5;
    setting.TotalTime = 3725.25;
    setting.TimeScaleValue = 1;
    setting.PlaySpeed = 1.5;
    setting.Volume = 80;
    setting.MultimediaFile = "/媒体/讲座 1.mp4";
    setting.ExportSrtFilePath = "/out/a.srt";
    setting.WavFilePath = "/tmp/Cuewright/讲座 1.mp4.wav";
    setting.SrtListData = {item("00:00:01,000", "00:00:02,500", "你好 <world> & \"x\"", TagColor(255, 0, 10)),
                           item("00:00:03,000", "00:00:04,000", "")};
    return setting;
}

TEST(XmlOperateTest, ProjectFileHasTheExpectedLayout)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("p.cwpro");
    _ProjectSetting setting;
    setting.CurrentPlayPos = 1234567.89;
    setting.TimeScaleValue = 0.5;
    setting.MultimediaFile = "/m/a.mp4";
    setting.SrtListData = {item("00:00:01,000", "00:00:02,500", "A", TagColor())};
    ASSERT_TRUE(XmlOperate().WriteProjectSetting(path, setting));

    const QByteArray expected = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                "<Project>\n"
                                "    <BaseSetting>\n"
                                "        <CurrentPlayPos>1.23457e+06</CurrentPlayPos>\n"
                                "        <TotalTime>0</TotalTime>\n"
                                "        <TimeScaleValue>0.5</TimeScaleValue>\n"
                                "        <PlaySpeed>0</PlaySpeed>\n"
                                "        <Volume>0</Volume>\n"
                                "    </BaseSetting>\n"
                                "    <ReferenceFile>\n"
                                "        <MultimediaFile>/m/a.mp4</MultimediaFile>\n"
                                "        <WavFilePath></WavFilePath>\n"
                                "        <ExportSrtFilePath></ExportSrtFilePath>\n"
                                "    </ReferenceFile>\n"
                                "    <SrtListData>\n"
                                "        <srtitem>\n"
                                "            <begintime>00:00:01,000</begintime>\n"
                                "            <endtime>00:00:02,500</endtime>\n"
                                "            <text>A</text>\n"
                                "            <tagcolor>0,0,0</tagcolor>\n"
                                "        </srtitem>\n"
                                "    </SrtListData>\n"
                                "</Project>\n";
    EXPECT_EQ(readAll(path), expected);

    _ProjectSetting back;
    ASSERT_TRUE(XmlOperate().ReadProjectSetting(path, back));
    EXPECT_EQ(back.CurrentPlayPos, 1234570.0); // six significant digits survive
    for (const auto &c : {std::pair<double, const char *>{1.0, "1"}, {3725.4567, "3725.46"}, {0.0001234, "0.0001234"},
                          {0.1640625, "0.164062"}, {1e-5, "1e-05"}}) // exact ties round to even, as %g does
        EXPECT_EQ(formatProjectNumber(c.first), QString(c.second));
}

TEST(XmlOperateTest, ProjectRoundTripsTextPathsAndColours)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("工程.cwpro");
    const _ProjectSetting setting = sampleSetting();
    ASSERT_TRUE(XmlOperate().WriteProjectSetting(path, setting));
    _ProjectSetting back;
    ASSERT_TRUE(XmlOperate().ReadProjectSetting(path, back));
    EXPECT_EQ(back, setting);
}

// XML 1.0 cannot hold most control characters; such a text (a stray one
// from an odd subtitle file) must not make every later save fail.
TEST(XmlOperateTest, CharactersXmlCannotHoldAreDroppedAndTheSaveSucceeds)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("p.cwpro");
    _ProjectSetting setting = sampleSetting();
    setting.MultimediaFile = QString("/m/a") + QChar(0x1b) + "b.mp4";
    setting.SrtListData[0].text = QString("x") + QChar(0x01) + "y" + QChar(0x0b) + QChar(0xffff) + "\tz"
                                  + QChar(0xd800) + QString::fromUtf8("😀");
    ASSERT_TRUE(XmlOperate().WriteProjectSetting(path, setting));

    _ProjectSetting back;
    ASSERT_TRUE(XmlOperate().ReadProjectSetting(path, back));
    EXPECT_EQ(back.MultimediaFile, "/m/ab.mp4");
    EXPECT_EQ(back.SrtListData[0].text, QString("xy\tz") + QString::fromUtf8("😀"));
    EXPECT_EQ(back.SrtListData[1], setting.SrtListData[1]);

    const QString listPath = dir.filePath("Prolist.xml");
    ASSERT_TRUE(XmlOperate().WriteProjectList(listPath, {{QString("a") + QChar(0x02), true, "/p/a.cwpro"}}));
    ProjectItems items;
    ASSERT_TRUE(XmlOperate().ReadProjectList(listPath, items));
    EXPECT_EQ(items, ProjectItems({{"a", true, "/p/a.cwpro"}}));
}

TEST(XmlOperateTest, ReaderIsLenientAboutContentButRefusesBrokenXml)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("p.cwpro");
    const _ProjectSetting before = sampleSetting();

    // Unparsable files and missing files leave the record untouched.
    for (const QByteArray &bytes : {QByteArray("<Project><BaseSetting>"), QByteArray("not xml"), QByteArray()}) {
        ASSERT_TRUE(writeBytes(path, bytes));
        _ProjectSetting out = before;
        EXPECT_FALSE(XmlOperate().ReadProjectSetting(path, out)) << bytes.constData();
        EXPECT_EQ(out, before);
    }
    _ProjectSetting out = before;
    EXPECT_FALSE(XmlOperate().ReadProjectSetting(dir.filePath("missing.cwpro"), out));
    EXPECT_EQ(out, before);

    // Any root name, missing elements, bad numbers and short colours.
    ASSERT_TRUE(writeBytes(path, "<Other>"
                                 "<BaseSetting><TotalTime>abc</TotalTime><Volume> 7.5 </Volume></BaseSetting>"
                                 "<ReferenceFile><MultimediaFile>  /m/x.mp4\n</MultimediaFile></ReferenceFile>"
                                 "<SrtListData>"
                                 "<srtitem><begintime> 00:00:01,000 </begintime><text> hi </text>"
                                 "<tagcolor>1,2</tagcolor></srtitem>"
                                 "<whatever><tagcolor>x,300,-4,9</tagcolor></whatever>"
                                 "</SrtListData></Other>"));
    ASSERT_TRUE(XmlOperate().ReadProjectSetting(path, out));
    EXPECT_EQ(out.TotalTime, 0.0);
    EXPECT_EQ(out.Volume, 7.5);
    EXPECT_EQ(out.CurrentPlayPos, 0.0);
    EXPECT_EQ(out.MultimediaFile, "/m/x.mp4");
    EXPECT_EQ(out.WavFilePath, "");
    ASSERT_EQ(out.SrtListData.size(), 2);
    EXPECT_EQ(out.SrtListData[0], item("00:00:01,000", "", "hi"));
    EXPECT_EQ(out.SrtListData[1].tagcolor, TagColor(0, 255, 0));
}

TEST(XmlOperateTest, ProjectListRoundTripAndStateRule)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Prolist.xml");
    const ProjectItems items = {{"讲座", true, "/p/讲座.cwpro"}, {"b", false, "/p/b.cwpro"}};
    ASSERT_TRUE(XmlOperate().WriteProjectList(path, items));
    ProjectItems back = {{"stale", true, "/stale"}};
    ASSERT_TRUE(XmlOperate().ReadProjectList(path, back));
    EXPECT_EQ(back, items);

    ASSERT_TRUE(writeBytes(path, "<ProList><x><name> a </name><state>2</state><path>/a</path></x>"
                                 "<y><state> 1 </state></y></ProList>"));
    ASSERT_TRUE(XmlOperate().ReadProjectList(path, back));
    EXPECT_EQ(back, ProjectItems({{"a", false, "/a"}, {"", true, ""}}));

    ASSERT_TRUE(writeBytes(path, "<ProList><x>"));
    EXPECT_FALSE(XmlOperate().ReadProjectList(path, back));
    EXPECT_EQ(back.size(), 2); // left as it was
}

// A file-size limit stands in for a full disk: the write fails part-way.
TEST(XmlOperateTest, FailedWriteLeavesTheOldFileWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("keep.cwpro");
    ASSERT_TRUE(XmlOperate().WriteProjectSetting(path, sampleSetting()));
    const QByteArray old = readAll(path);

    _ProjectSetting bigger = sampleSetting();
    for (int i = 0; i < 2000; ++i)
        bigger.SrtListData.append(item("00:00:01,000", "00:00:02,000", "line"));

    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto savedSignal = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = rlim_t(old.size() + 100);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    testing::internal::CaptureStderr();
    const bool written = XmlOperate().WriteProjectSetting(path, bigger);
    const std::string err = testing::internal::GetCapturedStderr();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedSignal);

    EXPECT_FALSE(written);
    EXPECT_NE(err.find("Error: Cannot write file " + path.toStdString()), std::string::npos) << err;
    EXPECT_EQ(readAll(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.cwpro"}); // no leftovers

    testing::internal::CaptureStderr();
    EXPECT_FALSE(XmlOperate().WriteProjectList(dir.filePath("gone/Prolist.xml"), {}));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Error: Cannot write file " + dir.filePath("gone/Prolist.xml").toStdString() + ": "),
              std::string::npos);
}

TEST(ProjectListTest, ProposedPathAndRecording)
{
    EXPECT_EQ(proposedProjectFilePath("/m/a.b.mp4"), "/m/a.cwpro");
    EXPECT_EQ(proposedProjectFilePath("/m/讲座.mkv"), "/m/讲座.cwpro");

    QTemporaryDir dir;
    const QString listPath = dir.filePath("sub/Prolist.xml");
    ProjectItems list;
    EXPECT_TRUE(recordProjectInList(list, "a", "/p/a.cwpro", listPath));
    EXPECT_FALSE(recordProjectInList(list, "a", "/p/a.cwpro", listPath));
    EXPECT_TRUE(recordProjectInList(list, "A", "/p/A.cwpro", listPath)); // case matters
    ProjectItems onDisk;
    ASSERT_TRUE(XmlOperate().ReadProjectList(listPath, onDisk));
    EXPECT_EQ(onDisk, ProjectItems({{"a", true, "/p/a.cwpro"}, {"A", true, "/p/A.cwpro"}}));
}

} // namespace
