#pragma once
// The file frame of every message writer: the bytes of one output record,
// and the appender that puts records at the end of output mbox files.

#include "convert/outputpaths.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

#include <initializer_list>

namespace mboxrecord {

// text with ">" put before every line that begins with "From ".
QByteArray quotedFromLines(const QByteArray &text);
// text with every "From : " (anywhere in a line) turned into ">From : ",
// except at the start of a line that already begins ">From : ".
QByteArray quotedFromColon(const QByteArray &text);
// The line feeds that close a record after text: one more when text does
// not end in a line feed, so the next separator always follows an empty line.
QByteArray recordEnd(const QByteArray &text);
// Separator line, line feed, text and its record end, as one byte string.
QByteArray recordBytes(const QByteArray &separator, const QByteArray &text);

} // namespace mboxrecord

// Appends records to output mbox files. The file last written stays open
// while consecutive records go to it; folders made once are remembered. A
// new file gets its Finder type and creator. Each record goes out in one
// checked write; when it cannot be written whole, the file is cut back to
// where the record began, and a file and folders that the appender made for
// it and that hold nothing else are removed again. A file system may tell
// only when a file is closed that written data never reached the disk: a
// file whose close fails loses every message appended since it was opened,
// the incomplete ones among them too.
class MboxAppender
{
public:
    MboxAppender();
    ~MboxAppender();
    MboxAppender(const MboxAppender &) = delete;
    MboxAppender &operator=(const MboxAppender &) = delete;

    // Appends the concatenated parts as one record of messages messages to
    // target.file, making target.folder first; incomplete of them are saved
    // with only what could be read of them. False when nothing was written
    // (skip target, no folder, file not opened, not a regular file, short
    // write cut back).
    bool appendRecord(const outputpaths::OutputTarget &target, quint32 type, quint32 creator,
                      std::initializer_list<QByteArray> parts, qint64 messages = 1, qint64 incomplete = 0);

    // Appends one piece of source file source unchanged, and one line feed
    // after the piece with endOfFile set. The pieces of one source file form
    // one record: a failed piece cuts the file back to where the first piece
    // began, and the remaining pieces of that source up to endOfFile are
    // refused. A piece of another source (or for another file) starts a new
    // record; an empty source stands for target.file. The record holds
    // messages messages, incomplete of them incomplete, counted with the
    // piece with endOfFile.
    bool appendPiece(const outputpaths::OutputTarget &target, quint32 type, quint32 creator,
                     const QByteArray &piece, bool endOfFile, const QString &source = QString(),
                     qint64 messages = 1, qint64 incomplete = 0);

    // Cuts back the pieces of a source file whose last piece never came.
    void discardUnfinishedPieces();

    // Closes the open file; false when the close reported an error.
    bool close();
    // Closes the open file and forgets the made folders, any open piece run
    // and the messages lost on close.
    void reset();
    // The messages of the records appended to files whose close reported an
    // error (an explicit close or the one before another file is opened),
    // since the last call.
    qint64 takeMessagesLostOnClose();
    // Of those, the ones appended as incomplete, since the last call.
    qint64 takeIncompleteLostOnClose();

    // Status of the latest Finder-information call: 0 or a negated errno.
    int finderStatus() const { return m_finderStatus; }

private:
    bool openFor(const outputpaths::OutputTarget &target, quint32 type, quint32 creator);
    bool makeFolder(const QString &folder);
    bool writeParts(std::initializer_list<QByteArray> parts, qint64 rollbackTo);
    void cutBack(const QString &file, qint64 size);
    // Removes the open file when this appender created it and it is empty,
    // and the folders made for it that are left empty.
    void removeIfNothingWritten();
    void removeMadeFolders(QStringList folders);

    int m_fd = -1;
    QString m_file;
    QSet<QString> m_madeFolders;
    int m_finderStatus = 0;
    // The open file was created by this appender and no record in it is
    // complete yet; the folders made for it, innermost first.
    bool m_fileIsNew = false;
    QStringList m_foldersMadeForFile;
    // Messages of the records completed in the open file since it was
    // opened, and the incomplete ones among them.
    qint64 m_messagesInFile = 0;
    qint64 m_incompleteInFile = 0;
    qint64 m_messagesLostOnClose = 0;
    qint64 m_incompleteLostOnClose = 0;

    // The source file whose pieces are being appended, and its output file.
    QString m_pieceSource;
    QString m_pieceFile;
    qint64 m_pieceStart = -1;
    bool m_pieceFailed = false;
};
