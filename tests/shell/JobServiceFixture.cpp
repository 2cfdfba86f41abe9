#include "JobServiceFixture.h"

#include "SpeechFixture.h"

#include "account/AccountService.h"
#include "base/LoginState.h"
#include "shell/SrtThread.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

const QString JobServiceFixture::User = QStringLiteral("ann");
const QString JobServiceFixture::PoorUser = QStringLiteral("poor");
const QString JobServiceFixture::Password = QStringLiteral("pw");

namespace {

// Four sentences: long enough for every stage to report, short enough to
// keep each job to seconds, and each within the transcript line limit.
const size_t Chosen[] = {0, 1, 3, 5};

JobServiceFixture::Material makeMaterial()
{
    static QTemporaryDir dir;
    JobServiceFixture::Material made;
    if (!dir.isValid())
        return made;
    const auto standard = cw::testing::standardSentences();
    std::vector<std::string> sentences;
    for (size_t index : Chosen)
        sentences.push_back(standard.at(index));
    cw::testing::SpeechFixture speech;
    std::string error;
    QDir().mkpath(dir.filePath(QStringLiteral("speech")));
    if (!cw::testing::synthesizeSpeech(sentences, cw::testing::standardPauses(sentences.size()),
                                       dir.filePath(QStringLiteral("speech")), &speech, &error))
        return made;
    const QString wav = dir.filePath(QStringLiteral("talk.wav"));
    const QString mp3 = dir.filePath(QStringLiteral("talk.mp3"));
    const QString transcript = dir.filePath(QStringLiteral("talk.txt"));
    QByteArray text;
    for (const std::string &line : sentences)
        text += QByteArray::fromStdString(line) + "\r\n";
    QFile file(transcript);
    if (!cw::testing::writeWav16k(wav, speech.samples) || !file.open(QIODevice::WriteOnly)
        || file.write(text) != text.size())
        return made;
    file.close();
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), {QStringLiteral("-loglevel"), QStringLiteral("error"),
                                            QStringLiteral("-i"), wav, QStringLiteral("-ar"),
                                            QStringLiteral("44100"), QStringLiteral("-ac"), QStringLiteral("2"), mp3});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
        return made;
    made.wav = wav;
    made.mp3 = mp3;
    made.transcript = transcript;
    for (const std::string &line : sentences)
        made.lines << QString::fromStdString(line);
    made.sentences = made.lines.size();
    return made;
}

} // namespace

const JobServiceFixture::Material &JobServiceFixture::material()
{
    static const Material made = makeMaterial();
    return made;
}

void JobServiceFixture::SetUp()
{
    ShellFixture::SetUp();
    ASSERT_FALSE(material().wav.isEmpty()) << "speech could not be made (espeak-ng, sox and ffmpeg are needed)";
    ASSERT_TRUE(m_serviceData.isValid());
    service = std::make_unique<cw::testing::ServiceProcess>(QStringLiteral(CW_SERVICE_BINARY), m_serviceData.path());
    ASSERT_TRUE(service->addUser(User, Password, Balance));
    ASSERT_TRUE(service->addUser(PoorUser, Password, 5));
    ASSERT_TRUE(service->start()) << service->readLog().toStdString();
    qputenv("CUEWRIGHT_SERVICE_HOST", "127.0.0.1");
    qputenv("CUEWRIGHT_SERVICE_PORT", QByteArray::number(service->port()));
    SrtThread::setHandOverDelayForTests(0);
}

void JobServiceFixture::TearDown()
{
    SrtThread::setHandOverDelayForTests(0);
    if (service)
        service->stop();
    // Jobs a test left behind end with the service; let their threads go.
    waitUntil([] { return SrtThread::abandonedJobsRunning() == 0; }, 20000);
    ShellFixture::TearDown();
}

QString JobServiceFixture::sessionOf(const QString &user) const
{
    QString session;
    QString error;
    if (AccountService::loginToService(user, Password, session, error) != 0)
        ADD_FAILURE() << error.toStdString();
    return session;
}

void JobServiceFixture::logIn(const QString &user)
{
    loginState().loggedIn = true;
    loginState().sessionId = sessionOf(user);
    accountMemory().userName = user;
    accountMemory().password = Password;
}

long long JobServiceFixture::balanceOf(const QString &session) const
{
    const AccountService::Result result = AccountService::queryBalance(session);
    return result.ok ? result.text.trimmed().toLongLong() : -1;
}

bool JobServiceFixture::waitUntil(const std::function<bool()> &done, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

QString JobServiceFixture::copyOf(const QString &source, const QString &name)
{
    const QString path = workFile(name);
    QFile::remove(path);
    EXPECT_TRUE(QFile::copy(source, path));
    return path;
}

SubtitleEntries JobServiceFixture::userEntries()
{
    SubtitleEntries entries;
    for (int i = 0; i < 2; ++i) {
        SubtitleEntry entry;
        entry.number = i + 1;
        entry.startTime = millisecondsToTimeCode(1000 + 3000 * i);
        entry.endTime = millisecondsToTimeCode(2500 + 3000 * i);
        entry.text = QByteArray("mine ") + QByteArray::number(i + 1);
        entries.append(entry);
    }
    return entries;
}
