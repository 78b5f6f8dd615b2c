#pragma once
// The frame that the discovery routines of the file-per-message and Opera
// Mail sources share: list the files below the source by name, then take
// them one by one with progress, stop test, the news-feed skip and the
// hand-over to the routine's tree builder, and end with the end signals.

#include <QString>
#include <QStringList>
#include <functional>

class QMessageSavingThread;

namespace findlist {

// What a routine's own test says of one listed path.
enum class PathStep {
    Take,   // the path goes on to the news-feed skip and the hand-over
    Refuse, // the source is not of this client: the scan ends with no data
};

// What became of one file handed over.
enum class Outcome {
    Filed,   // the file reached the tree builder
    Skipped, // the file did not open; it was counted and passed over
};

// One routine run on the frame.
struct Routine {
    // The routine's process-wide path list; cleared, then filled by the lister.
    QStringList *pathList = nullptr;
    // The name pattern of the files, as `find -name` takes it.
    QString pattern;
    // Runs after the listing; false ends the routine at once without signal.
    std::function<bool()> afterListing;
    // The routine's test of each path before the news-feed skip; none takes all.
    std::function<PathStep(const QString &)> pathStep;
    // Opens the file and hands it to the tree builder.
    std::function<Outcome(const QString &)> handOver;
};

// Runs routine for the source m_selectedFile, emitting thread's signals.
void runFindList(QMessageSavingThread &thread, const Routine &routine);

// The entries below root whose names match pattern, in the lister's order;
// directories that could not be listed are added to skipped. Ends early
// when the stop flag is set.
QStringList listByName(const QString &root, const QString &pattern, int &skipped);

// MailMate keeps its messages in ".mailbox" directories: refuse any other path.
PathStep mailMatePathStep(const QString &path);
// Outspring Mail keeps none: refuse a path inside a ".mailbox" directory.
PathStep outspringPathStep(const QString &path);

} // namespace findlist
