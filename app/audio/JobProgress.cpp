#include "audio/JobProgress.h"

#include <cctype>
#include <climits>
#include <cstdlib>

namespace {

// Reads one "%d" as scanf would: white space skipped, then a signed number;
// false (text untouched) when no number is there.
bool readNumber(const char *&text, qint64 &value)
{
    const char *p = text;
    while (std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    char *end = nullptr;
    const long long read = std::strtoll(p, &end, 10);
    if (end == p)
        return false;
    value = read;
    text = end;
    return true;
}

JobStage stageOfPhase(qint64 phase)
{
    switch (phase) {
    case 1: return JobStage::UploadingAudio;
    case 2: return JobStage::UploadingText;
    case 4: return JobStage::Finished;
    default: return JobStage::Generating;
    }
}

} // namespace

ProgressReport translateLibraryProgress(const char *text)
{
    ProgressReport report;
    qint64 numbers[3] = {0, 0, 0};
    const char *p = text ? text : "";
    // Like "%d,%d,%d": a number, then a literal comma, up to three times.
    for (int i = 0; i < 3; ++i) {
        if (!readNumber(p, numbers[i]))
            break;
        if (i < 2 && *p++ != ',')
            break;
    }
    report.first = numbers[0];
    report.second = numbers[1];
    report.stage = stageOfPhase(numbers[2]);
    report.percent = progressPercent(report.first, report.second);
    return report;
}

int progressPercent(qint64 first, qint64 second)
{
    if (first <= 0 || second <= 0)
        return 0;
    if (second >= first)
        return 100;
    // second < first here, so second * 100 cannot overflow unless first is huge.
    return first > LLONG_MAX / 100 ? int(second / (first / 100)) : int(second * 100 / first);
}

QString progressText(JobStage stage)
{
    switch (stage) {
    case JobStage::Preparing: return QStringLiteral("正在提取音频...");
    case JobStage::UploadingAudio: return QStringLiteral("正在上传音频...");
    case JobStage::UploadingText: return QStringLiteral("正在上传文本...");
    case JobStage::Generating:
    case JobStage::Finished: return QStringLiteral("正在生成字幕...");
    }
    return QStringLiteral("正在生成字幕...");
}

void progressSignalValues(const ProgressReport &report, int &pos, int &total)
{
    if (report.stage == JobStage::Finished) {
        pos = 1;
        total = 1;
        return;
    }
    pos = report.percent;
    total = 100;
}

bool ProgressThrottle::accept(const ProgressReport &report)
{
    if (m_any && report.stage == m_stage && report.percent == m_percent)
        return false;
    m_any = true;
    m_stage = report.stage;
    m_percent = report.percent;
    return true;
}
