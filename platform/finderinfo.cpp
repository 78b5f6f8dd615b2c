#include "platform/finderinfo.h"

#include <QFile>
#include <QtEndian>

#include <cerrno>
#include <sys/xattr.h>

namespace platform {

namespace {
const char kFinderInfoAttribute[] = "user.com.apple.FinderInfo";
constexpr int kFinderInfoSize = 32;
} // namespace

QByteArray finderInfoBytes(quint32 type, quint32 creator)
{
    QByteArray bytes(kFinderInfoSize, '\0');
    qToBigEndian(type, bytes.data());
    qToBigEndian(creator, bytes.data() + 4);
    return bytes;
}

int setFinderInfo(const QString &path, quint32 type, quint32 creator)
{
    const QByteArray bytes = finderInfoBytes(type, creator);
    const QByteArray name = QFile::encodeName(path);
    if (lsetxattr(name.constData(), kFinderInfoAttribute, bytes.constData(), size_t(bytes.size()), 0) == 0)
        return 0;
    return -errno;
}

bool finderInfo(const QString &path, quint32 *type, quint32 *creator)
{
    char bytes[kFinderInfoSize];
    const QByteArray name = QFile::encodeName(path);
    const ssize_t got = lgetxattr(name.constData(), kFinderInfoAttribute, bytes, sizeof bytes);
    if (got != kFinderInfoSize)
        return false;
    *type = qFromBigEndian<quint32>(bytes);
    *creator = qFromBigEndian<quint32>(bytes + 4);
    return true;
}

} // namespace platform
