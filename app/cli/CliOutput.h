#pragma once

#include <QString>

// Exit codes of every command; check reports findings as 1, unusable input
// as 2. The service commands add 3 to 5.
enum CliExit {
    ExitOk = 0,
    ExitFailed = 1,
    ExitFindings = 1,
    ExitUsage = 2,
    ExitCredentials = 3, // no user name or password, or the log-in was refused
    ExitBalance = 4,     // the account's balance does not cover the job
    ExitMedia = 5,       // the media could not be turned into the service's WAV
};

// One line (newline added) in UTF-8: file names and messages stay readable
// whatever the terminal's locale says.
void printLine(const QString &text);
void printErrorLine(const QString &text);
