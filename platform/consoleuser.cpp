#include "platform/consoleuser.h"

#include <QFile>
#include <QMutex>
#include <QMutexLocker>

#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace platform {

namespace {

QMutex overrideMutex;
bool hasOverride = false;
QString overrideName;

QString loginNameOfUid(uid_t uid)
{
    long bufferSize = sysconf(_SC_GETPW_R_SIZE_MAX);
    if (bufferSize <= 0)
        bufferSize = 16384;
    std::vector<char> buffer(static_cast<size_t>(bufferSize));
    passwd entry{};
    passwd *result = nullptr;
    // getpwuid_r rather than getpwuid: the static record of the latter could
    // be overwritten by another thread between the call and the read.
    while (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &result) == ERANGE
           && buffer.size() < (1u << 20)) {
        buffer.resize(buffer.size() * 2);
    }
    if (!result || !result->pw_name)
        return QString();
    return QFile::decodeName(result->pw_name);
}

} // namespace

QString consoleUserName()
{
    {
        QMutexLocker lock(&overrideMutex);
        if (hasOverride)
            return overrideName;
    }
    return loginNameOfUid(getuid());
}

void setConsoleUserNameForTest(const QString &name)
{
    QMutexLocker lock(&overrideMutex);
    hasOverride = true;
    overrideName = name;
}

void clearConsoleUserNameForTest()
{
    QMutexLocker lock(&overrideMutex);
    hasOverride = false;
    overrideName.clear();
}

} // namespace platform
