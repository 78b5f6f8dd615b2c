#pragma once
// The mbox-family discovery apart from the thread: the walk of the source
// directory, the test that makes a walked file a mailbox file, the tree
// path a mailbox file is filed under, and its reading progress.

#include <QString>
#include <QStringList>
#include <QVector>

namespace mboxdiscovery {

// What one walk of a source directory found.
struct WalkResult {
    bool rootIsDirectory = false;  // the root named an existing directory
    QStringList entries;           // every directory and file below it, in walk order
    QVector<qint64> fileSizes;     // beside entries: each file's size, -1 for a directory
    int unreadableDirectories = 0; // directories that could not be listed
    int unreadableEntries = 0;     // entries that could not be looked at (dangling links aside)
};

// Walks the tree below root in pre-order: the entries of each directory in
// walkOrderLess order, a directory's own path before its contents and its
// contents before its next sibling. Directories and links to directories
// are walked, files and links to files listed; anything else (FIFOs,
// sockets, devices, dangling links) is passed over. A directory already
// entered (the same device and inode, e.g. through a link that loops back)
// is passed over, so the walk always ends. Nothing on a pseudo file system
// (proc, sysfs, devtmpfs and the like) is entered or listed, whether the
// root or a link leads there. Each path is its directory's
// path, one "/" and the name, nothing trimmed. An empty or relative root,
// or one that is no directory, gives nothing.
WalkResult walkTree(const QString &root);

// Order of the walk: names compared lower-cased, unit by unit; names equal
// in lower case fall back to their exact text so the order is stable.
bool walkOrderLess(const QString &left, const QString &right);

// The path half of the mailbox test: the path holds none of ".mbs",
// ".emlx", ".eml", ".olm" and does not end with ".mbox".
bool passesPathTest(const QString &path);

// True when the file at path is a regular file whose first bytes are "From ".
bool firstLineStartsWithFrom(const QString &path);

// The folder tree path of an accepted mailbox file, for the source
// directory selected: ".../mbox" files below their directory relative to
// the source, then the text after the last "/ImapMail" or "/Mail"; a file
// with none of these goes under "Mail" by its path below the source.
QString treePathFor(const QString &path, const QString &selected);

// Reading progress of a mailbox file in percent: every line counts its
// length plus one, so a file with LF line ends passes 100 at its end.
double progressPercent(qint64 bytesRead, qint64 linesRead, qint64 fileSize);

// The smallest count (bytes read plus lines read) whose progressPercent
// reaches whole or more; 0 when every count does.
qint64 countReachingPercent(qint64 whole, qint64 fileSize);

// The count at which the reading progress of a mailbox file is next worth
// a look, after a look at count: where the whole percentage next moves, or
// stopCheckEvery further on if that comes first, so that a stop request
// is seen in time.
qint64 nextProgressCount(qint64 count, qint64 fileSize, qint64 stopCheckEvery);

// Files from this size on (1 MiB unless set) are indexed on worker threads
// during a scan, a few files ahead of the scanning thread, which replays
// their reading in order; smaller ones the scanning thread indexes itself.
// Tests move the limit to scan one store both ways.
void setParallelFileBytes(qint64 bytes);
qint64 parallelFileBytes();

} // namespace mboxdiscovery
