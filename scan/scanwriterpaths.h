#pragma once
// Path rules of the scanning thread's own writers: where a block of an mbox
// source, or an Opera Mail message, lands below an output tree. They differ
// from the saving thread's rules on purpose; the output path is made safe by
// the same function (outputpaths::placeInMailTree).

#include "convert/outputpaths.h"

#include <QString>

namespace scanwriterpaths {

// A path part holding ".sbd" (a Thunderbird subfolder directory): the parts
// between the ".sbd" markers, empty ones dropped, each trimmed, joined; ""
// when no part remains. A text without ".sbd" stays as it is.
QString joinedSbdParts(const QString &value);

// Output file of mbox source file source under treeRoot + "/Mail": the
// source's path below the selected root (only the leading selected-root
// prefix is cut) or below its "/ImapMail" directory, ".sbd" levels joined;
// the folder is the file's own directory. An empty treeRoot is "skip".
outputpaths::OutputTarget mboxTarget(const QString &source, const QString &selected, const QString &treeRoot);

// Output file of an Opera Mail folder path ("/" + account + "/" + folder)
// under treeRoot + "/Mail". An empty treeRoot is "skip".
outputpaths::OutputTarget operaTarget(const QString &folderPath, const QString &treeRoot);

} // namespace scanwriterpaths
