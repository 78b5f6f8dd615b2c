#include "convert/outputtree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace outputtree {

namespace {

bool nothingAt(const QByteArray &encoded)
{
    struct stat st {};
    return ::lstat(encoded.constData(), &st) != 0 && errno == ENOENT;
}

int removeEntry(const char *path, const struct stat *, int type, struct FTW *)
{
    // FTW_PHYS reports a link as FTW_SL: it is unlinked, its target untouched.
    if (type == FTW_DP)
        ::rmdir(path);
    else
        ::unlink(path);
    return 0;
}

// Resolves the longest existing leading part of path, so a link anywhere
// above a path that does not exist yet still counts.
QString resolvedPath(const QString &path)
{
    const QString clean = QDir::cleanPath(path);
    QString existing = clean;
    QString rest;
    while (!existing.isEmpty() && !QFileInfo::exists(existing)) {
        const int slash = existing.lastIndexOf(QLatin1Char('/'));
        if (slash < 0)
            return clean;
        rest.prepend(existing.mid(slash));
        existing = existing.left(slash);
    }
    const QString canonical = QFileInfo(existing.isEmpty() ? QStringLiteral("/") : existing).canonicalFilePath();
    return canonical.isEmpty() ? clean : QDir::cleanPath(canonical + rest);
}

void removeEmptyBelow(const QString &dir, QSet<QString> &visited)
{
    const QString canonical = QFileInfo(dir).canonicalFilePath();
    if (canonical.isEmpty() || visited.contains(canonical))
        return;
    visited.insert(canonical);
    const QFileInfoList entries =
        QDir(dir).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo &entry : entries) {
        if (entry.isDir()) {
            removeEmptyBelow(entry.absoluteFilePath(), visited);
            // rmdir removes no link and no directory that still holds something.
            QDir().rmdir(entry.absoluteFilePath());
        } else if (!entry.isFile()) {
            QFile::remove(entry.absoluteFilePath());
        }
    }
}

} // namespace

bool removeTreeSafely(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QByteArray encoded = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(encoded.constData(), &st) != 0)
        return errno == ENOENT;
    if (S_ISDIR(st.st_mode))
        ::nftw(encoded.constData(), removeEntry, 32, FTW_DEPTH | FTW_PHYS);
    else
        ::unlink(encoded.constData());
    return nothingAt(encoded);
}

bool pathLiesWithin(const QString &inner, const QString &outer)
{
    if (inner == outer || outer == QLatin1String("/"))
        return true;
    return inner.startsWith(outer) && inner.at(outer.size()) == QLatin1Char('/');
}

bool outputOverlapsSource(const QString &targetTree, const QString &sourceRoot)
{
    if (sourceRoot.isEmpty())
        return false;
    const QString target = resolvedPath(targetTree);
    const QString source = resolvedPath(sourceRoot);
    return pathLiesWithin(source, target) || pathLiesWithin(target, source);
}

void removeEmptyDirectories(const QString &dir)
{
    if (!QFileInfo(dir).isDir())
        return;
    QSet<QString> visited;
    removeEmptyBelow(dir, visited);
}

} // namespace outputtree
