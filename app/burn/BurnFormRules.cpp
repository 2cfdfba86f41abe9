#include "burn/BurnFormRules.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace BurnForm {

const char *const SameAsSource = "与源相同";

namespace {
QStringList withSource(const QStringList &items)
{
    return QStringList{QString::fromUtf8(SameAsSource)} + items;
}
} // namespace

QStringList frameRates() { return withSource({"29.97", "20", "15"}); }
QStringList videoBitrates() { return withSource({"8000", "5000", "3000", "1500", "600"}); }
QStringList profiles()
{
    return withSource({QStringLiteral("基本画质"), QStringLiteral("主流画质"), QStringLiteral("高级画质")});
}
QStringList levels() { return {"3.0", "3.1", "4.0", "4.1", "4.2"}; }
QStringList videoSizes()
{
    return withSource({"1920 X 1080", "1440 X 1080", "1280 X 720", "720   X 576", "640   X 480", "640   X 360",
                       "480   X 360"});
}
QStringList audioBitrates() { return withSource({"48", "56", "64", "96", "128", "160", "192", "256", "320"}); }
// 18000 Hz is refused by AAC in MP4; 22050 is the nearest rate it takes.
QStringList audioSampleRates() { return withSource({"16000", "22050", "24000"}); }
QStringList margins() { return {"4", "6", "8", "10", "12", "14", "16", "18", "20", "24", "28", "32", "36", "40", "50"}; }
QStringList outlineWidths() { return {"0", "1", "2", "3", "4"}; }
QStringList fontSizes()
{
    return {"6", "7", "8", "9", "10", "11", "12", "14", "16", "18", "20", "22", "24", "26", "28", "36", "48", "72"};
}

QString choiceValue(const QString &text)
{
    return text == QString::fromUtf8(SameAsSource) ? QString() : text;
}

QString startingFontFamily(const QStringList &families, const QStringList &chineseFamilies)
{
    for (const QString &wanted : {QStringLiteral("微软雅黑"), QStringLiteral("Microsoft YaHei")})
        if (families.contains(wanted))
            return wanted;
    for (const QString &family : chineseFamilies)
        if (families.contains(family))
            return family;
    return families.value(0);
}

QString outputWithSuffix(const QString &path)
{
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path + QStringLiteral(".mp4");
}

preset presetFromSettings(const BurnSettings &settings, const QString &name)
{
    preset p;
    p.name = name;
    p.type = 1;
    const QStringList size = QString(settings.videoSize).remove(QRegularExpression(QStringLiteral("\\s"))).split(
        QLatin1Char('X'), Qt::SkipEmptyParts);
    if (size.size() == 2) {
        p.videoWidth = size.at(0);
        p.videoHeight = size.at(1);
    }
    p.videoBitrate = settings.videoBitrate;
    p.frameRate = settings.frameRate;
    static const char *const ProfileNames[] = {"", "Baseline", "Main", "High"};
    p.profileName = QString::fromLatin1(ProfileNames[qBound(0, settings.profile, 3)]);
    p.audioBitrate = settings.audioBitrate;
    p.audioSampleRate = settings.audioSampleRate;
    p.audioChannels = QStringLiteral("1"); // burns are always mono
    return p;
}

QString newPresetName(const Presets &presets)
{
    for (int n = 1;; ++n) {
        const QString name = QStringLiteral("我的预设%1").arg(n);
        if (std::none_of(presets.cbegin(), presets.cend(), [&name](const preset &p) { return p.name == name; }))
            return name;
    }
}

QString presetSummary(const preset &p)
{
    QStringList parts;
    parts << (p.videoWidth.isEmpty() ? QString::fromUtf8(SameAsSource)
                                     : QStringLiteral("%1×%2").arg(p.videoWidth, p.videoHeight));
    if (!p.videoBitrate.isEmpty())
        parts << p.videoBitrate + QStringLiteral("kbps");
    if (!p.frameRate.isEmpty())
        parts << p.frameRate + QStringLiteral("fps");
    if (!p.profileName.isEmpty())
        parts << p.profileName;
    return parts.join(QStringLiteral(" · "));
}

} // namespace BurnForm

QString BurnIdMaker::next(const QDateTime &now)
{
    const QString stamp = now.toString(QStringLiteral("yyyyMMddhhmmss"));
    if (stamp != m_last) {
        m_last = stamp;
        m_repeats = 1;
        return stamp;
    }
    return QStringLiteral("%1-%2").arg(stamp).arg(++m_repeats);
}
