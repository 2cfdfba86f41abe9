#pragma once

#include "audio/JobProgress.h"
#include "subtitle/SubtitleEntry.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>

// One recognition or alignment job: media file in, timed entries out.
// Plain inputs and a local result, so the editor's thread, the batch queue
// and the command line all run the same function without shared state.

struct RecognitionJobInput
{
    QString mediaPath;
    QString transcriptPath; // empty: speech recognition; otherwise alignment of this transcript
    QString sessionId;
    QString userName;
    QString serviceHost = QStringLiteral("127.0.0.1");
    unsigned int servicePort = 30000;
    QString scratchFolder; // converted WAVs stay here; empty: "<temp>/Cuewright"
};

// Results besides 0 (success) and the library's error numbers (1..74).
enum RecognitionJobCode {
    JobSucceeded = 0,
    JobDataFormatError = -2,  // "数据格式错误！": failed without a usable error number
    JobCancelled = -3,        // "任务已取消"
    JobConversionFailed = -4, // "音频提取失败：…": no service WAV came out of the media
    JobInputMissing = -5,     // "找不到媒体文件：…" / "找不到文本文件：…"
    JobScratchUnusable = -6,  // "无法使用临时文件夹：…"
};

struct RecognitionJobResult
{
    int code = JobDataFormatError;
    QString message;         // the failure's text; "字幕生成成功" on success
    SubtitleEntries entries; // only on success; may be empty
    QString wavPath;         // the WAV the job chose (the media itself or a converted copy)
    QStringList warnings;    // e.g. characters the service's GBK cannot hold

    bool succeeded() const { return code == JobSucceeded; }
};

// Called on the thread that runs the job (inside the library during the
// upload and the service's work). Reports come in stage order, each only
// when its stage or percentage changed; Finished comes last and only once
// the call succeeded and its result has been read into `entries`.
using JobProgressCallback = std::function<void(const ProgressReport &report)>;

// Runs the whole job on the calling thread and blocks until it ends. `cancel`
// is honoured until the upload starts (the conversion's ffmpeg is stopped);
// once the service has the job, it runs to its end.
RecognitionJobResult runRecognitionJob(const RecognitionJobInput &input, const JobProgressCallback &progress,
                                       const std::atomic<bool> *cancel = nullptr);

// The service's result text read as the pair-flag SRT blocks it is made of.
SubtitleEntries readRecognitionResult(const QByteArray &text);

// The text shown for a job result code: the library's message (decoded from
// GBK) for its error numbers, "数据格式错误！" for -2.
QString jobCodeMessage(int code);

// True for the numbers the library leaves in errnum after a success
// (20 for a log-in, 58 for a finished job, ...).
bool isLibrarySuccessCode(int code);
