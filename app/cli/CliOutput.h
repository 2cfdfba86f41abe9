#pragma once

#include <QString>

// Exit codes of every command; check reports findings as 1, unusable input as 2.
enum CliExit { ExitOk = 0, ExitFailed = 1, ExitFindings = 1, ExitUsage = 2 };

// One line (newline added) in UTF-8: file names and messages stay readable
// whatever the terminal's locale says.
void printLine(const QString &text);
void printErrorLine(const QString &text);
