#pragma once
// The bookkeeping of one scan, apart from the thread that runs it: which
// discovery routine a client index runs, which source flag it sets, the
// lists a scan leaves empty, and the folder rows handed to the tree.

#include <QDebug>
#include <QList>
#include <QMap>
#include <QString>
#include <atomic>

namespace scanframe {

// The discovery routines, one per source kind.
enum class Routine {
    None,         // no client chosen, or an index outside 1 to 10
    MboxFamily,   // Apple Mail (.mbox), Thunderbird, Postbox, Eudora, SeaMonkey
    AppleMailEmlx,
    OlmBackup,
    MailMateEml,
    OutspringEml,
    OperaMbs,
};

// The routine that a client index of the source-selection window runs.
Routine routineForClient(int clientIndex);
// The source flag that a routine sets; nullptr for Routine::None.
std::atomic<bool> *sourceFlagFor(Routine routine);

// Clears the six source flags and the two target flags.
void clearSourceAndTargetFlags();
// Empties the working path lists of the discovery routines; the Opera Mail
// list and the files registered for the tree are kept.
void clearWorkingPathLists();

// One folder as the tree receives it.
struct TreeRow {
    qint64 folderId = 0;
    QString name;
    qint64 parentId = 0;
    QString folderPath;

    bool operator==(const TreeRow &other) const;
};

// One row per key of parentOf in ascending id order; a name or path the
// other maps lack is empty.
QList<TreeRow> treeRows(const QMap<qint64, qint64> &parentOf, const QMap<qint64, QString> &nameOf,
                        const QMap<qint64, QString> &pathOf);

} // namespace scanframe

QDebug operator<<(QDebug debug, const scanframe::TreeRow &row);
