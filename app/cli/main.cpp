#include "CliCommands.h"
#include "CliOutput.h"

#include <QCoreApplication>

namespace {

const char Usage[] =
    "usage: cuewright-cli convert INPUT OUTPUT [--encoding GBK|GB18030|Big5|UTF-8]\n"
    "       cuewright-cli shift INPUT OUTPUT --start MS --end MS [--mode start|end|average] [--encoding E]\n"
    "       cuewright-cli fix-overlaps INPUT OUTPUT --mode start|end|average [--encoding E]\n"
    "       cuewright-cli check INPUT [--max-cps N] [--max-chars N]\n"
    "       cuewright-cli prepare-wav MEDIA SCRATCH_DIR\n"
    "       cuewright-cli wav-info FILE\n"
    "       cuewright-cli align MEDIA TRANSCRIPT OUT [--user NAME] [--password-stdin] [--encoding E] [--quiet]\n"
    "       cuewright-cli recognize MEDIA OUT [--user NAME] [--password-stdin] [--encoding E] [--quiet]\n"
    "       cuewright-cli burn VIDEO SUBTITLES OUT [--preset NAME|N] [--font NAME] [--size N] [--color RRGGBB]\n"
    "                          [--outline N]\n"
    "         (user from --user or CUEWRIGHT_USER, password from CUEWRIGHT_PASSWORD or standard input;\n"
    "          service at CUEWRIGHT_SERVICE_HOST:CUEWRIGHT_SERVICE_PORT, default 127.0.0.1:30000;\n"
    "          exit 0 written, 1 service failure or no subtitles, 2 usage or input, 3 credentials,\n"
    "          4 balance too low, 5 media that cannot be converted)";

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    if (arguments.isEmpty()) {
        printErrorLine(QString::fromLatin1(Usage));
        return ExitUsage;
    }

    const QString command = arguments.takeFirst();
    if (command == QLatin1String("convert"))
        return runConvertCommand(arguments);
    if (command == QLatin1String("shift"))
        return runShiftCommand(arguments);
    if (command == QLatin1String("fix-overlaps"))
        return runFixOverlapsCommand(arguments);
    if (command == QLatin1String("check"))
        return runCheckCommand(arguments);
    if (command == QLatin1String("prepare-wav"))
        return runPrepareWavCommand(arguments);
    if (command == QLatin1String("wav-info"))
        return runWavInfoCommand(arguments);
    if (command == QLatin1String("align"))
        return runAlignCommand(arguments);
    if (command == QLatin1String("recognize"))
        return runRecognizeCommand(arguments);
    if (command == QLatin1String("burn"))
        return runBurnCommand(arguments);
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        printLine(QString::fromLatin1(Usage));
        return ExitOk;
    }
    printErrorLine(QStringLiteral("unknown command: %1").arg(command));
    printErrorLine(QString::fromLatin1(Usage));
    return ExitUsage;
}
