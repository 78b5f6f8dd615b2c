#pragma once
// Which preview a selected message row reaches, and the calls that reach it.
// The calls go through one replaceable object so that a test can record the
// order and arguments of the previews a selection makes.

#include <QString>

class QConverterMainWindow;
class QTreeWidgetItem;

namespace previewdispatch {

// The three previews of a message row.
enum class PreviewKind {
    BackupRecord, // the backup record whose body offset and length the row carries
    MboxRange,    // a byte range of an mbox file
    WholeFile,    // a file that holds one message
};

// The preview of the current source kind: the backup first, then the mbox
// family, then every other kind (their rows name a whole file).
PreviewKind previewKindFor(bool olmSource, bool mboxSource);

// The preview calls of a selected row; by default the window's own.
class PreviewCalls
{
public:
    virtual ~PreviewCalls();
    // OnMessageSubjectClicked(row, 0).
    virtual void backupRecord(QConverterMainWindow *window, QTreeWidgetItem *row);
    // OnWebViewForMboxFileInHTML(path, offset, length).
    virtual void mboxRange(QConverterMainWindow *window, const QString &path, const QString &offset,
                           const QString &length);
    // OnWebViewInHTML(path).
    virtual void wholeFile(QConverterMainWindow *window, const QString &path);
};

// The calls in use.
PreviewCalls &previewCalls();
// Installs calls (null: the window's own) and returns those installed
// before (null when the window's own were in use).
PreviewCalls *setPreviewCalls(PreviewCalls *calls);

} // namespace previewdispatch
