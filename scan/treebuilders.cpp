#include "scan/treebuilders.h"

#include "app/appglobals.h"
#include "scan/filelister.h"
#include "scan/foldermodel.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"

#include <QFileInfo>

namespace treebuilders {

namespace {

const QString kMboxSuffix = QStringLiteral(".mbox");
const QString kImapSuffix = QStringLiteral(".imapmbox");
const QString kMailboxSuffix = QStringLiteral(".mailbox");
const QString kMailFolder = QStringLiteral("Mail");

// The path before the last occurrence of marker + "/"; the later marker
// of the two wins when both occur (Apple Mail: ".imapmbox/" over ".mbox/";
// MailMate: ".mailbox/" over ".mbox/"). found is false when neither occurs.
QString mailboxBase(const QString &path, const QString &preferredSuffix, bool *found)
{
    *found = false;
    QString base;
    for (const QString &suffix : {kMboxSuffix, preferredSuffix}) {
        const int at = path.lastIndexOf(suffix + QLatin1Char('/'));
        if (at >= 0) {
            base = path.left(at);
            *found = true;
        }
    }
    return base;
}

QString preferredSuffixOf(Layout layout)
{
    return layout == Layout::AppleMail ? kImapSuffix : kMailboxSuffix;
}

// The suffix both the tree path and the walk root take: it depends on
// what the path holds anywhere, not on where the base was cut.
QString suffixFor(Layout layout, const QString &path)
{
    if (layout == Layout::AppleMail) {
        if (path.contains(kImapSuffix))
            return kImapSuffix;
        if (path.contains(kMboxSuffix))
            return kMboxSuffix;
        return QString();
    }
    return path.contains(kMailboxSuffix) ? kMailboxSuffix : QString();
}

QString directoryOf(const QString &path)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return slash >= 0 ? path.left(slash) : QString();
}

// Tree path of a loose file: "Mail" and its directory below the source, or
// "Mail" and the whole directory when it lies elsewhere.
QString looseTreePath(const QString &filePath, const QString &selected)
{
    const QString directory = directoryOf(filePath);
    QString below;
    if (directory != selected) {
        const QString prefix =
            selected.endsWith(QLatin1Char('/')) ? selected : selected + QLatin1Char('/');
        below = directory.startsWith(prefix) ? directory.mid(prefix.size() - 1) : directory;
        if (!below.isEmpty() && !below.startsWith(QLatin1Char('/')))
            below.prepend(QLatin1Char('/'));
    }
    return kMailFolder + below;
}

MailboxCut cutOutspring(const QString &filePath, const QString &selected)
{
    MailboxCut cut;
    const int slash = filePath.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) {
        cut.treePath = kMailFolder;
        cut.loose = true;
        return cut;
    }
    const QString base = filePath.left(slash);
    const QString withSlash = base + QLatin1Char('/');
    QString rest = withSlash;
    if (withSlash.startsWith(selected)) {
        rest.remove(selected);
        rest.remove(kMboxSuffix);
    }
    cut.treePath = kMailFolder + rest;
    cut.treePath.chop(1);
    cut.walkRoot = base;
    return cut;
}

MailboxCut cutSuffixedMailbox(Layout layout, const QString &filePath, const QString &selected)
{
    MailboxCut cut;
    bool found = false;
    const QString base = mailboxBase(filePath, preferredSuffixOf(layout), &found);
    if (!found) {
        cut.treePath = looseTreePath(filePath, selected);
        cut.loose = true;
        return cut;
    }

    const QString name = base.mid(base.lastIndexOf(QLatin1Char('/')) + 1);
    const QString withSlash = base + QLatin1Char('/');

    // The source directory is the mailbox itself or lies inside it.
    const bool atOrInside = selected.startsWith(base);
    if (atOrInside) {
        cut.treePath = kMailFolder + QLatin1Char('/') + name + kMboxSuffix;
        cut.treePath.remove(kMboxSuffix);
    }
    // The mailbox lies below the source directory.
    const bool belowSkipped = layout == Layout::MailMate && atOrInside;
    if (!belowSkipped && withSlash.startsWith(selected)) {
        QString rest = withSlash;
        rest.remove(selected);
        cut.treePath += kMailFolder + rest;
        cut.treePath.chop(1);
    }

    const QString suffix = suffixFor(layout, filePath);
    cut.treePath += suffix;
    cut.walkRoot = base + suffix;
    return cut;
}

// The walk root of a file alone; cutMailbox without the tree path.
QString walkRootOf(Layout layout, const QString &filePath)
{
    if (layout == Layout::Outspring)
        return directoryOf(filePath);
    bool found = false;
    const QString base = mailboxBase(filePath, preferredSuffixOf(layout), &found);
    return found ? base + suffixFor(layout, filePath) : QString();
}

} // namespace

bool MailboxCut::operator==(const MailboxCut &other) const
{
    return treePath == other.treePath && walkRoot == other.walkRoot && loose == other.loose;
}

MailboxCut cutMailbox(Layout layout, const QString &filePath, const QString &selected)
{
    if (layout == Layout::Outspring)
        return cutOutspring(filePath, selected);
    return cutSuffixedMailbox(layout, filePath, selected);
}

bool isMessageFileName(const QString &path)
{
    return path.endsWith(QLatin1String(".eml")) || path.endsWith(QLatin1String(".emlx"));
}

QStringList mailboxMessageFiles(Layout layout, const QString &walkRoot,
                                const std::atomic<bool> *stopFlag)
{
    QStringList files;
    if (walkRoot.isEmpty() || QFileInfo(walkRoot).isRelative())
        return files;
    filelister::ListOptions options;
    options.stopFlag = stopFlag;
    const filelister::ListResult found =
        filelister::findByName(walkRoot, QStringLiteral("*.eml*"), options);
    for (const QString &path : found.paths) {
        if (isMessageFileName(path) && walkRootOf(layout, path) == walkRoot
            && QFileInfo(path).isFile())
            files.append(path);
    }
    return files;
}

void fileMessageFile(Layout layout, const QString &filePath, const QString &selected,
                     const std::atomic<bool> *stopFlag)
{
    // 1. Is the file registered by an earlier file of its mailbox?
    bCheckFucntion = foldermodel::isTreePathRegistered(filePath);

    // 2. The folder of its mailbox
    const qint64 lastIdBefore = PID;
    const MailboxCut cut = cutMailbox(layout, filePath, selected);
    // The tree path ends at the mailbox directory (or, for a loose file, at
    // its directory): the folder paths are counted from there.
    foldermodel::resolveTreePath(cut.treePath, cut.walkRoot.isEmpty() ? directoryOf(filePath) : cut.walkRoot);
    const qint64 folderId = llParentIdRunning;

    // 3. An Outspring folder lists the files of its own directory; the
    //    folder path derived from the tree path cannot name a directory
    //    whose ".mbox" the tree path dropped.
    if (layout == Layout::Outspring && !cut.walkRoot.isEmpty()
        && (folderId > lastIdBefore || MapLeftTreePath.value(folderId).isEmpty()))
        MapLeftTreePath.insert(folderId, cut.walkRoot);

    if (bCheckFucntion)
        return;

    // 4. The first file of a mailbox registers the whole mailbox.
    const QStringList files =
        cut.loose ? QStringList{filePath} : mailboxMessageFiles(layout, cut.walkRoot, stopFlag);
    for (const QString &path : files) {
        if (foldermodel::isTreePathRegistered(path))
            continue;
        foldermodel::registerTreePath(path);
        appendMailItem(path, folderId);
    }
}

} // namespace treebuilders

QDebug operator<<(QDebug debug, const treebuilders::MailboxCut &cut)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "MailboxCut(tree " << cut.treePath << ", walk " << cut.walkRoot
                    << (cut.loose ? ", loose" : "") << ')';
    return debug;
}

void QMessageSavingThread::TreeCreatorForMailMate(QString, QString, QString filePath)
{
    treebuilders::fileMessageFile(treebuilders::Layout::MailMate, filePath, m_selectedFile,
                                  &bStopFlag);
}

void QMessageSavingThread::TreeCreatorForOutSpring(QString, QString, QString filePath)
{
    treebuilders::fileMessageFile(treebuilders::Layout::Outspring, filePath, m_selectedFile,
                                  &bStopFlag);
}

void QMessageSavingThread::TreeCreatorForAppleMail(QString, QString, QString filePath)
{
    treebuilders::fileMessageFile(treebuilders::Layout::AppleMail, filePath, m_selectedFile,
                                  &bStopFlag);
}
