#pragma once
// What a save works from, taken in the GUI thread when it starts, and what
// it achieved, shown when it ends.

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

// What one save run did.
struct SaveOutcome {
    qint64 written = 0;    // messages (or mbox source files) stored whole
    qint64 unreadable = 0; // message, part, source or account files that could not be read
    qint64 notWritten = 0; // records a writer could not store
    bool stopped = false;

    bool operator==(const SaveOutcome &other) const;
};

// Text of the save-completed dialog: the success text when nothing failed,
// otherwise how many items were skipped or not written, and no claim of a
// save when nothing was written.
QString saveOutcomeText(const QString &fileSavingPath, const SaveOutcome &outcome);
