#pragma once
// Safe access to what a source walk meets: which directories lie on pseudo
// file systems (kernel, device and process views that a walk never enters),
// and opening regular files only, without ever blocking on a FIFO or device.

#include <QFile>
#include <QString>

#include <sys/stat.h>

namespace platform {

// True when the directory described by info (from stat of path) lies on a
// pseudo file system: proc, sysfs, devtmpfs, devpts, cgroup, debugfs and the
// like, judged by the file system type of its mount.
bool isOnPseudoFileSystem(const QByteArray &path, const struct stat &info);

// Opens path read-only when it is a regular file: the open never blocks
// (a FIFO or device put in its place is refused unopened or at once), and
// the descriptor is checked to be a regular file. Returns the descriptor, or
// -1 with errno set (EINVAL for anything but a regular file).
int openRegularFile(const QString &path);

// openRegularFile into file (which then owns the descriptor); false when the
// path is no regular file or does not open.
bool openRegularFile(QFile &file, const QString &path,
                     QIODevice::OpenMode mode = QIODevice::ReadOnly);

// Writes bytes as the whole new content of path: into a file beside it that
// is renamed over it once every byte is written, so a failure never leaves a
// partial file behind. With directWriteFallback, a directory that forbids
// the file beside it lets the file itself be written in place. False when
// anything fails.
bool replaceFileContents(const QString &path, const QByteArray &bytes,
                         bool directWriteFallback);

} // namespace platform
