#pragma once
// Pure rules of the main window and its progress dialog: placement, progress
// values, the texts of its boxes and the decisions of Open, Close and Save.
// Nothing here touches a widget, so tests call them directly.

#include <QPoint>
#include <QSize>
#include <QString>
#include <optional>

struct FldrAtrib;

namespace windowrules {

// Title of the main window's questions and refusals.
extern const QString kAppTitle;
// End-of-job texts.
extern const QString kScanCompletedText;
extern const QString kNoDataText;
extern const QString kProcessAbortedText;
// Texts of the progress dialog's label.
extern const QString kSavingLabelText;
extern const QString kScanningLabelText;
// The abort question of the progress dialog's Stop.
extern const QString kAbortQuestionText;
extern const QString kAbortQuestionInformativeText;
// Close guard.
extern const QString kAppRunningText;
extern const QString kCloseQuestionText;
// Open and Save while a worker runs.
extern const QString kJobRunningText;
extern const QString kSaveWhileRunningText;
// Save without a ticked folder.
extern const QString kSaveTitle;
extern const QString kSelectFolderText;

// Top-left corner of a window of size window centred on desktop and moved
// 100 pixels up and left; each halving truncates toward zero, so a desktop
// smaller than the window plus 200 gives negative coordinates.
QPoint initialWindowPosition(QSize desktop, QSize window);

// The bar value for a progress percentage: truncated toward zero; empty when
// that is outside 0 to 100 or the value is not a number, which leaves the bar
// unchanged.
std::optional<int> progressBarValue(double percent);

// Label of a new progress dialog: a save when either target flag is set.
QString progressLabelText(bool forOutlookMail, bool forAppleMail);

// Save-completed dialog texts for the output tree path.
QString saveCompletedText(const QString &fileSavingPath);
// What a scan counts as unreadable: files of a mail store, or entries of a
// backup file.
enum class Unreadable { Files, BackupEntries };
// The end-of-scan message: kScanCompletedText, and how many files (or backup
// entries) could not be read when any could not.
QString scanCompletedText(int unreadable, Unreadable kind = Unreadable::Files);
QString saveAbortedText(const QString &fileSavingPath);

// What Open does, worked out from the flags it finds.
struct OpenDecision {
    bool clearStopFlag = false;      // bStopFlag := 0 first
    bool remakeSourceWindow = false; // the source-selection window is made anew first
    bool resetOnly = false;          // reset the panes and stop, without a question
    bool ask = false;                // ask before discarding the loaded scan
};
OpenDecision decideOpen(bool parseDatabase, bool parseDatabaseClose, bool stopFlag);

// What the close guard does with a close request.
enum class CloseDecision { Refuse, Accept, Ask };
CloseDecision decideClose(bool processRunning, bool workerRunning, int confirmedCloses);

// True when a save may start: the first folder record (the root) is ticked
// or partly ticked.
bool saveRequestAccepted(const FldrAtrib *firstRecord);

// URL texts of the bundle files and of the support mail link.
QString helpPageUrlText(const QString &resourcesPath);
QString eulaUrlText(const QString &resourcesPath);
QString mailtoUrlText(const QString &address);

} // namespace windowrules
