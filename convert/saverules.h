#pragma once
// Pure rules of the save drivers: how a message file becomes the text handed
// to a writer, how a partial .emlx message is completed from its part files,
// the ">From " quoting of mbox sources and the Opera Mail folder of a
// message. Everything works on bytes: message text is never decoded.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace saverules {

// Text mode as the drivers read files: a CR right before a LF is dropped.
QByteArray toTextMode(const QByteArray &raw);

// The lines of data, each with its "\n" (the last one without, when the data
// does not end in one). NUL bytes stay inside their line.
QList<QByteArray> splitLines(const QByteArray &data);

// True when line opens a header field: a field name of printable ASCII
// (no blank, no ":") directly followed by ":".
bool isHeaderLine(const QByteArray &line);

// How a message file is read.
struct ReadRules {
    // Take the message length from a first line of decimal digits (.emlx)
    // when the property-list trailer begins right after that many bytes:
    // nothing inside the message then ends the reading.
    bool useByteCount = false;
    // End the message where the property-list trailer begins: the
    // declaration followed by the property list to the end of the file (the
    // line's text in front of the declaration stays). A declaration that
    // other text follows, as in an XHTML part, is message text.
    bool cutAtPlistTrailer = false;
    // Leave out "Received-Spf:" headers with their continuation lines.
    bool dropReceivedSpf = false;
    // Put ">" before every line that begins "From " (the .emlx and
    // Outspring Mail kinds; the MailMate and Opera Mail writers quote).
    bool quoteFromLines = false;
};

// Rules per source kind.
ReadRules mailMateRules();
ReadRules outspringRules();
ReadRules emlxRules();
ReadRules operaRules();

// The declaration that opens the trailer of an .emlx file.
extern const QByteArray kPlistDeclaration;

// The message text of a message file's bytes: CR LF read as LF, the first
// line dropped unless it is a header line (so an .eml keeps its first header
// while a byte-count or "From " envelope line goes), then the rules.
QByteArray messageTextOf(const QByteArray &raw, const ReadRules &rules);

// text with ">" before every line that begins "From ".
QByteArray quoteFromLines(const QByteArray &text);

// The marker of a part whose body was kept in a part file.
extern const QByteArray kPartMarker;

// Completes a partial message: the text is cut before every kPartMarker;
// the j-th part goes into the piece of the (j+1)-th marker, right after the
// first empty line of that piece (at its end when it has none). Parts
// beyond the last marker are ignored; the text before the first marker is
// never changed.
QByteArray assemblePartialMessage(const QByteArray &text, const QList<QByteArray> &parts);

// The message text of a partial message's file completed with the texts
// of its part files (assemblePartialMessage), the "From " lines of the
// whole quoted when the rules quote.
QByteArray partialMessageTextOf(const QByteArray &raw, const QList<QByteArray> &parts, const ReadRules &rules);

// Quoting of the lines of an mbox source file: ">" goes before a "From "
// line inside the text part of a message, and a "From " line after an
// empty line or a closing MIME boundary stays a message separator.
class MboxQuoter
{
public:
    // The most bytes of a line's start that the decision looks at.
    static constexpr int kHeadBytes = 25;

    // Quotes line in place; returns true when the line is a message
    // separator left as it is (a line beginning "From " not quoted).
    bool quote(QByteArray &line);

    // The same decision without copying: content is the line without its
    // line end (length bytes), endsLine whether a "\n" followed it.
    struct Decision {
        bool prependQuote = false;
        bool separator = false;
    };
    Decision decide(const char *content, int length, bool endsLine);

    // decide() in two steps, for lines that arrive in pieces: begin() with
    // the first min(length, kHeadBytes) bytes of a line (a CR at its end may
    // be included); lineEnded() with whether the content of the line that a
    // "\n" closed last was empty and whether it was a closing boundary ("--"
    // at its start and at its end). Only a line beginning "From " reads what
    // lineEnded() gave, so it need be current only before such a line begins.
    Decision begin(const char *head, int length)
    {
        // Only a line beginning "From " or "Content-Type: " changes anything.
        if (length == 0 || (head[0] != 'F' && head[0] != 'C'))
            return Decision{};
        return beginMarked(head, length);
    }
    void lineEnded(bool empty, bool closingBoundary)
    {
        m_previousEmpty = empty;
        m_previousClosingBoundary = closingBoundary;
    }

private:
    Decision beginMarked(const char *head, int length);

    bool m_textPart = false;
    bool m_previousEmpty = false;
    bool m_previousClosingBoundary = false;
};

// Converts an mbox source file block by block, whatever the block sizes:
// ">" before the "From " lines MboxQuoter picks, CR LF read as LF, every
// other byte unchanged. Unchanged spans are copied whole; at most the first
// kHeadBytes of one line are held back between blocks, so a line of any
// length costs no memory.
class MboxStream
{
public:
    // Appends to out the converted bytes of the next size bytes of the
    // source. With stopAtSeparator, ends before the first message separator
    // that begins here and returns true; the source is then done with.
    bool feed(const char *data, qint64 size, QByteArray &out, bool stopAtSeparator);
    // The end of the source: appends what was held back for its last line
    // (a line without line end); true when that line was a separator it
    // stopped before.
    bool finish(QByteArray &out, bool stopAtSeparator);
    // The message separators passed so far (a separator stopped before is
    // not counted): the number of messages the converted bytes hold.
    qint64 separators() const { return m_separators; }

private:
    bool convert(const char *begin, const char *end, QByteArray &out, bool stopAtSeparator);
    // Takes the bytes of a line that began in an earlier block, up to and
    // including its line feed; false when the line goes on past end.
    bool continueLine(const char *&p, const char *end, const char *&copied, QByteArray &out);
    // The line whose first bytes are at p (length of them in this block) is
    // decided; false when it is a separator to stop at.
    bool beginLine(const char *p, qint64 length, const char *&copied, QByteArray &out, bool stopAtSeparator);
    // Counts the raw bytes [from, to) of the line in progress and keeps its last ones.
    void rememberTail(const char *from, const char *to);

    MboxQuoter m_quoter;
    // The start of a line whose decision waits for more bytes.
    QByteArray m_head;
    // A decided line goes on in the next block.
    bool m_inLine = false;
    // The line in progress: content began with "--", raw bytes so far and
    // the last of them (up to four: "--" and two CRs).
    bool m_lineDashes = false;
    qint64 m_lineBytes = 0;
    char m_tail[4] = {};
    int m_tailSize = 0;
    // A CR that ended the previous block, written once the next byte shows
    // it is not the CR of a CR LF.
    bool m_pendingCr = false;
    qint64 m_separators = 0;
};

// The header block of a message text: up to and including the first empty
// line (the whole text when there is none).
QByteArray headerBlockOf(const QByteArray &text);

// The folder an Opera Mail message names in its header block: the value of
// the last "X-Opera-Location:" line up to its last ":"; empty when none.
QString operaLocationFolder(const QByteArray &text);

// The folder path handed to the Opera Mail writers: "/" + account + "/" +
// folder, trimmed, with "Mails" for a message that names no folder.
QString operaFolderPath(const QString &accountName, const QString &folder);

} // namespace saverules
