#include "CliArguments.h"

bool parseCliArguments(const QStringList &arguments, const QStringList &optionNames,
                       CliArguments &parsed, QString &problem)
{
    return parseCliArguments(arguments, optionNames, QStringList(), parsed, problem);
}

bool parseCliArguments(const QStringList &arguments, const QStringList &optionNames, const QStringList &flagNames,
                       CliArguments &parsed, QString &problem)
{
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (!argument.startsWith(QLatin1String("--"))) {
            parsed.positional.append(argument);
            continue;
        }
        QString name = argument.mid(2);
        QString value;
        const int equals = name.indexOf(QLatin1Char('='));
        if (equals >= 0) {
            value = name.mid(equals + 1);
            name.truncate(equals);
        }
        if (flagNames.contains(name)) {
            if (equals >= 0) {
                problem = QStringLiteral("--%1 takes no value").arg(name);
                return false;
            }
            parsed.options.insert(name, QString());
            continue;
        }
        if (!optionNames.contains(name)) {
            problem = QStringLiteral("unknown option: %1").arg(argument);
            return false;
        }
        if (equals < 0) {
            if (i + 1 >= arguments.size()) {
                problem = QStringLiteral("--%1 needs a value").arg(name);
                return false;
            }
            value = arguments[++i]; // may start with "-": a negative shift
        }
        parsed.options.insert(name, value);
    }
    return true;
}

bool parseIntOption(const CliArguments &arguments, const QString &name, int &value, QString &problem)
{
    bool ok = false;
    const int parsed = arguments.value(name).toInt(&ok);
    if (!ok) {
        problem = QStringLiteral("--%1 needs a whole number, not \"%2\"").arg(name, arguments.value(name));
        return false;
    }
    value = parsed;
    return true;
}
