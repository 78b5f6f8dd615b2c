#pragma once
// Pure steps of the backup (.olm) to Apple Mail driver: where a record's
// message goes and which records a save converts.

#include "convert/outputpaths.h"

#include <QByteArray>
#include <QStringList>
#include <QVector>

struct MailMLRC;

namespace olmsaving {

// The components of a record's folder path: split at "/", empty, "." and
// ".." components dropped; "Folder1" when nothing is left.
QStringList folderComponents(const QByteArray &folderPath);

// The mbox file of a record: Main Identity.mbox/Mail/<path>/<last>.mbox below
// saveDirectory.
outputpaths::OutputTarget recordTarget(const QString &saveDirectory, const QByteArray &folderPath);

// The records of each folder id, in list order, in one pass over the list.
QVector<QVector<const MailMLRC *>> recordsOfFolders(const QVector<qint64> &folderIds, const MailMLRC *records);

} // namespace olmsaving
