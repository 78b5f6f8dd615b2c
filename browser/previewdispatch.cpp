#include "browser/previewdispatch.h"

#include "app/mainwindow.h"

namespace previewdispatch {

namespace {
PreviewCalls ownCalls;
PreviewCalls *installedCalls = nullptr;
} // namespace

PreviewKind previewKindFor(bool olmSource, bool mboxSource)
{
    if (olmSource)
        return PreviewKind::BackupRecord;
    if (mboxSource)
        return PreviewKind::MboxRange;
    return PreviewKind::WholeFile;
}

PreviewCalls::~PreviewCalls() = default;

void PreviewCalls::backupRecord(QConverterMainWindow *window, QTreeWidgetItem *row)
{
    window->OnMessageSubjectClicked(row, 0);
}

void PreviewCalls::mboxRange(QConverterMainWindow *window, const QString &path, const QString &offset,
                             const QString &length)
{
    window->OnWebViewForMboxFileInHTML(path, offset, length);
}

void PreviewCalls::wholeFile(QConverterMainWindow *window, const QString &path)
{
    window->OnWebViewInHTML(path);
}

PreviewCalls &previewCalls()
{
    return installedCalls ? *installedCalls : ownCalls;
}

PreviewCalls *setPreviewCalls(PreviewCalls *calls)
{
    PreviewCalls *previous = installedCalls;
    installedCalls = calls;
    return previous;
}

} // namespace previewdispatch
