#pragma once
// The in-process file lister: finds the entries below a directory whose
// names match a shell pattern, the way `find DIR -name PATTERN` does, without
// running a shell and without writing a list file.

#include <QString>
#include <QStringList>
#include <atomic>

namespace filelister {

// Which kinds of entry a search may return.
enum class EntryTypes {
    Any,          // every kind of entry, as plain `find -name` (symbolic links included)
    RegularFiles, // regular files only, as `find -type f -name`
};

// What one search is asked to do.
struct ListOptions {
    EntryTypes types = EntryTypes::Any;
    // When set and true, the walk ends early and returns what it found so far.
    const std::atomic<bool> *stopFlag = nullptr;
};

// What one search found.
struct ListResult {
    QStringList paths;            // matching entries, in walk order
    int unreadableDirectories = 0; // directories that could not be listed (passed over)
};

// True when name matches pattern as `find -name` matches it: fnmatch
// semantics, case-sensitive, a leading "." matched by "*" and "?" like any
// other character.
bool nameMatches(const QString &pattern, const QString &name);

// Walks the tree below the directory root in pre-order (a directory before
// its contents, its contents before its next sibling) and returns every
// entry whose name matches pattern; root itself is not listed. A symbolic
// link given as root is followed, links below it never are. Each
// directory's entries are visited in byte order of their encoded names, so
// every run over the same tree gives the same list, and a directory is
// entered at most once. An empty or relative root, or one that is no
// directory, gives an empty result, and so does a root on a pseudo file
// system (proc, sysfs, devtmpfs and the like), which is never entered.
ListResult findByName(const QString &root, const QString &pattern, const ListOptions &options = {});

// Convenience form of findByName that returns only the paths.
QStringList findPaths(const QString &root, const QString &pattern,
                      EntryTypes types = EntryTypes::Any);

} // namespace filelister
