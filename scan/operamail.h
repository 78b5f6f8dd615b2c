#pragma once
// Opera Mail message files (".mbs", one message each): their folder location
// from the "X-Opera-Location:" line, the tree path of their folder, and the
// index node with decoded sender and subject that the message list shows.
//
// One reading of a file serves both the discovery (tree path) and the index:
// readMbsFile reads a file once, start to end, and keeps what each of them
// needs.

#include "scan/records.h"

#include <QByteArray>
#include <QDebug>
#include <QList>
#include <QString>

namespace operamail {

// The header line naming the folder of a message.
extern const QString kLocationMarker;
// Folder of a message that names none.
extern const QString kDefaultFolder;
// Bytes kept of one line; the rest of a longer line is read past.
constexpr int kLineByteLimit = 1 << 20;

// What one reading of an .mbs file found.
struct MbsFile {
    bool opened = false;
    // Location value of the last marker line that gave one, the line read
    // as the index reads it (with its line end); empty when none did.
    QString locationValue;
    // The same for the discovery, which trims every line before the marker
    // test: the value and the location (the value up to its last ":").
    QString discoveryValue;
    QString discoveryLocation;
    // Decoded first From and Subject headers, not yet fitted to the fields.
    QString from;
    QString subject;

    bool operator==(const MbsFile &other) const;
};

// The value of a line holding kLocationMarker: the line is cut at every
// marker, empty pieces dropped, and the first piece trimmed is the value.
// *found is false when the line holds no marker or no piece remains.
QString locationValueOfLine(const QString &line, bool *found);

// Folder name of a location value as the index keeps it (szLocation): the
// value up to its last ":", then the text after its last "/".
// "Mail/Inbox:12" gives "Inbox", "Lists/Qt" gives "Qt", "a:b:c" gives "a:b".
QString folderNameOfLocation(const QString &value);

// The value up to its last ":" (the whole value when it holds none): the
// location part of a discovery tree path. "a:b:c" gives "a:b".
QString treeLocationOfValue(const QString &value);

// szLocation of a file: kDefaultFolder when no location value was found,
// else folderNameOfLocation of it.
QString indexLocation(const MbsFile &file);

// The account-and-location text of a file ("/" + account + "/" +
// location, trimmed), "/" + account + "/Mails" when the file gave no value.
QString treePathFor(const QString &accountName, const MbsFile &file);

// Reads the file at path once. A file that does not open, or is no regular
// file, gives opened false and nothing else.
MbsFile readMbsFile(const QString &path);

// readMbsFile that also keeps the result for the index of the same file, so
// that a discovery which reads a file for its location and then hands it to
// the tree builder has it read only once.
MbsFile readAndKeepMbsFile(const QString &path);
// The kept reading of path when it is the file read last and has not
// changed since; otherwise a fresh readMbsFile. The kept reading is dropped.
MbsFile takeMbsFile(const QString &path);
// Drops the kept reading.
void forgetKeptMbsFile();

// Appends the index node of file (read from path) to head/tail: sender and
// subject fitted to their 254-unit fields, szLocation indexLocation, the
// whole path in szFilePath, offset and length 0. Returns the node, or
// nullptr (and appends nothing) when the file did not open.
MboxMbx *appendIndexNode(const MbsFile &file, const QString &path, MboxMbx *&head,
                         MboxMbx *&tail);

} // namespace operamail

QDebug operator<<(QDebug debug, const operamail::MbsFile &file);
