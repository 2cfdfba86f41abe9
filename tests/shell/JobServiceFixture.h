#pragma once
// Window tests of recognition and alignment jobs against the real service,
// run on 127.0.0.1 with a private data folder and synthesised speech.

#include "ServiceProcess.h"
#include "ShellFixture.h"

#include "subtitle/SubtitleEntry.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class MainWidget;

class JobServiceFixture : public ShellFixture
{
public:
    static const QString User;
    static const QString PoorUser; // 5 seconds left: less than any job costs
    static const QString Password;
    static constexpr long long Balance = 100000;

    // Speech made once per test program.
    struct Material
    {
        QString wav;        // 16 kHz mono: sent as it is
        QString mp3;        // converted first
        QString transcript; // one sentence a line
        QStringList lines;  // the sentences spoken
        int sentences = 0;
    };
    static const Material &material();
    // Runs the event loop until `done` or the time is up.
    static bool waitUntil(const std::function<bool()> &done, int milliseconds);

protected:
    void SetUp() override;
    void TearDown() override;

    // Logs `user` in as the log-in window would.
    void logIn(const QString &user = User);
    long long balanceOf(const QString &session) const;
    QString sessionOf(const QString &user) const;

    // Copies a material file into the test's folder under `name`.
    QString copyOf(const QString &source, const QString &name);
    // Entries the user already has: times a second and more in.
    static SubtitleEntries userEntries();

    std::unique_ptr<cw::testing::ServiceProcess> service;

private:
    QTemporaryDir m_serviceData;
};
