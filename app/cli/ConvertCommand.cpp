#include "CliCommands.h"
#include "CliOutput.h"

#include "subtitle/SubtitleFileOpener.h"
#include "subtitle/SubtitleList.h"
#include "subtitle/SubtitleWriters.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

const QString DefaultEncoding = QStringLiteral("GBK");

struct ConvertRequest
{
    QString input;
    QString output;
    QString encoding = DefaultEncoding;
};

bool parseConvertArguments(const QStringList &arguments, ConvertRequest &request, QString &problem)
{
    QStringList positional;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--encoding")) {
            if (i + 1 >= arguments.size()) {
                problem = QStringLiteral("--encoding needs a value");
                return false;
            }
            request.encoding = arguments[++i];
        } else if (argument.startsWith(QLatin1String("--encoding="))) {
            request.encoding = argument.mid(int(qstrlen("--encoding=")));
        } else if (argument.startsWith(QLatin1String("--"))) {
            problem = QStringLiteral("unknown option: %1").arg(argument);
            return false;
        } else {
            positional.append(argument);
        }
    }
    if (positional.size() != 2) {
        problem = QStringLiteral("convert needs INPUT and OUTPUT");
        return false;
    }
    request.input = positional[0];
    request.output = positional[1];
    for (const QString &name : exportCodecNames()) {
        if (name.compare(request.encoding, Qt::CaseInsensitive) == 0) {
            request.encoding = name;
            return true;
        }
    }
    problem = QStringLiteral("unknown encoding: %1 (use %2)").arg(request.encoding, exportCodecNames().join(QLatin1Char('|')));
    return false;
}

// Reads the input as the editor opens a subtitle file.
int readInput(const QString &input, SubtitleEntries &entries)
{
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        printErrorLine(QStringLiteral("cannot create a scratch folder"));
        return ExitFailed;
    }
    SubtitleList list;
    if (openSubtitleFile(input, scratch.path(), list).lineTooLong) {
        printErrorLine(QStringLiteral("字幕文本中存在行内容过长，需作断行处理，然后重新开始！"));
        return ExitUsage;
    }
    entries = list.snapshot();
    return ExitOk;
}

} // namespace

int runConvertCommand(const QStringList &arguments)
{
    ConvertRequest request;
    QString problem;
    if (!parseConvertArguments(arguments, request, problem)) {
        printErrorLine(problem);
        return ExitUsage;
    }

    const QString inputSuffix = QFileInfo(request.input).suffix().toLower();
    if (inputSuffix != QLatin1String("srt") && inputSuffix != QLatin1String("txt")) {
        printErrorLine(QStringLiteral("文本格式不支持！"));
        return ExitUsage;
    }
    SubtitleFormat format;
    if (!subtitleFormatFromSuffix(QFileInfo(request.output).suffix(), &format)) {
        printErrorLine(QStringLiteral("unsupported output format: %1 (use srt, ass, vtt, lrc or txt)").arg(request.output));
        return ExitUsage;
    }
    QFile probe(request.input);
    if (!probe.open(QIODevice::ReadOnly)) {
        printErrorLine(QStringLiteral("cannot read %1: %2").arg(request.input, probe.errorString()));
        return ExitUsage;
    }
    probe.close();

    SubtitleEntries entries;
    const int readResult = readInput(request.input, entries);
    if (readResult != ExitOk)
        return readResult;

    if (!writeSubtitleFile(format, entries, request.output, request.encoding, request.output)) {
        printErrorLine(QStringLiteral("cannot write %1").arg(request.output));
        return ExitFailed;
    }
    return ExitOk;
}
