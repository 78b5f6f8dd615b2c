#pragma once
// File-system operations of the save front end on the output tree: its safe
// removal, the test that keeps the output away from the source, and the
// clean-up of empty directories.

#include <QString>

namespace outputtree {

// Removes path: a symbolic link or file is unlinked itself (never what it
// points to); a real directory is removed with everything below it, without
// following any link inside it. Returns true when nothing is left at path.
bool removeTreeSafely(const QString &path);

// True when inner is outer or lies below it (both clean absolute paths).
bool pathLiesWithin(const QString &inner, const QString &outer);

// True when the output tree at targetTree would contain the source at
// sourceRoot or lie inside it; links are resolved as far as the paths exist.
bool outputOverlapsSource(const QString &targetTree, const QString &sourceRoot);

// Removes every empty directory below dir, deepest first, and deletes the
// entries that are neither directories nor regular files (dangling links,
// pipes, sockets); dir itself stays. A directory reached twice through links
// is walked once.
void removeEmptyDirectories(const QString &dir);

} // namespace outputtree
