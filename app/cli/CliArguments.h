#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// A command's arguments: positional ones, and options written "--name value"
// or "--name=value".
struct CliArguments
{
    QStringList positional;
    QMap<QString, QString> options; // by name without the dashes

    bool has(const QString &name) const { return options.contains(name); }
    QString value(const QString &name, const QString &fallback = QString()) const
    {
        return options.value(name, fallback);
    }
};

// False, with `problem` set, for an option not in `optionNames` or one
// without a value. Names in `flagNames` take no value ("--quiet"); has()
// tells whether they were given.
bool parseCliArguments(const QStringList &arguments, const QStringList &optionNames,
                       CliArguments &parsed, QString &problem);
bool parseCliArguments(const QStringList &arguments, const QStringList &optionNames, const QStringList &flagNames,
                       CliArguments &parsed, QString &problem);

// A whole decimal number (a sign allowed); false with `problem` set otherwise.
bool parseIntOption(const CliArguments &arguments, const QString &name, int &value, QString &problem);
