#pragma once
// The mbox message indexer: one pass over an mbox file that finds the
// separator line of every message and keeps its byte range, sender and
// subject, for the message lists of the mbox-family sources.

#include "scan/records.h"

#include <QByteArray>
#include <QDebug>
#include <QString>
#include <QVector>
#include <functional>
#include <memory>

namespace mboxindex {

// Longest text kept in the sender and subject fields, in UTF-16 units.
constexpr int kTextFieldUnits = 254;
// Bytes the indexer reads from a file at a time, unless told otherwise.
constexpr int kDefaultBlockSize = 1 << 20;

// One message of an mbox file.
struct MboxMessage {
    qint64 offset = 0;  // byte offset of its separator line (0 for the first message)
    qint64 length = 0;  // bytes up to the next separator line or the end of the file
    QString from;       // sender display text, already fitted to its field
    QString subject;    // subject display text, already fitted to its field

    bool operator==(const MboxMessage &other) const;
};

// How the indexing of one file ended.
enum class IndexStatus {
    Indexed,    // every message of the file was delivered
    NotMbox,    // empty, first line not "From ", or a single line: nothing delivered
    NotAFile,   // a directory or other entry that is not a file: nothing delivered
    OpenFailed, // the file did not open: nothing delivered
    ReadFailed, // reading broke off; the messages up to there were delivered
    Stopped,    // the progress callback asked to stop; the messages up to there were delivered
};

// Where the reading of a file stands; handed to the progress callback.
struct IndexProgress {
    qint64 bytesRead = 0;    // raw bytes consumed so far, CRs counted
    qint64 fileSize = 0;     // size taken when the file was opened
    qint64 linesRead = 0;    // lines consumed so far, the first line included
    qint64 messagesDone = 0; // messages handed over so far
    MboxMessage current;     // the message being read, as a stop here hands it over
};

// Optional hooks and limits of one indexing run.
struct IndexOptions {
    // Called after the lines the indexer steps over (a folded header is
    // one step); returning false ends the reading there. Without
    // progressDue it is called after every step.
    std::function<bool(const IndexProgress &)> progress;
    // Called after each call of progress: the count (bytesRead +
    // linesRead) at which progress wants to be called next. progress is
    // then called at the first step that reaches that count, and may be
    // called at other steps too; the steps in between are stepped over
    // without a call.
    std::function<qint64(const IndexProgress &)> progressDue;
    // Receives each diagnostic line ("lines - " and a sender word, no line end).
    std::function<void(const QByteArray &)> diagnostic;
    // Bytes read from the file at a time.
    int blockSize = kDefaultBlockSize;
    // Lets a helper thread read the next block of a large file while the
    // current one is looked through.
    bool readAhead = true;
    // Bytes kept of one header line and of one whole folded header; the
    // rest is read past, so a header without line ends cannot fill memory.
    int headerByteLimit = 1 << 20;
};

// Reads the file at path once, start to end, and hands every message to
// onMessage in file order. A file is an mbox file when its first line
// begins with "From "; its messages begin at offset 0 and at every later
// separator line. Sender and subject come from the first From and Subject
// header in the header block of each message (names in any letter case),
// unfolded, encoded words decoded, and fitted to their fields.
IndexStatus indexMboxFile(const QString &path, const std::function<void(MboxMessage &&)> &onMessage,
                          const IndexOptions &options = {});

// indexMboxFile that appends the messages to messages.
IndexStatus collectMboxMessages(const QString &path, QVector<MboxMessage> &messages,
                                const IndexOptions &options = {});

// The diagnostic hook of the program's own scans: line goes to the debug
// channel of the logging category "converter.scan.index", which stays
// quiet unless QT_LOGGING_RULES turns it on.
void logDiagnostic(const QByteArray &line);

// Indexes the file at path into the MboxMbx list head/tail: its first
// message fills the empty end node that an earlier file left, if the list
// ends with one; every further message gets a new node; after a file that
// gave at least one message, one empty end node is appended. szFilePath
// holds path unchanged.
IndexStatus appendMboxToList(const QString &path, MboxMbx *&head, MboxMbx *&tail,
                             const IndexOptions &options = {});

// One file indexed on a worker thread for the thread that owns the MboxMbx
// list. The worker builds the nodes of the file's messages apart from the
// list and records the steps at which the reading reports progress, with
// the diagnostic lines in between; the owner replays them in order while
// the worker reads on, then takes the nodes over. The owner ends up with
// the list, the calls and the status that appendMboxToList with the same
// options would have given.
class IndexedFile
{
public:
    // withProgress: the owner's options will have a progress hook;
    // progressDue is the one those options have (called on the worker).
    IndexedFile(const QString &path, bool withProgress,
                std::function<qint64(const IndexProgress &)> progressDue);
    // Frees the nodes no one took. index() must not be running.
    ~IndexedFile();
    IndexedFile(const IndexedFile &) = delete;
    IndexedFile &operator=(const IndexedFile &) = delete;

    // Worker side: reads the file (once; blockSize, headerByteLimit and
    // readAhead as in limits, the hooks of limits not used).
    void index(const IndexOptions &limits = {});
    // Owner side: replays the reading into head/tail through the progress
    // and diagnostic hooks of options, waiting for the worker as needed;
    // index() must run, or have run, on some thread. Once only.
    IndexStatus replayInto(MboxMbx *&head, MboxMbx *&tail, const IndexOptions &options);
    // Asks the worker to stop reading at its next step.
    void cancel();

private:
    struct Event;
    void publish(Event &&event);
    void waitUntilIndexed();
    void appendNode(MboxMessage &&message);
    void truncateNodes(qint64 keep);

    const QString m_path;
    const bool m_withProgress;
    const std::function<qint64(const IndexProgress &)> m_progressDue;
    struct Shared;
    std::unique_ptr<Shared> m_shared;
    // The worker's nodes, handed to the owner once the worker is done.
    MboxMbx *m_head = nullptr;
    MboxMbx *m_tail = nullptr;
};

// True when line is a separator line: it begins with "From " and holds one
// of " Mon " to " Sun " anywhere.
bool isSeparatorLine(const QByteArray &line);

// The sender field text of a decoded From header: its first non-empty line.
QString senderFieldText(QString headerValue);
// Text as a zero-terminated field of maxUnits + 1 units keeps it: cut at its
// first U+0000, then to maxUnits units without splitting a surrogate pair.
QString fitTextField(const QString &text, int maxUnits = kTextFieldUnits);

// True for a node whose every field is zero or empty (the end node of an mbox scan).
bool isEmptyNode(const MboxMbx &node);

} // namespace mboxindex

QDebug operator<<(QDebug debug, const mboxindex::MboxMessage &message);
