#pragma once

#include <QString>
#include <optional>

class QWidget;

// The logged-in user's balance as the account windows show it. Not logged in:
// asks for the log-in window. A failed query is told in a box over owner.
std::optional<QString> fetchRemainingTimeText(QWidget *owner);
