#include "CliArguments.h"
#include "CliCommands.h"
#include "CliOutput.h"

#include "audio/BurnCommand.h"
#include "audio/BurnRunner.h"
#include "project/BurnPresets.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSocketNotifier>

#include <csignal>
#include <unistd.h>

namespace {

int s_interruptPipe[2] = {-1, -1};

void onInterrupt(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(s_interruptPipe[1], &byte, 1);
}

// Ctrl+C or a kill stops ffmpeg through the runner, which removes the partial
// output, instead of ending this process with ffmpeg's file half written.
class InterruptGuard
{
public:
    explicit InterruptGuard(BurnRunner &runner)
    {
        if (::pipe(s_interruptPipe) != 0)
            return;
        m_notifier = new QSocketNotifier(s_interruptPipe[0], QSocketNotifier::Read);
        QObject::connect(m_notifier, &QSocketNotifier::activated, [&runner, this] {
            char byte;
            [[maybe_unused]] const ssize_t got = ::read(s_interruptPipe[0], &byte, 1);
            interrupted = true;
            runner.stop();
        });
        std::signal(SIGINT, onInterrupt);
        std::signal(SIGTERM, onInterrupt);
    }
    ~InterruptGuard()
    {
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        delete m_notifier;
        for (int &fd : s_interruptPipe)
            if (fd >= 0)
                ::close(fd), fd = -1;
    }
    bool interrupted = false;

private:
    QSocketNotifier *m_notifier = nullptr;
};

bool parseColour(const QString &text, QString &colour)
{
    const QString hex = text.startsWith(QLatin1Char('#')) ? text.mid(1) : text;
    bool ok = false;
    const uint rgb = hex.toUInt(&ok, 16);
    if (!ok || hex.size() != 6)
        return false;
    colour = assColourString(int(rgb >> 16 & 0xff), int(rgb >> 8 & 0xff), int(rgb & 0xff));
    return true;
}

bool parseBurnArguments(const QStringList &arguments, BurnSettings &settings, QString &problem)
{
    CliArguments parsed;
    const QStringList options = {QStringLiteral("preset"), QStringLiteral("font"), QStringLiteral("size"),
                                 QStringLiteral("color"), QStringLiteral("outline")};
    if (!parseCliArguments(arguments, options, parsed, problem))
        return false;
    if (parsed.positional.size() != 3) {
        problem = QStringLiteral("burn needs VIDEO, SUBTITLES and OUT");
        return false;
    }
    settings.inputPath = parsed.positional[0];
    settings.subtitlePath = parsed.positional[1];
    settings.outputPath = QFileInfo(parsed.positional[2]).absoluteFilePath();
    if (!QFileInfo(settings.inputPath).isFile() || !QFileInfo(settings.subtitlePath).isFile()) {
        problem = QStringLiteral("no such file: %1").arg(QFileInfo(settings.inputPath).isFile() ? settings.subtitlePath
                                                                                               : settings.inputPath);
        return false;
    }
    if (parsed.has(QStringLiteral("preset"))) {
        const Presets presets = loadPresets(presetFilePath());
        const preset *chosen = findPreset(presets, parsed.value(QStringLiteral("preset")));
        if (!chosen) {
            problem = QStringLiteral("no preset %1 (give a name or a number from 1 to %2)")
                          .arg(parsed.value(QStringLiteral("preset")))
                          .arg(presets.size());
            return false;
        }
        applyPreset(*chosen, settings);
    }
    settings.style.fontName = parsed.value(QStringLiteral("font"), settings.style.fontName);
    if (parsed.has(QStringLiteral("color")) && !parseColour(parsed.value(QStringLiteral("color")),
                                                            settings.style.primaryColour)) {
        problem = QStringLiteral("--color takes RRGGBB");
        return false;
    }
    if (parsed.has(QStringLiteral("size"))
        && (!parseIntOption(parsed, QStringLiteral("size"), settings.style.fontSize, problem)
            || settings.style.fontSize <= 0)) {
        problem = problem.isEmpty() ? QStringLiteral("--size must be positive") : problem;
        return false;
    }
    if (parsed.has(QStringLiteral("outline"))
        && (!parseIntOption(parsed, QStringLiteral("outline"), settings.style.outlineWidth, problem)
            || settings.style.outlineWidth < 0)) {
        problem = problem.isEmpty() ? QStringLiteral("--outline must not be negative") : problem;
        return false;
    }
    return true;
}

QString progressLine(int percent, double remaining, double speed)
{
    QString line = QStringLiteral("burn: %1%").arg(percent);
    if (remaining >= 0)
        line += QStringLiteral(", %1:%2 left").arg(int(remaining) / 60).arg(int(remaining) % 60, 2, 10, QLatin1Char('0'));
    if (speed > 0)
        line += QStringLiteral(", %1x").arg(speed, 0, 'f', 2);
    return line;
}

} // namespace

// Burns SUBTITLES into VIDEO as the burn page does, with the same arguments
// and runner; OUT appears only once the whole video is written.
int runBurnCommand(const QStringList &arguments)
{
    BurnSettings settings;
    QString problem;
    if (!parseBurnArguments(arguments, settings, problem)) {
        printErrorLine(problem);
        return ExitUsage;
    }

    BurnRunner runner;
    InterruptGuard guard(runner);
    int lastPercent = -1;
    BurnOutcome outcome = BurnOutcome::Failed;
    QString reason;
    QObject::connect(&runner, &BurnRunner::progress, [&](const QString &, int percent, double remaining, double speed) {
        if (percent == lastPercent && percent != 100)
            return;
        lastPercent = percent;
        printErrorLine(progressLine(percent, remaining, speed));
    });
    QObject::connect(&runner, &BurnRunner::finished, [&](const QString &, BurnOutcome how, const QString &why) {
        outcome = how;
        reason = why;
        QCoreApplication::exit(0);
    });
    if (!runner.start(QStringLiteral("cli"), settings.inputPath, burnArguments(settings))) {
        printErrorLine(QStringLiteral("cannot burn: %1").arg(reason));
        return outcome == BurnOutcome::Failed && !reason.contains(QLatin1String("ffmpeg")) ? ExitMedia : ExitFailed;
    }
    QCoreApplication::exec();
    if (outcome == BurnOutcome::Succeeded) {
        printLine(settings.outputPath);
        return ExitOk;
    }
    printErrorLine(guard.interrupted || outcome == BurnOutcome::Stopped ? QStringLiteral("burn stopped")
                                                                         : QStringLiteral("burn failed: %1").arg(reason));
    return ExitFailed;
}
