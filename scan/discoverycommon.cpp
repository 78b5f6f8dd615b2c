#include "scan/discoverycommon.h"

#include <QByteArray>
#include <QFile>

#include <cmath>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace discovery {

const QLatin1String kNewsFeedMarker("/RSS/Apple Hot News.rssmbox/");

bool ProgressGate::pass(double value)
{
    const qint64 whole = qint64(std::floor(value));
    if (m_lastWhole && *m_lastWhole == whole)
        return false;
    m_lastWhole = whole;
    return true;
}

bool isRegularFile(const QString &path)
{
    struct stat info;
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &info) == 0
        && S_ISREG(info.st_mode);
}

bool opensForReading(const QString &path)
{
    if (path.isEmpty())
        return false;
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info;
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    return regular;
}

QByteArray skippedFilesLine(int skipped)
{
    return QByteArrayLiteral("Skipped unreadable files: ") + QByteArray::number(skipped) + '\n';
}

void reportSkippedFiles(int skipped)
{
    if (skipped == 0)
        return;
    const QByteArray line = skippedFilesLine(skipped);
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}

} // namespace discovery
