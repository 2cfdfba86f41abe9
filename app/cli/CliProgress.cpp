#include "CliProgress.h"

namespace {

QString progressLine(const ProgressReport &report)
{
    return QStringLiteral("%1 %2%").arg(progressText(report.stage)).arg(report.percent, 3);
}

} // namespace

QString CliProgressPrinter::textFor(const ProgressReport &report)
{
    if (m_terminal) {
        m_lineOpen = true;
        // "\x1b[K" clears what a longer earlier line left behind.
        return QLatin1Char('\r') + progressLine(report) + QStringLiteral("\x1b[K");
    }
    const int step = report.percent / 10;
    if (m_any && report.stage == m_stage && step == m_step)
        return QString();
    m_any = true;
    m_stage = report.stage;
    m_step = step;
    return progressLine(report) + QLatin1Char('\n');
}

QString CliProgressPrinter::finish()
{
    if (!m_lineOpen)
        return QString();
    m_lineOpen = false;
    return QStringLiteral("\n");
}
