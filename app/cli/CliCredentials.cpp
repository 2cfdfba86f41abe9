#include "CliCredentials.h"

#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace {

// One line from standard input, without echo when it is a terminal.
QByteArray readPasswordLine()
{
    termios saved {};
    const bool terminal = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= tcflag_t(~ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
        std::fputs("Password: ", stderr);
    }
    QByteArray line;
    for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar())
        line.append(char(c));
    if (line.endsWith('\r'))
        line.chop(1);
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputs("\n", stderr);
    }
    return line;
}

} // namespace

bool readCliCredentials(const CliArguments &arguments, CliCredentials &credentials, QString &problem)
{
    credentials.userName = arguments.value(QStringLiteral("user"), qEnvironmentVariable("CUEWRIGHT_USER"));
    if (credentials.userName.isEmpty()) {
        problem = QStringLiteral("no user name: give --user NAME or set CUEWRIGHT_USER");
        return false;
    }
    credentials.password = arguments.has(QStringLiteral("password-stdin")) ? readPasswordLine()
                                                                            : qgetenv("CUEWRIGHT_PASSWORD");
    if (credentials.password.isEmpty()) {
        problem = QStringLiteral("no password: set CUEWRIGHT_PASSWORD or pass it on standard input with --password-stdin");
        return false;
    }
    return true;
}
