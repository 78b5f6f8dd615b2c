#include "platform/scratchdir.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

bool isPrivateDirectory(const QByteArray &path)
{
    struct stat info{};
    if (::lstat(path.constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid()
        && (info.st_mode & 07777) == 0700;
}

// Made once and removed when the process ends; the path is empty when the
// directory could not be made private.
struct ScratchDirectory
{
    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/mailconverter-XXXXXX")};
    QString path;

    ScratchDirectory()
    {
        if (!dir.isValid())
            return;
        const QByteArray encoded = QFile::encodeName(dir.path());
        if (!isPrivateDirectory(encoded)) {
            ::chmod(encoded.constData(), 0700);
            if (!isPrivateDirectory(encoded))
                return;
        }
        path = dir.path();
    }
};

} // namespace

QString privateScratchDirectory()
{
    static const ScratchDirectory scratch;
    return scratch.path;
}

} // namespace platform
