// The recognition job against the real service on 127.0.0.1, with speech
// made by the synthesiser so the right answer is known.

#include "MediaFixtures.h"
#include "ServiceProcess.h"
#include "SpeechFixture.h"

#include "audio/RecognitionJob.h"
#include "audio/ServiceText.h"
#include "audio/WavProbe.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QDirIterator>
#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <voxlink.h>

using cw::testing::ServiceProcess;

namespace {

const QString User = QStringLiteral("ann");
const QString Password = QStringLiteral("pw");

// Speech, its transcript and an MP3 of it, made once for the suite.
struct Material
{
    QTemporaryDir dir;
    cw::testing::SpeechFixture speech;
    QString wav;        // 16 kHz mono: sent as it is
    QString mp3;        // needs converting first
    QString transcript; // one sentence per line, UTF-8
};

struct Recorded
{
    QVector<ProgressReport> reports;
    JobProgressCallback callback()
    {
        return [this](const ProgressReport &report) { reports.append(report); };
    }
    // Stages in order, each once.
    QVector<JobStage> stages() const
    {
        QVector<JobStage> stages;
        for (const ProgressReport &report : reports)
            if (stages.isEmpty() || stages.last() != report.stage)
                stages.append(report.stage);
        return stages;
    }
    int finishedCount() const
    {
        return int(std::count_if(reports.begin(), reports.end(),
                                 [](const ProgressReport &r) { return r.stage == JobStage::Finished; }));
    }
};

// Whether this process holds `path` open: the library keeps a job's files
// open until its handle is released, after the call has returned.
bool openInThisProcess(const QString &path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    QDirIterator descriptors(QStringLiteral("/proc/self/fd"), QDir::System | QDir::Files);
    while (descriptors.hasNext())
        if (QFileInfo(descriptors.next()).symLinkTarget() == target)
            return true;
    return false;
}

QStringList textsOf(const QVector<JobStage> &stages)
{
    QStringList texts;
    for (JobStage stage : stages)
        texts << progressText(stage);
    return texts;
}

// What every job report stream must keep, whatever the job's outcome.
void expectWellFormed(const Recorded &recorded, const RecognitionJobResult &result)
{
    EXPECT_LE(recorded.reports.size(), 300);
    for (int i = 1; i < recorded.reports.size(); ++i) {
        const ProgressReport &before = recorded.reports[i - 1];
        const ProgressReport &now = recorded.reports[i];
        EXPECT_FALSE(before.stage == now.stage && before.percent == now.percent) << "repeated report " << i;
        EXPECT_GE(int(now.stage), int(before.stage)) << "stage went back at " << i;
    }
    // The completion is reported once, last, and only with the entries in hand.
    EXPECT_EQ(recorded.finishedCount(), result.succeeded() ? 1 : 0);
    if (result.succeeded()) {
        EXPECT_EQ(recorded.reports.last().stage, JobStage::Finished);
    }
    for (int i = 0; i + 1 < recorded.reports.size(); ++i) {
        int pos = 0;
        int total = 0;
        progressSignalValues(recorded.reports[i], pos, total);
        EXPECT_FALSE(pos == 1 && total == 1) << "report " << i << " would end the job early";
    }
    if (!result.succeeded()) {
        EXPECT_TRUE(result.entries.isEmpty());
    }
}

class RecognitionJobTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        material = new Material;
        const auto sentences = cw::testing::standardSentences();
        std::string error;
        QDir().mkpath(material->dir.filePath("speech"));
        if (!cw::testing::synthesizeSpeech(sentences, cw::testing::standardPauses(sentences.size()),
                                           material->dir.filePath("speech"), &material->speech, &error))
            return;
        material->wav = material->dir.filePath("talk.wav");
        material->mp3 = material->dir.filePath("talk.mp3");
        material->transcript = material->dir.filePath("talk.txt");
        QByteArray text;
        for (const std::string &line : sentences)
            text += QByteArray::fromStdString(line) + "\r\n";
        if (!cw::testing::writeWav16k(material->wav, material->speech.samples) || !writeFile(material->transcript, text)
            || !runFfmpeg({"-i", material->wav, "-ar", "44100", "-ac", "2", material->mp3}))
            material->wav.clear();
    }
    static void TearDownTestSuite()
    {
        delete material;
        material = nullptr;
    }

    void SetUp() override
    {
        if (material->wav.isEmpty())
            GTEST_SKIP() << "no synthesised speech (espeak-ng, sox and ffmpeg are needed)";
        ASSERT_TRUE(dir.isValid());
        service = std::make_unique<ServiceProcess>(QStringLiteral(CW_SERVICE_BINARY), dir.filePath("data"));
        QDir().mkpath(dir.filePath("data"));
        ASSERT_TRUE(service->addUser(User, Password, 100000));
        ASSERT_TRUE(service->addUser(QStringLiteral("poor"), Password, 5));
        ASSERT_TRUE(service->start()) << service->readLog().toStdString();
        session = logIn(User);
        ASSERT_EQ(session.size(), 32);
    }

    static bool writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

    QString logIn(const QString &user)
    {
        ServiceHandle *handle = subtitle_start("127.0.0.1", unsigned(service->port()));
        char *id = nullptr;
        subtitle_login(handle, user.toLatin1().constData(), Password.toLatin1().constData(), &id);
        subtitle_end(handle);
        const QString text = id ? QString::fromLatin1(id) : QString();
        std::free(id);
        return text;
    }

    QString costLog()
    {
        ServiceHandle *handle = subtitle_start("127.0.0.1", unsigned(service->port()));
        char *text = nullptr;
        const int rc = subtitle_costlog(handle, session.toLatin1().constData(), 0, 200, &text);
        subtitle_end(handle);
        const QString log = rc == 0 && text ? serviceCodec()->toUnicode(text) : QString();
        std::free(text);
        return log;
    }

    RecognitionJobInput input(const QString &media, const QString &transcript = QString())
    {
        RecognitionJobInput in;
        in.mediaPath = media;
        in.transcriptPath = transcript;
        in.sessionId = session;
        in.userName = User;
        in.serviceHost = QStringLiteral("127.0.0.1");
        in.servicePort = unsigned(service->port());
        in.scratchFolder = dir.filePath("scratch");
        return in;
    }

    void expectAlignedToSpeech(const SubtitleEntries &entries, int toleranceMs)
    {
        const auto &truth = material->speech.sentences;
        ASSERT_EQ(entries.size(), int(truth.size()));
        for (int i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(entries[i].number, i + 1);
            EXPECT_EQ(entries[i].text.toStdString(), truth[size_t(i)].text);
            EXPECT_NEAR(timeCodeToMilliseconds(entries[i].startTime), double(truth[size_t(i)].startMs), toleranceMs);
            EXPECT_NEAR(timeCodeToMilliseconds(entries[i].endTime), double(truth[size_t(i)].endMs), toleranceMs);
        }
    }

    static Material *material;
    QTemporaryDir dir;
    std::unique_ptr<ServiceProcess> service;
    QString session;
};

Material *RecognitionJobTest::material = nullptr;

TEST_F(RecognitionJobTest, AlignmentOfMediaThatNeedsConvertingReportsEachStage)
{
    Recorded recorded;
    const RecognitionJobResult result = runRecognitionJob(input(material->mp3, material->transcript),
                                                          recorded.callback());
    ASSERT_EQ(result.code, 0) << result.message.toStdString();
    EXPECT_EQ(result.message, QStringLiteral("字幕生成成功"));
    expectWellFormed(recorded, result);
    EXPECT_EQ(textsOf(recorded.stages()),
              QStringList({"正在提取音频...", "正在上传音频...", "正在上传文本...", "正在生成字幕...", "正在生成字幕..."}));
    EXPECT_EQ(recorded.stages().last(), JobStage::Finished);
    // Each stage runs up to its end before the next.
    for (int i = 1; i < recorded.reports.size(); ++i) {
        const ProgressReport &before = recorded.reports[i - 1];
        if (recorded.reports[i].stage != before.stage && before.stage != JobStage::Generating) {
            EXPECT_EQ(before.percent, 100) << progressText(before.stage).toStdString();
        }
    }
    expectAlignedToSpeech(result.entries, 200);

    // Converted into the scratch folder, and checked there.
    EXPECT_TRUE(result.wavPath.startsWith(dir.filePath("scratch") + "/talk.mp3-"));
    EXPECT_TRUE(isServiceWavFormat(probeWav(result.wavPath)));
    // The job's own files are gone; the WAV stays for the waveform.
    EXPECT_EQ(QDir(dir.filePath("scratch")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList({QFileInfo(result.wavPath).fileName()}));
    // The service knows the job by the media's name.
    EXPECT_TRUE(costLog().contains(QStringLiteral(",talk.mp3.wav,"))) << costLog().toStdString();
}

TEST_F(RecognitionJobTest, RecognitionOfAServiceWavSendsItAsItIs)
{
    Recorded recorded;
    const RecognitionJobResult result = runRecognitionJob(input(material->wav), recorded.callback());
    ASSERT_EQ(result.code, 0) << result.message.toStdString();
    expectWellFormed(recorded, result);
    EXPECT_EQ(recorded.stages(),
              QVector<JobStage>({JobStage::UploadingAudio, JobStage::Generating, JobStage::Finished}));
    EXPECT_EQ(result.wavPath, material->wav);
    ASSERT_FALSE(result.entries.isEmpty());
    for (const SubtitleEntry &entry : result.entries) {
        EXPECT_FALSE(entry.text.isEmpty());
        EXPECT_LT(timeCodeToMilliseconds(entry.startTime), timeCodeToMilliseconds(entry.endTime));
    }
}

// The library reports a finished 1-byte transcript upload as 1 of 1, and its
// own "finished" while the call is still running: neither may end the job.
TEST_F(RecognitionJobTest, CompletionComesOnlyWithTheResultRead)
{
    const QString oneByte = dir.filePath("one.txt");
    ASSERT_TRUE(writeFile(oneByte, "A"));
    Recorded recorded;
    bool wavOpenAtCompletion = true;
    const RecognitionJobResult result = runRecognitionJob(input(material->wav, oneByte),
                                                          [&](const ProgressReport &report) {
                                                              recorded.reports.append(report);
                                                              if (report.stage == JobStage::Finished)
                                                                  wavOpenAtCompletion = openInThisProcess(material->wav);
                                                          });
    ASSERT_EQ(result.code, 0) << result.message.toStdString();
    expectWellFormed(recorded, result);
    EXPECT_FALSE(wavOpenAtCompletion) << "completion reported while the library still had the job";
    EXPECT_EQ(result.entries.size(), 1);
    const auto upload = std::find_if(recorded.reports.begin(), recorded.reports.end(), [](const ProgressReport &r) {
        return r.stage == JobStage::UploadingText;
    });
    ASSERT_NE(upload, recorded.reports.end());
    EXPECT_EQ(upload->first, 1);
    EXPECT_EQ(upload->second, 1);
}

TEST_F(RecognitionJobTest, FailuresNameTheirCauseAndReportNoCompletion)
{
    const QString notMedia = dir.filePath("notes.mp4");
    const QString empty = dir.filePath("empty.txt");
    ASSERT_TRUE(writeFile(notMedia, "this is no media file"));
    ASSERT_TRUE(writeFile(empty, ""));
    const QString poorSession = logIn(QStringLiteral("poor"));
    const QString missing = dir.filePath("missing.wav");

    struct Case
    {
        const char *name;
        RecognitionJobInput in;
        int code;
        QString message;
        bool reachesService;
    };
    RecognitionJobInput madeUp = input(material->wav, material->transcript);
    madeUp.sessionId = QStringLiteral("0123456789abcdef0123456789abcdef");
    RecognitionJobInput noSession = input(material->wav, material->transcript);
    noSession.sessionId.clear();
    RecognitionJobInput poor = input(material->wav, material->transcript);
    poor.userName = QStringLiteral("poor");
    poor.sessionId = poorSession;
    const Case cases[] = {
        {"invalid session", madeUp, 13, QStringLiteral("发送网络数据包错误"), true},
        {"no session", noSession, 13, QStringLiteral("发送网络数据包错误"), true},
        {"balance too low", poor, 74, QStringLiteral("您的账户余额不足，请及时充值"), true},
        {"missing media", input(missing, material->transcript), JobInputMissing,
         QStringLiteral("找不到媒体文件：") + missing, false},
        {"missing transcript", input(material->wav, missing), JobInputMissing,
         QStringLiteral("找不到文本文件：") + missing, false},
        {"media that is none", input(notMedia), JobConversionFailed, QStringLiteral("音频提取失败：notes.mp4"), false},
        // Refused inside the library before it sets an error number.
        {"empty transcript", input(material->wav, empty), JobDataFormatError, QStringLiteral("数据格式错误！"), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const int jobsBefore = service->readLog().count(QStringLiteral("kind=6"));
        // A number left by an earlier call must not pass as this job's error.
        errnum = 74;
        Recorded recorded;
        const RecognitionJobResult result = runRecognitionJob(c.in, recorded.callback());
        EXPECT_EQ(result.code, c.code);
        EXPECT_EQ(result.message, c.message);
        expectWellFormed(recorded, result);
        // Refused before connecting, where that is possible.
        if (!c.reachesService) {
            EXPECT_EQ(service->readLog().count(QStringLiteral("kind=6")), jobsBefore);
        }
    }

    // Nor a success code left behind.
    errnum = 20;
    EXPECT_EQ(runRecognitionJob(input(material->wav, empty), nullptr).code, JobDataFormatError);

    // No service at all.
    ASSERT_EQ(service->stop(), 0);
    Recorded recorded;
    const RecognitionJobResult result = runRecognitionJob(input(material->wav), recorded.callback());
    EXPECT_EQ(result.code, 5);
    EXPECT_EQ(result.message, QStringLiteral("无法申请到网络套接字"));
    expectWellFormed(recorded, result);
}

TEST_F(RecognitionJobTest, ServiceStoppedMidJobFailsWithoutCompletion)
{
    Recorded recorded;
    bool killed = false;
    const RecognitionJobResult result = runRecognitionJob(input(material->wav, material->transcript),
                                                          [&](const ProgressReport &report) {
                                                              recorded.reports.append(report);
                                                              if (report.stage == JobStage::Generating && !killed) {
                                                                  killed = true;
                                                                  service->kill();
                                                              }
                                                          });
    ASSERT_TRUE(killed);
    EXPECT_EQ(result.code, 11);
    EXPECT_EQ(result.message, QStringLiteral("读取网络数据包错误"));
    expectWellFormed(recorded, result);
}

TEST_F(RecognitionJobTest, LongAndNonAsciiPathsReachTheServiceInGbk)
{
    const QString deep = dir.filePath(QString(110, QLatin1Char('d')) + "/" + QString(110, QLatin1Char('e')) + "/讲座");
    ASSERT_TRUE(QDir().mkpath(deep));
    const QString media = deep + QStringLiteral("/第一课 讲座.wav");
    const QString transcript = deep + QStringLiteral("/第一课 讲座.txt");
    ASSERT_GT(QFile::encodeName(media).size(), 255);
    ASSERT_TRUE(QFile::copy(material->wav, media));
    QFile source(material->transcript);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    // A Korean word GBK cannot hold: sent as "?" and named in a warning.
    ASSERT_TRUE(writeFile(transcript, source.readAll().replace("rivers.", QString::fromUtf8("rivers 한.").toUtf8())));

    Recorded recorded;
    const RecognitionJobResult result = runRecognitionJob(input(media, transcript), recorded.callback());
    ASSERT_EQ(result.code, 0) << result.message.toStdString();
    expectWellFormed(recorded, result);
    EXPECT_EQ(result.entries.size(), int(material->speech.sentences.size()));
    EXPECT_EQ(result.entries[1].text, QByteArray("Today we talk about rivers ?."));
    ASSERT_EQ(result.warnings.size(), 1);
    EXPECT_TRUE(result.warnings[0].contains(QString::fromUtf8("한")));
    EXPECT_TRUE(costLog().contains(QStringLiteral(",第一课 讲座.wav,"))) << costLog().toStdString();
    EXPECT_TRUE(QDir(dir.filePath("scratch")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

TEST_F(RecognitionJobTest, CancelStopsTheConversionBeforeAnyUpload)
{
    std::atomic<bool> cancel{false};
    Recorded recorded;
    const RecognitionJobResult result = runRecognitionJob(input(material->mp3, material->transcript),
                                                          [&](const ProgressReport &report) {
                                                              recorded.reports.append(report);
                                                              cancel = true;
                                                          },
                                                          &cancel);
    EXPECT_EQ(result.code, JobCancelled);
    EXPECT_EQ(result.message, QStringLiteral("任务已取消"));
    EXPECT_EQ(recorded.stages(), QVector<JobStage>({JobStage::Preparing}));
    EXPECT_FALSE(service->readLog().contains(QStringLiteral("kind=6")));
    expectWellFormed(recorded, result);
}

} // namespace
