#pragma once

#include "CliArguments.h"

#include <QByteArray>
#include <QString>

// Who runs a service command. The password never comes from an argument,
// where other users could read it in the process list.
struct CliCredentials
{
    QString userName;
    QByteArray password;
};

// --user or CUEWRIGHT_USER; the password from standard input with
// --password-stdin (its first line), else CUEWRIGHT_PASSWORD. False with
// `problem` set when either is missing.
bool readCliCredentials(const CliArguments &arguments, CliCredentials &credentials, QString &problem);
