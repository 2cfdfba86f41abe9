#pragma once

#include <QString>
#include <QtGlobal>

// Progress of one recognition or alignment job, from the library's texts to
// what the progress panel and the command line show.

// Stages in job order; the first four values are the library's phase numbers.
enum class JobStage {
    Preparing = 0,      // turning the media into the service's WAV
    UploadingAudio = 1, // library phase 1
    UploadingText = 2,  // library phase 2
    Generating = 3,     // library phase 3 (and any unknown phase)
    Finished = 4,       // result read; only the job itself reports this
};

struct ProgressReport
{
    JobStage stage = JobStage::Preparing;
    qint64 first = 0;  // the library's first number: the total
    qint64 second = 0; // the library's second number: done so far
    int percent = 0;   // 0..100
};

// The library's "%d,%d,%d" text (first, second, phase; white space before a
// number skipped, missing numbers 0). Phase 4, the library's own "finished",
// becomes Finished here: the job holds it back until the result is read.
ProgressReport translateLibraryProgress(const char *text);

// second * 100 / first in 64 bits, within 0..100; 0 when first is 0 or less.
int progressPercent(qint64 first, qint64 second);

// "正在提取音频...", "正在上传音频...", "正在上传文本...", "正在生成字幕...".
QString progressText(JobStage stage);

// pos and total for a progress bar signal (pos * 100 / total): the
// percentage of 100, and 1 of 1 only for Finished, so a finished upload
// (the library's 1 of 1 for a 1-byte transcript) never reads as the end.
void progressSignalValues(const ProgressReport &report, int &pos, int &total);

// Passes a report on only when its stage or percentage changed: the
// library reports every 1024 bytes, a long upload would flood the panel.
class ProgressThrottle
{
public:
    bool accept(const ProgressReport &report);

private:
    bool m_any = false;
    JobStage m_stage = JobStage::Preparing;
    int m_percent = 0;
};
