#include "project/BurnPresets.h"

#include "project/Settings.h"
#include "subtitle/AtomicFile.h"

#include <QDomDocument>
#include <QXmlStreamWriter>

namespace {

// Element names of the file, in the order they are written.
const char *const FieldNames[] = {"preset_name",  "preset_type", "video_width",     "video_height",
                                  "video_rate",   "frame_rate",  "video_set",       "video_level",
                                  "audio_rate",   "audio_samplerate", "audio_channel"};

QString childText(const QDomElement &item, const char *name)
{
    return item.firstChildElement(QString::fromLatin1(name)).text().trimmed();
}

preset readItem(const QDomElement &item)
{
    preset p;
    p.name = childText(item, "preset_name");
    p.type = 1;
    p.videoWidth = childText(item, "video_width");
    p.videoHeight = childText(item, "video_height");
    p.videoBitrate = childText(item, "video_rate");
    p.frameRate = childText(item, "frame_rate");
    p.profileName = childText(item, "video_set");
    p.level = childText(item, "video_level");
    p.audioBitrate = childText(item, "audio_rate");
    p.audioSampleRate = childText(item, "audio_samplerate");
    p.audioChannels = childText(item, "audio_channel");
    return p;
}

QStringList itemTexts(const preset &p)
{
    return {p.name,         QString::number(p.type),
            p.videoWidth,   p.videoHeight,
            p.videoBitrate, p.frameRate,
            p.profileName,  p.level,
            p.audioBitrate, p.audioSampleRate,
            p.audioChannels};
}

bool isPositiveNumber(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && value > 0;
}

int profileIndex(const QString &name)
{
    const QString lower = name.trimmed().toLower();
    if (lower == QLatin1String("baseline"))
        return 1;
    if (lower == QLatin1String("main"))
        return 2;
    if (lower == QLatin1String("high"))
        return 3;
    return 0;
}

} // namespace

bool preset::operator==(const preset &o) const
{
    return name == o.name && type == o.type && videoWidth == o.videoWidth && videoHeight == o.videoHeight
           && videoBitrate == o.videoBitrate && frameRate == o.frameRate && profileName == o.profileName
           && level == o.level && audioBitrate == o.audioBitrate && audioSampleRate == o.audioSampleRate
           && audioChannels == o.audioChannels;
}

Presets builtInPresets()
{
    const QString name = QStringLiteral("高清");
    return {
        {name, 0, "1920", "1080", "8000", "29.97", "Baseline", "3.1", "128", "16000", "2"},
        // 18000 Hz is refused by the AAC encoder in MP4; 22050 is the nearest it takes.
        {name, 0, "1280", "720", "8000", "29.97", "Main", "4.0", "192", "22050", "1"},
    };
}

QString presetFilePath()
{
    return userDataFolder() + QStringLiteral("/preset.xml");
}

Presets loadPresets(const QString &path, QString *error)
{
    Presets presets = builtInPresets();
    QByteArray bytes;
    if (!readWholeFile(path, &bytes))
        return presets;
    QDomDocument document;
    QString message;
    int line = 0;
    if (!document.setContent(bytes, &message, &line)) {
        if (error)
            *error = QStringLiteral("%1 (line %2)").arg(message).arg(line);
        return presets;
    }
    for (QDomElement item = document.documentElement().firstChildElement(); !item.isNull();
         item = item.nextSiblingElement()) {
        if (childText(item, "preset_type") == QLatin1String("0"))
            continue; // built-ins come from the program, never from the file
        presets.append(readItem(item));
    }
    return presets;
}

QByteArray presetFileBytes(const Presets &presets)
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("PresetList"));
    for (const preset &p : presets) {
        if (p.type == 0)
            continue;
        xml.writeStartElement(QStringLiteral("presetitem"));
        const QStringList texts = itemTexts(p);
        for (int i = 0; i < texts.size(); ++i)
            xml.writeTextElement(QString::fromLatin1(FieldNames[i]), texts.at(i));
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

bool writePresets(const QString &path, const Presets &presets)
{
    return writeFileAtomically(path, presetFileBytes(presets));
}

void applyPreset(const preset &p, BurnSettings &settings)
{
    settings.videoSize = isPositiveNumber(p.videoWidth) && isPositiveNumber(p.videoHeight)
                             ? QStringLiteral("%1 X %2").arg(p.videoWidth, p.videoHeight)
                             : QString();
    settings.videoBitrate = isPositiveNumber(p.videoBitrate) ? p.videoBitrate : QString();
    settings.frameRate = isPositiveNumber(p.frameRate) ? p.frameRate : QString();
    settings.profile = profileIndex(p.profileName);
    settings.audioBitrate = isPositiveNumber(p.audioBitrate) ? p.audioBitrate : QString();
    settings.audioSampleRate = isPositiveNumber(p.audioSampleRate) ? p.audioSampleRate : QString();
}

const preset *findPreset(const Presets &presets, const QString &key)
{
    bool isNumber = false;
    const int position = key.toInt(&isNumber);
    if (isNumber)
        return position >= 1 && position <= presets.size() ? &presets.at(position - 1) : nullptr;
    for (const preset &p : presets)
        if (p.name == key)
            return &p;
    return nullptr;
}
