#pragma once
// The file frame of every message writer: the bytes of one output record,
// and the appender that puts records at the end of output mbox files.

#include "convert/outputpaths.h"

#include <QByteArray>
#include <QSet>
#include <QString>

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
// where the record began.
class MboxAppender
{
public:
    MboxAppender();
    ~MboxAppender();
    MboxAppender(const MboxAppender &) = delete;
    MboxAppender &operator=(const MboxAppender &) = delete;

    // Appends the concatenated parts as one record to target.file, making
    // target.folder first. False when nothing was written (skip target, no
    // folder, file not opened, not a regular file, short write cut back).
    bool appendRecord(const outputpaths::OutputTarget &target, quint32 type, quint32 creator,
                      std::initializer_list<QByteArray> parts);

    // Appends one piece of a source file unchanged, and one line feed after
    // the piece with endOfFile set. The pieces of one source file form one
    // record: a failed piece cuts the file back to where the first piece
    // began, and the remaining pieces up to endOfFile are refused.
    bool appendPiece(const outputpaths::OutputTarget &target, quint32 type, quint32 creator,
                     const QByteArray &piece, bool endOfFile);

    // Cuts back the pieces of a source file whose last piece never came.
    void discardUnfinishedPieces();

    // Closes the open file; false when the close reported an error.
    bool close();
    // Closes the open file and forgets the made folders and any open piece run.
    void reset();

    // Status of the latest Finder-information call: 0 or a negated errno.
    int finderStatus() const { return m_finderStatus; }

private:
    bool openFor(const outputpaths::OutputTarget &target, quint32 type, quint32 creator);
    bool makeFolder(const QString &folder);
    bool writeParts(std::initializer_list<QByteArray> parts, qint64 rollbackTo);
    void cutBack(const QString &file, qint64 size);

    int m_fd = -1;
    QString m_file;
    QSet<QString> m_madeFolders;
    int m_finderStatus = 0;

    // The source file whose pieces are being appended.
    QString m_pieceFile;
    qint64 m_pieceStart = -1;
    bool m_pieceFailed = false;
};
