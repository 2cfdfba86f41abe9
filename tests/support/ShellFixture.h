#pragma once

#include "base/ModalSeam.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <deque>

// Every shell test runs with a private per-user folder, fresh process-wide
// state and scripted modal pieces: message boxes answer from `boxAnswers`
// (OK when it runs dry) and are recorded; file choosers return from
// `fileAnswers` ("" when it runs dry) and record their requests.
class AppState;

class ShellFixture : public ::testing::Test
{
public:
    // The program state the test main made.
    static AppState *s_state;

protected:
    void SetUp() override;
    void TearDown() override;

    QString userFile(const QString &name) const; // "<APPDATA>/Cuewright/<name>"
    QString workFile(const QString &name) const; // a path in a scratch folder
    static void writeFile(const QString &path, const QByteArray &bytes);
    static QByteArray readFile(const QString &path);
    // Lets queued events and short timers run.
    static void settle(int milliseconds = 30);

    QTemporaryDir m_appData;
    QTemporaryDir m_work;
    std::deque<ModalSeam::Answer> boxAnswers;
    QStringList boxTexts;
    QStringList boxTitles;
    std::deque<QString> fileAnswers;
    QVector<ModalSeam::FileRequest> fileRequests;
};
