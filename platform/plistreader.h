#pragma once
// Reads string values from an XML property list whose root is a dictionary.

#include <QString>

namespace platform {

// The string stored under key in the property list at path, read afresh at
// every call; "" when the file is missing or malformed or has no such key.
QString readPlistString(const QString &path, const QString &key);

} // namespace platform
