#pragma once
// The three fixed files that make "Main Identity.rge" an identity bundle:
// Contents/PkgInfo, Contents/Info.plist and Archive.xml. Every caller (the
// saving thread, the main window and the scanning thread) writes them
// through writeIdentitySkeleton().

#include <QByteArray>
#include <QString>

namespace bundleskeleton {

// "rge OPIM", 8 bytes.
QByteArray pkgInfoBytes();
// The bundle's property list, 433 bytes.
QByteArray infoPlistBytes();
// The archive description, 278 bytes.
QByteArray archiveXmlBytes();

// Writes the three files below bundlePath (with or without a trailing "/").
// Directories are not made: a file whose directory is missing is skipped and
// the others are still written. A file that already holds its exact bytes is
// left alone, any other content is replaced whole, so one copy is all a file
// ever holds. True when all three files hold their bytes afterwards.
bool writeIdentitySkeleton(const QString &bundlePath);

} // namespace bundleskeleton
