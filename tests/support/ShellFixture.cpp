#include "ShellFixture.h"

#include "base/AppState.h"
#include "base/GuiResources.h"
#include "base/MsgBox.h"
#include "project/Settings.h"

#include <QCoreApplication>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QFile>
#include <QWidget>

void ShellFixture::SetUp()
{
    initGuiResources();
    ASSERT_TRUE(m_appData.isValid());
    ASSERT_TRUE(m_work.isValid());
    qputenv("APPDATA", m_appData.path().toUtf8());
    qunsetenv("CUEWRIGHT_SERVICE_HOST");
    qunsetenv("CUEWRIGHT_SERVICE_PORT");

    s_state->resetAll();
    currentProject().tempFolder = m_work.filePath(QStringLiteral("scratch"));
    QDir().mkpath(currentProject().tempFolder);
    currentProject().appDataFolder = m_appData.path();
    // No test reaches a web host it did not start: the start page's version
    // check stays off unless a test turns it on.
    writeSetting(SettingKeys::CheckUpdateAtStart, QStringLiteral("0"));

    ModalSeam::setBoxAnswerer([this](const MsgBox &box) {
        boxTexts << box.text();
        boxTitles << box.title();
        if (boxAnswers.empty())
            return ModalSeam::Answer::Ok;
        const ModalSeam::Answer answer = boxAnswers.front();
        boxAnswers.pop_front();
        return answer;
    });
    ModalSeam::setFileAnswerer([this](const ModalSeam::FileRequest &request) {
        fileRequests.append(request);
        if (fileAnswers.empty())
            return QString();
        const QString answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    });
}

void ShellFixture::TearDown()
{
    // Top-level windows of a test must not outlive it.
    for (QWidget *widget : QApplication::topLevelWidgets())
        widget->hide();
    settle(0);
    ModalSeam::setBoxAnswerer(nullptr);
    ModalSeam::setFileAnswerer(nullptr);
    qunsetenv("APPDATA");
}

QString ShellFixture::userFile(const QString &name) const
{
    return m_appData.filePath(QStringLiteral("Cuewright/") + name);
}

QString ShellFixture::workFile(const QString &name) const
{
    return m_work.filePath(name);
}

void ShellFixture::writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray ShellFixture::readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void ShellFixture::settle(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    } while (timer.elapsed() < milliseconds);
}
