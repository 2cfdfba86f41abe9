#include "project/BurnPresets.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void writeText(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

TEST(BurnPresets, TheFileAddsUserPresetsAfterTheBuiltIns)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("preset.xml"));
    EXPECT_EQ(loadPresets(path), builtInPresets()); // no file yet

    writeText(path, "<?xml version=\"1.0\"?><PresetList>"
                    "<presetitem><preset_name>built</preset_name><preset_type>0</preset_type></presetitem>"
                    "<presetitem><preset_name> 课程 </preset_name><preset_type>2</preset_type>"
                    "<video_width>1280</video_width><video_height>720</video_height></presetitem>"
                    "</PresetList>");
    const Presets loaded = loadPresets(path);
    ASSERT_EQ(loaded.size(), 3);
    EXPECT_EQ(loaded.at(2).name, QStringLiteral("课程"));
    EXPECT_EQ(loaded.at(2).type, 1);
    EXPECT_EQ(loaded.at(2).videoWidth, QStringLiteral("1280"));
    EXPECT_TRUE(loaded.at(2).audioChannels.isEmpty());

    // Written and read back, the user's presets survive and built-ins are not doubled.
    ASSERT_TRUE(writePresets(path, loaded));
    EXPECT_EQ(loadPresets(path), loaded);
    EXPECT_FALSE(presetFileBytes(loaded).contains("<preset_type>0</preset_type>"));

    QString error;
    writeText(path, "<PresetList><presetitem>");
    EXPECT_EQ(loadPresets(path, &error), builtInPresets());
    EXPECT_FALSE(error.isEmpty());
}

TEST(BurnPresets, APresetFillsTheEncodingChoices)
{
    BurnSettings settings;
    settings.style.fontSize = 30;
    applyPreset(builtInPresets().at(1), settings);
    EXPECT_EQ(settings.videoSize, QStringLiteral("1280 X 720"));
    EXPECT_EQ(settings.videoBitrate, QStringLiteral("8000"));
    EXPECT_EQ(settings.profile, 2);
    EXPECT_EQ(settings.audioSampleRate, QStringLiteral("22050"));
    EXPECT_EQ(settings.style.fontSize, 30);

    preset odd;
    odd.videoWidth = QStringLiteral("wide");
    odd.videoHeight = QStringLiteral("720");
    odd.frameRate = QStringLiteral("-5");
    applyPreset(odd, settings);
    EXPECT_TRUE(settings.videoSize.isEmpty());
    EXPECT_TRUE(settings.frameRate.isEmpty());
    EXPECT_EQ(settings.profile, 0);

    const Presets presets = builtInPresets();
    EXPECT_EQ(findPreset(presets, QStringLiteral("2")), &presets.at(1));
    EXPECT_EQ(findPreset(presets, QStringLiteral("高清")), &presets.at(0));
    EXPECT_EQ(findPreset(presets, QStringLiteral("3")), nullptr);
    EXPECT_EQ(findPreset(presets, QStringLiteral("none")), nullptr);
}
