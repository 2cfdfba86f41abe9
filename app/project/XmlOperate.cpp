#include "project/XmlOperate.h"

#include "subtitle/AtomicFile.h"

#include <QBuffer>
#include <QDomDocument>
#include <QFile>
#include <QXmlStreamWriter>
#include <charconv>
#include <cstdio>

namespace {

const QString TagColorSeparator = QStringLiteral(",");

struct BaseSettingField
{
    const char *element;
    double _ProjectSetting::*field;
};

// Element order of "BaseSetting" in the file.
const BaseSettingField BaseSettingFields[] = {
    {"CurrentPlayPos", &_ProjectSetting::CurrentPlayPos},
    {"TotalTime", &_ProjectSetting::TotalTime},
    {"TimeScaleValue", &_ProjectSetting::TimeScaleValue},
    {"PlaySpeed", &_ProjectSetting::PlaySpeed},
    {"Volume", &_ProjectSetting::Volume},
};

QString formatTagColor(const TagColor &color)
{
    if (!color.isValid())
        return QStringLiteral("0,0,0");
    return QStringLiteral("%1,%2,%3").arg(color.red()).arg(color.green()).arg(color.blue());
}

// Never written with fewer than three parts; such an item keeps the default.
TagColor parseTagColor(const QString &text)
{
    const QStringList parts = text.split(TagColorSeparator, Qt::KeepEmptyParts);
    if (parts.size() < 3)
        return TagColor::defaultGray();
    return TagColor(parts[0].toInt(), parts[1].toInt(), parts[2].toInt(), 255);
}

// Characters below U+10000 that XML 1.0 allows (pairs of surrogates are
// handled by the caller).
bool isXmlCharacter(QChar c)
{
    const ushort code = c.unicode();
    return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF)
           || (code >= 0xE000 && code <= 0xFFFD);
}

// The stream writer refuses a document holding a character XML 1.0 cannot
// represent (a control character, a lone surrogate), which would make every
// save of that project fail. Such characters are dropped instead.
QString xmlSafeText(const QString &text)
{
    QString safe;
    safe.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            safe += c;
            safe += text.at(++i);
        } else if (isXmlCharacter(c)) {
            safe += c;
        }
    }
    return safe;
}

void writeTextElement(QXmlStreamWriter &xml, const QString &name, const QString &text)
{
    xml.writeTextElement(name, xmlSafeText(text));
}

QString childText(const QDomElement &parent, const char *name)
{
    return parent.firstChildElement(QLatin1String(name)).text();
}

bool parseXmlFile(const QString &path, QDomDocument &document)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return document.setContent(&file);
}

void reportWriteFailure(const QString &path, const QString &reason)
{
    std::fprintf(stderr, "Error: Cannot write file %s: %s\n", path.toLocal8Bit().constData(),
                 reason.toLocal8Bit().constData());
}

// Writes the document produced by `fill` in one atomic step, so the old file
// survives any failure. It is composed in memory first: a save file open
// while the document is made leaves its temporary when the program is killed.
template <typename Fill>
bool writeXmlFile(const QString &path, Fill &&fill)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter xml(&buffer);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(4);
    xml.writeStartDocument();
    fill(xml);
    xml.writeEndDocument();
    if (xml.hasError()) {
        reportWriteFailure(path, QStringLiteral("the document could not be composed"));
        return false;
    }
    QString reason;
    if (!writeFileAtomically(path, bytes, &reason)) {
        reportWriteFailure(path, reason);
        return false;
    }
    return true;
}

void writeSrtItem(QXmlStreamWriter &xml, const SrtItem &item)
{
    xml.writeStartElement(QStringLiteral("srtitem"));
    writeTextElement(xml, QStringLiteral("begintime"), item.begintime);
    writeTextElement(xml, QStringLiteral("endtime"), item.endtime);
    writeTextElement(xml, QStringLiteral("text"), item.text);
    xml.writeTextElement(QStringLiteral("tagcolor"), formatTagColor(item.tagcolor));
    xml.writeEndElement();
}

SrtItem readSrtItem(const QDomElement &element)
{
    SrtItem item;
    item.begintime = childText(element, "begintime").trimmed();
    item.endtime = childText(element, "endtime").trimmed();
    item.text = childText(element, "text").trimmed();
    item.tagcolor = parseTagColor(childText(element, "tagcolor"));
    return item;
}

} // namespace

QString formatProjectNumber(double value)
{
    // printf's "%g" in the C locale: QString::asprintf rounds exact ties up
    // (0.1640625 gives 0.164063, not 0.164062) and drops the sign of -0.
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6).ptr;
    return QString::fromLatin1(text, int(end - text));
}

bool XmlOperate::ReadProjectSetting(const QString &path, _ProjectSetting &out)
{
    QDomDocument document;
    if (!parseXmlFile(path, document))
        return false;

    const QDomElement root = document.documentElement();
    _ProjectSetting setting;

    const QDomElement base = root.firstChildElement(QStringLiteral("BaseSetting"));
    for (const BaseSettingField &field : BaseSettingFields)
        setting.*field.field = childText(base, field.element).toDouble();

    const QDomElement reference = root.firstChildElement(QStringLiteral("ReferenceFile"));
    setting.MultimediaFile = childText(reference, "MultimediaFile").trimmed();
    setting.WavFilePath = childText(reference, "WavFilePath").trimmed();
    setting.ExportSrtFilePath = childText(reference, "ExportSrtFilePath").trimmed();

    const QDomElement list = root.firstChildElement(QStringLiteral("SrtListData"));
    for (QDomElement item = list.firstChildElement(); !item.isNull(); item = item.nextSiblingElement())
        setting.SrtListData.append(readSrtItem(item));

    out = setting;
    return true;
}

bool XmlOperate::WriteProjectSetting(const QString &path, _ProjectSetting setting)
{
    return writeXmlFile(path, [&setting](QXmlStreamWriter &xml) {
        xml.writeStartElement(QStringLiteral("Project"));

        xml.writeStartElement(QStringLiteral("BaseSetting"));
        for (const BaseSettingField &field : BaseSettingFields)
            xml.writeTextElement(QLatin1String(field.element), formatProjectNumber(setting.*field.field));
        xml.writeEndElement();

        xml.writeStartElement(QStringLiteral("ReferenceFile"));
        writeTextElement(xml, QStringLiteral("MultimediaFile"), setting.MultimediaFile);
        writeTextElement(xml, QStringLiteral("WavFilePath"), setting.WavFilePath);
        writeTextElement(xml, QStringLiteral("ExportSrtFilePath"), setting.ExportSrtFilePath);
        xml.writeEndElement();

        xml.writeStartElement(QStringLiteral("SrtListData"));
        for (const SrtItem &item : setting.SrtListData)
            writeSrtItem(xml, item);
        xml.writeEndElement();

        xml.writeEndElement();
    });
}

bool XmlOperate::ReadProjectList(const QString &path, ProjectItems &out)
{
    QDomDocument document;
    if (!parseXmlFile(path, document))
        return false;

    ProjectItems items;
    const QDomElement root = document.documentElement();
    for (QDomElement element = root.firstChildElement(); !element.isNull(); element = element.nextSiblingElement()) {
        ProjectItem item;
        item.name = childText(element, "name").trimmed();
        item.state = childText(element, "state").trimmed().toInt() == 1;
        item.path = childText(element, "path").trimmed();
        items.append(item);
    }
    out = items;
    return true;
}

bool XmlOperate::WriteProjectList(const QString &path, const ProjectItems &items)
{
    return writeXmlFile(path, [&items](QXmlStreamWriter &xml) {
        xml.writeStartElement(QStringLiteral("ProList"));
        for (const ProjectItem &item : items) {
            xml.writeStartElement(QStringLiteral("projectitem"));
            writeTextElement(xml, QStringLiteral("name"), item.name);
            xml.writeTextElement(QStringLiteral("state"), item.state ? QStringLiteral("1") : QStringLiteral("0"));
            writeTextElement(xml, QStringLiteral("path"), item.path);
            xml.writeEndElement();
        }
        xml.writeEndElement();
    });
}
