#include "platform/safefiles.h"

#include <QHash>
#include <QSaveFile>
#include <QList>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace platform {

namespace {

// File system types that are views of the kernel, of devices or of
// processes, never stores of files.
const char *const kPseudoTypes[] = {
    "proc",     "sysfs",    "devtmpfs", "devpts",     "cgroup", "cgroup2", "debugfs",
    "tracefs",  "securityfs", "pstore", "bpf",        "configfs", "fusectl", "mqueue",
    "hugetlbfs", "binfmt_misc", "efivarfs", "selinuxfs", "rpc_pipefs", "nsfs", "autofs",
};

bool isPseudoType(const QByteArray &type)
{
    for (const char *pseudo : kPseudoTypes) {
        if (type == pseudo)
            return true;
    }
    return false;
}

// Magic numbers of the pseudo file systems that statfs tells apart (devtmpfs
// shares tmpfs's number and is found through the mount table only).
bool isPseudoMagic(long magic)
{
    static const long magics[] = {
        PROC_SUPER_MAGIC, SYSFS_MAGIC,  DEVPTS_SUPER_MAGIC, CGROUP_SUPER_MAGIC, CGROUP2_SUPER_MAGIC,
        DEBUGFS_MAGIC,    TRACEFS_MAGIC, SECURITYFS_MAGIC,  PSTOREFS_MAGIC,     BPF_FS_MAGIC,
        0x62656570 /* configfs */, 0x65735543 /* fusectl */, 0x19800202 /* mqueue */,
        HUGETLBFS_MAGIC, BINFMTFS_MAGIC, EFIVARFS_MAGIC, SELINUX_MAGIC, NSFS_MAGIC,
    };
    for (const long known : magics) {
        if (magic == known)
            return true;
    }
    return false;
}

// Whether the mount of device has a pseudo file system type, from the
// process's mount table; the answer is kept per device, so the table is
// read once for each device asked about.
bool deviceOfPseudoMount(dev_t device)
{
    static std::mutex mutex;
    static QHash<quint64, bool> known;
    std::lock_guard<std::mutex> lock(mutex);
    const auto found = known.constFind(quint64(device));
    if (found != known.constEnd())
        return found.value();

    bool pseudo = false;
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    if (table.open(QIODevice::ReadOnly)) {
        // "id parent major:minor root mountpoint options... - type source options"
        for (const QByteArray &line : table.readAll().split('\n')) {
            const QList<QByteArray> fields = line.split(' ');
            const int dash = fields.indexOf("-");
            if (fields.size() < 3 || dash < 0 || dash + 1 >= fields.size())
                continue;
            const QList<QByteArray> numbers = fields.at(2).split(':');
            if (numbers.size() == 2
                && makedev(numbers.at(0).toUInt(), numbers.at(1).toUInt()) == device
                && isPseudoType(fields.at(dash + 1)))
                pseudo = true;
        }
    }
    known.insert(quint64(device), pseudo);
    return pseudo;
}

} // namespace

bool isOnPseudoFileSystem(const QByteArray &path, const struct stat &info)
{
    struct statfs system;
    if (::statfs(path.constData(), &system) != 0)
        return deviceOfPseudoMount(info.st_dev);
    if (isPseudoMagic(long(system.f_type)))
        return true;
    // devtmpfs reports the number of tmpfs: only the mount table tells them apart.
    return long(system.f_type) == long(TMPFS_MAGIC) && deviceOfPseudoMount(info.st_dev);
}

int openRegularFile(const QString &path)
{
    const QByteArray encoded = QFile::encodeName(path);
    struct stat info;
    if (::stat(encoded.constData(), &info) != 0)
        return -1;
    if (!S_ISREG(info.st_mode)) {
        errno = EINVAL;
        return -1;
    }
    // O_NONBLOCK: should a FIFO or device take the file's place before the
    // open, the open returns at once instead of waiting for a writer.
    const int fd = ::open(encoded.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool openRegularFile(QFile &file, const QString &path, QIODevice::OpenMode mode)
{
    const int fd = openRegularFile(path);
    if (fd < 0)
        return false;
    if (!file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

bool replaceFileContents(const QString &path, const QByteArray &bytes,
                         bool directWriteFallback)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(directWriteFallback);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace platform
