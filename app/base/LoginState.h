#pragma once

#include <QString>

// The one log-in session of the program. Not persisted.
struct LoginState
{
    bool loggedIn = false;
    QString sessionId; // kept after log-out
};

LoginState &loginState();

// The account values the account functions use, loaded from the settings
// at start and written back by the log-in window.
struct AccountMemory
{
    QString userName;
    QString password;
    bool rememberPassword = false;
    bool autoLogin = false;
};

AccountMemory &accountMemory();
