#include "scan/filelister.h"

#include "platform/safefiles.h"

#include <QDir>
#include <QFile>
#include <QPair>
#include <QSet>

#include <algorithm>
#include <vector>

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

namespace filelister {

namespace {

using DirectoryKey = QPair<quint64, quint64>;

DirectoryKey keyOf(const struct stat &info)
{
    return qMakePair(quint64(info.st_dev), quint64(info.st_ino));
}

bool typeWanted(const struct stat &info, EntryTypes types)
{
    return types == EntryTypes::Any || S_ISREG(info.st_mode);
}

bool encodedNameMatches(const QByteArray &pattern, const QByteArray &name)
{
    // No FNM_PERIOD: find lets "*" match a leading dot.
    return ::fnmatch(pattern.constData(), name.constData(), 0) == 0;
}

QByteArray joinPath(const QByteArray &directory, const QByteArray &name)
{
    if (directory.endsWith('/'))
        return directory + name;
    return directory + '/' + name;
}

// The entry names of a directory without "." and "..", in byte order.
bool readSortedNames(const QByteArray &directory, std::vector<QByteArray> &names)
{
    DIR *handle = ::opendir(directory.constData());
    if (!handle)
        return false;
    while (const dirent *entry = ::readdir(handle)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(handle);
    std::sort(names.begin(), names.end());
    return true;
}

// One directory of the walk and the position in its sorted entries.
struct Frame {
    QByteArray path;
    std::vector<QByteArray> names;
    size_t next = 0;
};

} // namespace

bool nameMatches(const QString &pattern, const QString &name)
{
    return encodedNameMatches(QFile::encodeName(pattern), QFile::encodeName(name));
}

ListResult findByName(const QString &root, const QString &pattern, const ListOptions &options)
{
    ListResult result;
    if (root.isEmpty() || QDir::isRelativePath(root))
        return result;
    const QByteArray rootPath = QFile::encodeName(root);
    const QByteArray encodedPattern = QFile::encodeName(pattern);

    struct stat rootInfo;
    if (::stat(rootPath.constData(), &rootInfo) != 0 || !S_ISDIR(rootInfo.st_mode))
        return result;
    if (platform::isOnPseudoFileSystem(rootPath, rootInfo))
        return result;

    QSet<DirectoryKey> entered{keyOf(rootInfo)};
    std::vector<Frame> stack(1);
    stack.back().path = rootPath;
    if (!readSortedNames(rootPath, stack.back().names)) {
        ++result.unreadableDirectories;
        return result;
    }

    while (!stack.empty()) {
        if (options.stopFlag && options.stopFlag->load())
            break;
        Frame &top = stack.back();
        if (top.next == top.names.size()) {
            stack.pop_back();
            continue;
        }
        const QByteArray name = top.names[top.next++];
        const QByteArray path = joinPath(top.path, name);
        struct stat info;
        // lstat: a symbolic link is an entry of its own and never leads anywhere.
        if (::lstat(path.constData(), &info) != 0)
            continue;
        if (typeWanted(info, options.types) && encodedNameMatches(encodedPattern, name))
            result.paths.append(QFile::decodeName(path));
        if (!S_ISDIR(info.st_mode) || entered.contains(keyOf(info)))
            continue;
        entered.insert(keyOf(info));
        // A mount point below the root may hold a kernel file system.
        if (info.st_dev != rootInfo.st_dev && platform::isOnPseudoFileSystem(path, info))
            continue;
        Frame child;
        child.path = path;
        if (!readSortedNames(path, child.names)) {
            ++result.unreadableDirectories;
            continue;
        }
        stack.push_back(std::move(child));
    }
    return result;
}

QStringList findPaths(const QString &root, const QString &pattern, EntryTypes types)
{
    ListOptions options;
    options.types = types;
    return findByName(root, pattern, options).paths;
}

} // namespace filelister
