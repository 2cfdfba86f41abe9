#pragma once

#include "audio/JobProgress.h"

#include <QString>

// What a job's progress looks like on standard error: on a terminal one line
// rewritten in place, otherwise (a log, a pipe) one line per stage and per
// 10 % so logs stay short.
class CliProgressPrinter
{
public:
    explicit CliProgressPrinter(bool terminal)
        : m_terminal(terminal)
    {
    }

    // The text to write for this report; empty when nothing is due.
    QString textFor(const ProgressReport &report);
    // Ends an open terminal line; empty otherwise.
    QString finish();

private:
    bool m_terminal;
    bool m_lineOpen = false;
    bool m_any = false;
    JobStage m_stage = JobStage::Preparing;
    int m_step = -1;
};
