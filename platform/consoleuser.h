#pragma once
// The login name of the user the program runs for.

#include <QString>

namespace platform {

// Login name of the user running the program ("" when it cannot be found),
// or the name a test set.
QString consoleUserName();
// Makes consoleUserName() return name until cleared.
void setConsoleUserNameForTest(const QString &name);
void clearConsoleUserNameForTest();

} // namespace platform
