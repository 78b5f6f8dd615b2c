#pragma once
// What a save works from, taken in the GUI thread when it starts, and what
// it achieved, shown when it ends.

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

struct FldrAtrib;
struct MailItem;

// Source kind of the last scan.
enum class SaveSource { None, Mbox, Emlx, MailMate, Outspring, Opera, Olm };
// Target mail client of a save.
enum class SaveTarget { None, AppleMail, Outlook };

struct SaveSnapshot {
    // One ticked folder (state exactly 1) with its message files in scan order.
    struct Folder {
        qint64 id = 0;
        QStringList files;
    };

    SaveSource source = SaveSource::None;
    SaveTarget target = SaveTarget::None;
    QString selectedRoot; // the scanned source (m_selectedFile)
    QString saveDir;      // the destination directory
    QVector<Folder> folders; // in folder-record order
    QSet<QString> registered; // the source paths the scan registered for the tree
    // mbox family: the messages the scan indexed in each source file, so that
    // a file that can no longer be read is counted by its messages.
    QHash<QString, qint64> indexedMessages;

    // Number of message files of all ticked folders.
    qint64 fileCount() const;
};

// The source kind the scan flags name (the first set, in dispatch order).
SaveSource sourceFromFlags(bool outspring, bool mailMate, bool emlx, bool mbox, bool opera, bool olm);
SaveSource currentSaveSource();

// Groups the files by folder in one pass over the item list and keeps the
// folders whose record is ticked, in record order.
QVector<SaveSnapshot::Folder> tickedFolders(const FldrAtrib *records, const MailItem *items);

// The snapshot of the current process-wide state for target.
SaveSnapshot takeSaveSnapshot(SaveTarget target);

// True when a driver exists for the pair.
bool hasDriver(SaveSource source, SaveTarget target);

// What one save run did, counted in messages.
struct SaveOutcome {
    qint64 written = 0;         // messages stored in the output
    qint64 incomplete = 0;      // of those, messages stored with only what could be read of them
    qint64 unreadable = 0;      // messages that could not be read and were skipped
    qint64 notWritten = 0;      // messages a writer could not store
    qint64 unreadableFiles = 0; // other files of the source (an account list) that could not be read
    bool stopped = false;

    // The messages the save was to convert: stored, skipped or not stored.
    qint64 total() const { return written + unreadable + notWritten; }
    // True when something was stored and nothing went wrong.
    bool isCompleteSuccess() const;

    bool operator==(const SaveOutcome &other) const;
};

// Text of the save-completed dialog: the success text with the number of
// messages saved when nothing went wrong; otherwise how many of how many
// messages were saved and what became of the others, and no claim of a save
// when nothing was written.
QString saveOutcomeText(const QString &fileSavingPath, const SaveOutcome &outcome);
