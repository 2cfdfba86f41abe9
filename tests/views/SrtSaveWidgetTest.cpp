// The export dialog: what it proposes, what it writes and what it remembers.
#include "ShellFixture.h"

#include "base/CurrentProject.h"
#include "base/MsgBox.h"
#include "project/Settings.h"
#include "subtitle/LocalCodec.h"
#include "subtitle/SubtitleList.h"
#include "views/ExportFormats.h"
#include "views/SrtSaveWidget.h"

#include <QApplication>
#include <QComboBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

SubtitleEntry entry(qint64 startMs, qint64 endMs, const QString &text)
{
    SubtitleEntry e;
    e.startTime = millisecondsToTimeCode(startMs);
    e.endTime = millisecondsToTimeCode(endMs);
    e.text = toLocal8(text);
    return e;
}

class SrtSaveWidgetTest : public ShellFixture
{
protected:
    void SetUp() override
    {
        ShellFixture::SetUp();
        currentProject().mediaFilePath = workFile(QStringLiteral("media/talk.v1.mp4"));
        QDir().mkpath(workFile(QStringLiteral("out")));
        setList({entry(1000, 2500, QStringLiteral("中文")), entry(62345, 64000, QStringLiteral("Hi"))});
    }

    static void setList(const SubtitleEntries &entries) { currentSubtitleList().replaceDocument(entries); }

    // The dialog deletes itself on close; the pointer tells whether it did.
    QPointer<SrtSaveWidget> openDialog(int format, int encoding = -1)
    {
        auto *dialog = new SrtSaveWidget;
        dialog->formatComboBox()->setCurrentIndex(format);
        if (encoding >= 0)
            dialog->encodingComboBox()->setCurrentIndex(encoding);
        return dialog;
    }

    // Saves under `chosen`; true when the dialog closed.
    bool saveAs(const QPointer<SrtSaveWidget> &dialog, const QString &chosen)
    {
        fileAnswers.push_back(chosen);
        dialog->slot_clickSaveButton();
        settle(0);
        return dialog.isNull();
    }

    void TearDown() override
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<SrtSaveWidget *>(widget))
                delete widget;
        }
        ShellFixture::TearDown();
    }
};

const QByteArray kZhongWen[] = {"\xd6\xd0\xce\xc4", "\xd6\xd0\xce\xc4", "\xa4\xa4\xa4\xe5", "\xe4\xb8\xad\xe6\x96\x87"};

} // namespace

TEST_F(SrtSaveWidgetTest, TextFormatsAreWrittenInTheChosenEncodingByteForByte)
{
    struct Case
    {
        int format;
        QByteArray head, middle;
    };
    const Case cases[] = {
        {0, "1\r\n00:00:01,000 --> 00:00:02,500\r\n", "\r\n\r\n2\r\n00:01:02,345 --> 00:01:04,000\r\nHi\r\n\r\n"},
        {3, "", "\r\nHi\r\n"},
        {4, "[00:01.00]", "\r\n[01:02.34]Hi\r\n"},
    };
    for (const Case &c : cases) {
        for (int encoding = 0; encoding < 4; ++encoding) {
            SCOPED_TRACE(testing::Message() << "format " << c.format << ", encoding " << encoding);
            const QString path = workFile(
                QStringLiteral("out/f%1e%2%3").arg(c.format).arg(encoding).arg(exportFormats()[c.format].extension));
            ASSERT_TRUE(saveAs(openDialog(c.format, encoding), path));
            EXPECT_EQ(readFile(path), c.head + kZhongWen[encoding] + c.middle);
        }
    }
    EXPECT_TRUE(boxTexts.isEmpty());
}

TEST_F(SrtSaveWidgetTest, AssAndWebVttAreAlwaysUtf8)
{
    const QString stem = workFile(QStringLiteral("media/talk"));
    const QByteArray utf8 = kZhongWen[3];

    auto dialog = openDialog(1);
    EXPECT_EQ(dialog->encodingComboBox()->currentText(), QStringLiteral("UTF-8"));
    EXPECT_FALSE(dialog->encodingComboBox()->isEnabled());
    const QString ass = workFile(QStringLiteral("out/talk.ass"));
    ASSERT_TRUE(saveAs(dialog, ass));
    const QByteArray assBytes = readFile(ass);
    // The title is the proposed name, whatever name the user chose.
    EXPECT_TRUE(assBytes.startsWith("[Script Info]\r\n; This is an Advanced Sub Station Alpha v4+ script.\r\nTitle: "
        + (stem + QStringLiteral(".ass")).toUtf8() + "\r\nScriptType: v4.00+\r\n"));
    EXPECT_TRUE(assBytes.endsWith("Effect, Text\r\nDialogue: 0,0:00:01.00,0:00:02.50,Default,,0,0,0,," + utf8
        + "\r\nDialogue: 0,0:01:02.34,0:01:04.00,Default,,0,0,0,,Hi\r\n"));

    const QString vtt = workFile(QStringLiteral("out/talk.vtt"));
    ASSERT_TRUE(saveAs(openDialog(2), vtt));
    EXPECT_EQ(readFile(vtt),
        "WEBVTT\r\n\r\n00:00:01.000 --> 00:00:02.500\r\n" + utf8
            + "\r\n\r\n00:01:02.345 --> 00:01:04.000\r\nHi\r\n\r\n");
}

TEST_F(SrtSaveWidgetTest, FormatChoiceLocksTheEncodingOnlyForAssAndWebVtt)
{
    auto dialog = openDialog(0, 2);
    const struct
    {
        int format;
        QString encoding;
        bool enabled;
    } steps[] = {{1, "UTF-8", false}, {0, "GBK", true}, {2, "UTF-8", false}, {3, "GBK", true}, {4, "GBK", true}};
    for (const auto &step : steps) {
        dialog->formatComboBox()->setCurrentIndex(step.format);
        EXPECT_EQ(dialog->encodingComboBox()->currentText(), step.encoding) << step.format;
        EXPECT_EQ(dialog->encodingComboBox()->isEnabled(), step.enabled) << step.format;
    }
    dialog->slot_fileFormatComboboxIndexChanged(-1); // ignored
    EXPECT_EQ(dialog->encodingComboBox()->currentText(), QStringLiteral("GBK"));
}

TEST_F(SrtSaveWidgetTest, ListsAndChooserShowTheFormatsAsWritten)
{
    auto dialog = openDialog(0);
    const QStringList labels = {"SubRip-SRT（*.srt）", "Advanced Sub Station Alpha-ASS（*.ass）", "WebVTT（*.vtt）",
        "TXT(*.txt)", "LRC(*.lrc)"};
    const QStringList filters = {"SubRip-SRT（*.srt）", "Advanced Sub Station Alpha-ASS（*.ass）", "WebVTT（*.vtt）",
        "TXT（*.txt）", "LRC（*.lrc）"};
    const QStringList extensions = {".srt", ".ass", ".vtt", ".txt", ".lrc"};
    ASSERT_EQ(dialog->formatComboBox()->count(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(dialog->formatComboBox()->itemText(i), labels[i]);
    EXPECT_EQ(dialog->encodingComboBox()->count(), 4);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("导出字幕"));

    // With no subtitle file the media names the export; up to its first dot.
    for (int i = 0; i < 5; ++i) {
        dialog->formatComboBox()->setCurrentIndex(i);
        dialog->slot_clickSaveButton(); // the chooser is cancelled
        ASSERT_EQ(fileRequests.size(), i + 1);
        EXPECT_TRUE(fileRequests[i].save);
        EXPECT_EQ(fileRequests[i].caption, QStringLiteral("保存字幕"));
        EXPECT_EQ(fileRequests[i].folder, workFile(QStringLiteral("media/talk")) + extensions[i]);
        EXPECT_EQ(fileRequests[i].filter, filters[i]);
    }
    settle(0);
    ASSERT_FALSE(dialog.isNull()); // a cancelled chooser keeps the dialog

    currentProject().subtitleFilePath = workFile(QStringLiteral("subs/lecture.zh.srt"));
    dialog->formatComboBox()->setCurrentIndex(0);
    dialog->slot_clickSaveButton();
    EXPECT_EQ(fileRequests.last().folder, workFile(QStringLiteral("subs/lecture.srt")));
}

TEST_F(SrtSaveWidgetTest, TheExtensionIsAddedUnlessTheNameEndsInItExactly)
{
    const struct
    {
        QString chosen, extension, written;
    } cases[] = {
        {"abc.SRT", ".srt", "abc.SRT.srt"},
        {"a.b", ".srt", "a.b.srt"},
        {"x.srt", ".srt", "x.srt"},
        {".srt", ".srt", ".srt.srt"},
        {"a.srt", ".srt", "a.srt"},
        {"movie", ".lrc", "movie.lrc"},
        {"x.ass", ".vtt", "x.ass.vtt"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(withExportExtension(c.chosen, c.extension), c.written) << c.chosen.toStdString();

    const QString chosen = workFile(QStringLiteral("abc.SRT"));
    ASSERT_TRUE(saveAs(openDialog(0), chosen));
    EXPECT_FALSE(QFile::exists(chosen));
    EXPECT_TRUE(QFile::exists(chosen + QStringLiteral(".srt")));
    EXPECT_EQ(currentProject().exportSrtFilePath, chosen + QStringLiteral(".srt"));
}

TEST_F(SrtSaveWidgetTest, AddingTheExtensionAsksBeforeReplacingAFile)
{
    const QString bare = workFile(QStringLiteral("movie"));
    const QString target = bare + QStringLiteral(".srt");
    writeFile(target, "keep");

    // Declined: nothing written, nothing remembered, the dialog stays.
    boxAnswers = {ModalSeam::Answer::Cancel};
    auto dialog = openDialog(0);
    EXPECT_FALSE(saveAs(dialog, bare));
    ASSERT_EQ(boxTexts.size(), 1);
    EXPECT_EQ(boxTexts[0], QStringLiteral("文件“movie.srt”已存在，是否覆盖？"));
    EXPECT_EQ(readFile(target), "keep");
    EXPECT_TRUE(currentProject().exportSrtFilePath.isEmpty());

    // Closing the question declines too.
    boxAnswers = {ModalSeam::Answer::No};
    EXPECT_FALSE(saveAs(dialog, bare));
    EXPECT_EQ(readFile(target), "keep");

    boxAnswers = {ModalSeam::Answer::Ok};
    EXPECT_TRUE(saveAs(dialog, bare));
    EXPECT_TRUE(readFile(target).startsWith("1\r\n"));
    EXPECT_EQ(currentProject().exportSrtFilePath, target);

    // The chooser itself asked about a name that needs no extension, and a
    // new file needs no question.
    boxTexts.clear();
    EXPECT_TRUE(saveAs(openDialog(0), target));
    EXPECT_TRUE(saveAs(openDialog(0), workFile(QStringLiteral("fresh"))));
    EXPECT_TRUE(boxTexts.isEmpty());
}

TEST_F(SrtSaveWidgetTest, AFailedWriteIsReportedAndRemembersNothing)
{
    // Tests run as root, so a folder that is a plain file stands in for one
    // that cannot be written.
    const QString blocker = workFile(QStringLiteral("plainfile"));
    writeFile(blocker, "x");
    const QString folders[] = {blocker, workFile(QStringLiteral("missing"))};
    currentProject().lastFolderPath = QStringLiteral("/before");
    for (int format = 0; format < 10; ++format) {
        SCOPED_TRACE(format);
        boxTexts.clear();
        auto dialog = openDialog(format % 5);
        EXPECT_FALSE(
            saveAs(dialog, folders[format / 5] + QStringLiteral("/x") + exportFormats()[format % 5].extension));
        EXPECT_EQ(boxTexts, QStringList {QStringLiteral("字幕导出失败，请检查保存位置是否可写！")});
        EXPECT_TRUE(currentProject().exportSrtFilePath.isEmpty());
        EXPECT_EQ(currentProject().lastFolderPath, QStringLiteral("/before"));
        EXPECT_TRUE(readSetting(SettingKeys::FolderPath).isEmpty());
        delete dialog;
    }
}

TEST_F(SrtSaveWidgetTest, ASuccessfulExportRemembersByFormat)
{
    const struct
    {
        int format;
        bool path, folder;
    } cases[] = {{0, true, true}, {1, true, false}, {2, true, false}, {3, false, false}, {4, false, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.format);
        currentProject().exportSrtFilePath = QStringLiteral("/earlier.srt");
        currentProject().lastFolderPath = QStringLiteral("/earlier");
        writeSetting(SettingKeys::FolderPath, QStringLiteral("/earlier"));
        const QString folder = workFile(QStringLiteral("to%1").arg(c.format));
        QDir().mkpath(folder);
        const QString path = folder + QStringLiteral("/s") + exportFormats()[c.format].extension;
        ASSERT_TRUE(saveAs(openDialog(c.format), path));
        EXPECT_EQ(currentProject().exportSrtFilePath, c.path ? path : QStringLiteral("/earlier.srt"));
        EXPECT_EQ(currentProject().lastFolderPath, c.folder ? folder : QStringLiteral("/earlier"));
        EXPECT_EQ(readSetting(SettingKeys::FolderPath), c.folder ? folder : QStringLiteral("/earlier"));
    }
}

TEST_F(SrtSaveWidgetTest, CancelClosesWithoutAChooser)
{
    auto dialog = openDialog(0);
    dialog->slot_clickCancelButton();
    settle(0);
    EXPECT_TRUE(dialog.isNull());
    EXPECT_TRUE(fileRequests.isEmpty());
}

// Characters the chosen encoding cannot hold: the user picks what to do.
class EncodingLossTest : public SrtSaveWidgetTest
{
protected:
    void SetUp() override
    {
        SrtSaveWidgetTest::SetUp();
        // The emoji has no GBK or Big5 form, the simplified 简 none in Big5.
        setList({entry(1000, 2000, QStringLiteral("中\U0001F600简")), entry(3000, 4000, QStringLiteral("文"))});
    }

    const QString path = workFile(QStringLiteral("lossy.srt"));
    static QByteArray srt(const QByteArray &first, const QByteArray &second)
    {
        return "1\r\n00:00:01,000 --> 00:00:02,000\r\n" + first + "\r\n\r\n2\r\n00:00:03,000 --> 00:00:04,000\r\n"
            + second + "\r\n\r\n";
    }
};

TEST_F(EncodingLossTest, TheQuestionCountsWhatTheEncodingLoses)
{
    const struct
    {
        int encoding;
        int lost;
    } cases[] = {{0, 1}, {2, 2}};
    for (const auto &c : cases) {
        boxTexts.clear();
        boxAnswers = {ModalSeam::Answer::No};
        ASSERT_TRUE(saveAs(openDialog(0, c.encoding), path));
        EXPECT_EQ(boxTexts,
            QStringList {QStringLiteral("所选编码无法保存其中 %1 个字符，将被替换为“?”。"
                                        "建议改用 UTF-8 或 GB18030 编码。")
                             .arg(c.lost)});
    }
    // Encodings that hold every character never ask.
    boxTexts.clear();
    ASSERT_TRUE(saveAs(openDialog(0, 1), path));
    ASSERT_TRUE(saveAs(openDialog(0, 3), path));
    EXPECT_TRUE(boxTexts.isEmpty());
}

TEST_F(EncodingLossTest, EachAnswerWritesItsEncoding)
{
    const struct
    {
        ModalSeam::Answer answer;
        QString encodingShown;
        QByteArray bytes;
    } cases[] = {
        {ModalSeam::Answer::Ok, "UTF-8", srt("\xe4\xb8\xad\xf0\x9f\x98\x80\xe7\xae\x80", "\xe6\x96\x87")},
        {ModalSeam::Answer::Cancel, "GB18030", srt("\xd6\xd0\x94\x39\xfc\x36\xbc\xf2", "\xce\xc4")},
        {ModalSeam::Answer::No, "GBK", srt("\xd6\xd0?\xbc\xf2", "\xce\xc4")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.encodingShown.toStdString());
        boxAnswers = {c.answer};
        auto dialog = openDialog(0, 0);
        fileAnswers.push_back(path);
        dialog->slot_clickSaveButton();
        EXPECT_EQ(dialog->encodingComboBox()->currentText(), c.encodingShown);
        settle(0);
        EXPECT_TRUE(dialog.isNull());
        EXPECT_EQ(readFile(path), c.bytes);
    }
}

TEST_F(EncodingLossTest, ClosingTheQuestionCallsTheExportOff)
{
    // The box runs for real here: the scripted answers cannot close it.
    const ModalSeam::BoxAnswerer scripted = ModalSeam::boxAnswerer();
    ModalSeam::setBoxAnswerer(nullptr);
    const std::function<void(MsgBox *)> closers[] = {
        [](MsgBox *box) { box->closeButton()->click(); },
        [](MsgBox *box) { QTest::keyClick(box, Qt::Key_Escape); },
    };
    for (const auto &closeBox : closers) {
        QTimer poll;
        QString seen;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                auto *box = qobject_cast<MsgBox *>(widget);
                if (box && box->isVisible()) {
                    seen = box->text();
                    closeBox(box);
                    return;
                }
            }
        });
        poll.start(5);
        auto dialog = openDialog(0, 0);
        fileAnswers.push_back(path);
        dialog->slot_clickSaveButton();
        poll.stop();
        settle(0);
        EXPECT_TRUE(seen.startsWith(QStringLiteral("所选编码无法保存其中 1 个字符")));
        ASSERT_FALSE(dialog.isNull());
        EXPECT_EQ(dialog->encodingComboBox()->currentText(), QStringLiteral("GBK"));
        EXPECT_TRUE(fileRequests.isEmpty());
        EXPECT_FALSE(QFile::exists(path));
    }
    ModalSeam::setBoxAnswerer(scripted);
}
