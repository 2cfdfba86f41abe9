// The burn page: its checks and the task it hands to the queue, the form's
// starting values, presets, colours, the pre-fill and the preview.
#include "BurnTestSupport.h"
#include "ShellFixture.h"

#include "base/CurrentProject.h"
#include "base/LoginState.h"
#include "base/SignalProxy.h"
#include "batch/BatchAutoalignWidget.h"
#include "batch/TaskManageWidget.h"
#include "burn/ConvertVideoWidget.h"
#include "burn/PresetWidget.h"
#include "project/BurnPresets.h"
#include "shell/CotentWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

#include <memory>

namespace {

class BurnPageTest : public ShellFixture
{
protected:
    // Made after the fixture has given the test its own per-user folder.
    void SetUp() override
    {
        ShellFixture::SetUp();
        m_page = std::make_unique<ConvertVideoWidget>();
    }
    void TearDown() override
    {
        m_page.reset();
        ShellFixture::TearDown();
    }

    QString comboText(const QString &label) const { return page().combo(label)->currentText(); }
    QStringList items(const QString &label) const
    {
        QStringList texts;
        for (int i = 0; i < page().combo(label)->count(); ++i)
            texts << page().combo(label)->itemText(i);
        return texts;
    }

    ConvertVideoWidget &page() const { return *m_page; }

private:
    std::unique_ptr<ConvertVideoWidget> m_page;
};

} // namespace

TEST_F(BurnPageTest, StartChecksItsInputsAndHandsOneTaskPerBurnToTheQueue)
{
    TaskManageWidget tasks;
    SignalProxy *hub = SignalProxy::instance();
    QSignalSpy loginAsked(hub, &SignalProxy::signal_noticeShowLoginWidget);
    QSignalSpy tabs(hub, QOverload<int, int>::of(&SignalProxy::signal_clickTab));

    page().slot_clickStartButton();
    EXPECT_EQ(loginAsked.count(), 1);
    loginState().loggedIn = true;
    page().slot_clickStartButton();
    const QString input = workFile(QStringLiteral("课 1.mp4"));
    ASSERT_TRUE(makeClip(input, 2));
    page().sourceEdit()->setText(input);
    page().slot_clickStartButton();
    EXPECT_EQ(boxTexts, (QStringList{QStringLiteral("未添加视频文件，请添加！"), QStringLiteral("未指定输出文件，请设置！")}));

    // The save chooser's answer without a suffix becomes an .mp4.
    fileAnswers.push_back(workFile(QStringLiteral("out")));
    page().slot_clickDestinationButton();
    EXPECT_EQ(fileRequests.last().filter, QStringLiteral("mp4文件(*.mp4)"));
    EXPECT_EQ(page().outputEdit()->text(), workFile(QStringLiteral("out.mp4")));
    page().slot_clickStartButton();
    page().slot_clickStartButton(); // within the same second
    ASSERT_EQ(tabs.count(), 2);
    EXPECT_EQ(tabs.first(), (QList<QVariant>{4, 0}));
    EXPECT_EQ(boxTexts.last(), QStringLiteral("视频文件任务已经存在，请删除后再添加!"));

    // A second output: a second task with its own id.
    page().outputEdit()->setText(workFile(QStringLiteral("second.mkv")));
    page().slot_clickStartButton();
    const TaskEntries &listed = tasks.tasks().entries();
    ASSERT_EQ(listed.size(), 2);
    EXPECT_NE(listed.at(0).id, listed.at(1).id);
    EXPECT_EQ(listed.at(1).arguments, burnArguments(page().settings()));
    ASSERT_TRUE(waitFor([&] { return !tasks.isRunningTasks() && tasks.tasks().nextBurn() == 0; }, 60000));
    EXPECT_EQ(listed.at(0).status, QStringLiteral("转码完成"));
    EXPECT_EQ(listed.at(1).status, QStringLiteral("转码完成"));
}

TEST_F(BurnPageTest, TheFormStartsOnTheListedValuesAndAChineseFont)
{
    EXPECT_EQ(items(QStringLiteral("音频采样率")),
              (QStringList{QStringLiteral("与源相同"), "16000", "22050", "24000"}));
    EXPECT_EQ(comboText(QStringLiteral("字体大小")), QStringLiteral("16"));
    EXPECT_EQ(comboText(QStringLiteral("垂直边距")), QStringLiteral("10"));
    EXPECT_EQ(comboText(QStringLiteral("视频尺寸")), QStringLiteral("与源相同"));
    EXPECT_FALSE(comboText(QStringLiteral("字幕字体")).isEmpty());

    const QStringList latin = {"DejaVu Sans", "Noto Sans CJK SC", "WenQuanYi Micro Hei"};
    EXPECT_EQ(BurnForm::startingFontFamily(latin + QStringList{"微软雅黑"}, {}), QStringLiteral("微软雅黑"));
    EXPECT_EQ(BurnForm::startingFontFamily(latin + QStringList{"Microsoft YaHei"}, {}),
              QStringLiteral("Microsoft YaHei"));
    EXPECT_EQ(BurnForm::startingFontFamily(latin, {"WenQuanYi Micro Hei", "Noto Sans CJK SC"}),
              QStringLiteral("WenQuanYi Micro Hei"));
    EXPECT_EQ(BurnForm::startingFontFamily(latin, {}), QStringLiteral("DejaVu Sans"));

    page().setTextColour(QColor(0, 255, 0));
    page().setOutlineColour(QColor(0, 0, 255));
    EXPECT_EQ(page().settings().style.primaryColour, QStringLiteral("&H00ff00&"));
    EXPECT_EQ(page().settings().style.outlineColour, QStringLiteral("&Hff0000&"));
    EXPECT_EQ(page().button(QStringLiteral("字幕颜色"))->styleSheet(),
              QStringLiteral("border: 1px solid #5f5f5f;margin: 1px;background-color:rgb(0,255,0);"));

    BurnIdMaker ids;
    const QDateTime now(QDate(2026, 3, 1), QTime(9, 30, 5));
    EXPECT_EQ(ids.next(now), QStringLiteral("20260301093005"));
    EXPECT_EQ(ids.next(now), QStringLiteral("20260301093005-2"));
    EXPECT_EQ(ids.next(now.addSecs(1)), QStringLiteral("20260301093006"));
}

TEST_F(BurnPageTest, PresetsFillTheFormAndTheUsersOwnAreKeptInTheirFile)
{
    SignalProxy *hub = SignalProxy::instance();
    ASSERT_EQ(page().presetRows().size(), 2);
    emit hub->signal_noticeSelectPresetValue(1);
    EXPECT_EQ(comboText(QStringLiteral("视频尺寸")), QStringLiteral("1280 X 720"));
    EXPECT_EQ(comboText(QStringLiteral("配置")), QStringLiteral("主流画质"));
    EXPECT_EQ(comboText(QStringLiteral("音频采样率")), QStringLiteral("22050"));
    EXPECT_TRUE(page().presetRows().at(1)->isSelected());

    // A built-in cannot be deleted; a copy is the user's and follows the form.
    emit hub->signal_noticeDeletePresetvalue(0);
    emit hub->signal_noticeCopyPresetvalue(1);
    settle();
    ASSERT_EQ(page().presets().size(), 3);
    EXPECT_EQ(page().selectedPreset(), 2);
    page().combo(QStringLiteral("视频码率"))->setCurrentText(QStringLiteral("3000"));
    Presets saved = loadPresets(presetFilePath());
    ASSERT_EQ(saved.size(), 3);
    EXPECT_EQ(saved.at(2).name, QStringLiteral("我的预设1"));
    EXPECT_EQ(saved.at(2).videoBitrate, QStringLiteral("3000"));
    EXPECT_EQ(saved.at(2).videoWidth, QStringLiteral("1280"));

    // Changing the form under a built-in leaves the built-in alone.
    emit hub->signal_noticeSelectPresetValue(0);
    page().combo(QStringLiteral("帧率"))->setCurrentText(QStringLiteral("15"));
    EXPECT_EQ(page().selectedPreset(), -1);
    EXPECT_EQ(page().presets().at(0), builtInPresets().at(0));

    ConvertVideoWidget later;
    ASSERT_EQ(later.presets().size(), 3);
    emit hub->signal_noticeDeletePresetvalue(2);
    settle();
    EXPECT_EQ(loadPresets(presetFilePath()).size(), 2);
}

TEST_F(BurnPageTest, PrefillTakesVideosAndSrtExportsOnlyAndTellsWhenNothingWasExported)
{
    CurrentProject &project = currentProject();
    project.mediaFilePath = QStringLiteral("/m/talk.mp3");
    project.exportSrtFilePath = QStringLiteral("/m/talk.ass");
    page().prefillFromProject();
    EXPECT_TRUE(boxTexts.isEmpty());
    EXPECT_TRUE(page().sourceEdit()->text().isEmpty());
    EXPECT_TRUE(page().subtitleEdit()->text().isEmpty());

    project.mediaFilePath = QStringLiteral("/m/TALK.MKV");
    project.exportSrtFilePath.clear();
    page().prefillFromProject();
    EXPECT_EQ(boxTexts, QStringList{QStringLiteral("当前工程字幕未保存或不存在，请先保存srt格式字幕文件再进行压制，"
                                                   "或者自行手动添加现有字幕文件！")});
    EXPECT_EQ(page().sourceEdit()->text(), QStringLiteral("/m/TALK.MKV"));
    project.exportSrtFilePath = QStringLiteral("/m/talk.srt");
    page().prefillFromProject();
    EXPECT_EQ(page().subtitleEdit()->text(), QStringLiteral("/m/talk.srt"));
}

TEST_F(BurnPageTest, ThePreviewShowsOneFrameWithTheSubtitleStyle)
{
    const QString input = workFile(QStringLiteral("clip.mp4"));
    ASSERT_TRUE(makeClip(input, 2));
    const QString srt = workFile(QStringLiteral("a,b'c.srt"));
    writeBytes(srt, chineseSrt());
    page().sourceEdit()->setText(input);
    page().subtitleEdit()->setText(srt);
    page().previewTime()->setValue(1);
    page().slot_clickPreviewButton();
    ASSERT_TRUE(waitFor([this] { return page().button(QStringLiteral("预览"))->isEnabled(); }, 30000));
    EXPECT_FALSE(page().previewLabel()->pixmap(Qt::ReturnByValue).isNull()) << page().previewLabel()->text().toStdString();

    page().previewTime()->setValue(60); // past the end: told, not hung
    page().slot_clickPreviewButton();
    ASSERT_TRUE(waitFor([this] { return page().button(QStringLiteral("预览"))->isEnabled(); }, 30000));
    EXPECT_TRUE(page().previewLabel()->text().startsWith(QStringLiteral("预览失败")));
}

TEST_F(BurnPageTest, PressingBurnInTheEditorHandsTheProjectOverButTheTabDoesNot)
{
    CotentWidget window;
    currentProject().mediaFilePath = QStringLiteral("/m/talk.mp4");
    currentProject().exportSrtFilePath = QStringLiteral("/m/talk.srt");
    SignalProxy *hub = SignalProxy::instance();
    emit hub->signal_clickTab(3, 0);
    EXPECT_EQ(window.currentPage(), 3);
    EXPECT_TRUE(window.burnPage()->sourceEdit()->text().isEmpty());
    emit hub->signal_clickTab(2, 0);
    emit hub->signal_clickTab(3, 1); // "压制"
    EXPECT_EQ(window.burnPage()->sourceEdit()->text(), QStringLiteral("/m/talk.mp4"));
    EXPECT_EQ(window.burnPage()->subtitleEdit()->text(), QStringLiteral("/m/talk.srt"));
    emit hub->signal_clickTab(4, 0);
    EXPECT_EQ(window.currentPage(), 4);
}
