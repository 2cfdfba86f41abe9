#pragma once

#include <QString>

// Held, shared, by every running program of one installation; the updater
// takes it exclusively before it swaps files, so it never replaces files
// under a running program. Released when the object or the process ends.
class RunningLock
{
public:
    static constexpr int MaxWaitMs = 60000;
    static constexpr int WaitStepMs = 100;

    explicit RunningLock(const QString &programFolder);
    ~RunningLock();
    RunningLock(const RunningLock &) = delete;
    RunningLock &operator=(const RunningLock &) = delete;

    bool isHeld() const { return m_fd >= 0; }
    // Why it is not held; "" when it is.
    QString error() const { return m_error; }

private:
    int m_fd = -1;
    QString m_error;
};
