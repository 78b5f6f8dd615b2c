#pragma once
// Fixtures of the discovery tests: mail stores written into a temporary
// directory, the scanning thread's signals recorded as text, and the
// folder maps and record lists flattened into readable strings.

#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace discoveryfixture {

// A scanning thread whose run() the test thread can call directly.
class TestScan : public QMessageSavingThread
{
public:
    using QMessageSavingThread::run;
};

// Writes bytes to root/relativePath, making its directories.
inline bool writeFile(const QString &root, const QString &relativePath, const QByteArray &bytes)
{
    const QString path = root + QLatin1Char('/') + relativePath;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline bool makeDirectory(const QString &root, const QString &relativePath)
{
    return QDir().mkpath(root + QLatin1Char('/') + relativePath);
}

// A symbolic link at root/relativeLink pointing at target (taken as written).
inline bool makeLink(const QString &target, const QString &root, const QString &relativeLink)
{
    const QString link = root + QLatin1Char('/') + relativeLink;
    QDir().mkpath(QFileInfo(link).absolutePath());
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()) == 0;
}

inline bool makeFifo(const QString &root, const QString &relativePath)
{
    const QString path = root + QLatin1Char('/') + relativePath;
    QDir().mkpath(QFileInfo(path).absolutePath());
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

// One message of an mbox file: its separator line and a few headers.
inline QByteArray mboxMessage(const QByteArray &from, const QByteArray &subject,
                              const QByteArray &body = QByteArrayLiteral("Hello.\n"))
{
    return QByteArrayLiteral("From ") + from + QByteArrayLiteral(" Mon Jan  6 10:00:00 2014\n")
        + QByteArrayLiteral("From: ") + from + '\n' + QByteArrayLiteral("Subject: ") + subject
        + QByteArrayLiteral("\n\n") + body + '\n';
}

// Paths relative to root, or unchanged when they lie elsewhere.
inline QStringList relativeTo(const QString &root, const QStringList &paths)
{
    QStringList relative;
    for (const QString &path : paths)
        relative.append(path.startsWith(root + QLatin1Char('/')) ? path.mid(root.size() + 1) : path);
    return relative;
}

// The tree path of folder id: its names from the top, joined with "/".
inline QString folderTreePath(qint64 id)
{
    QStringList names;
    for (int depth = 0; id != llRootId && depth < 1000; ++depth) {
        if (!objMapFID_PID.contains(id))
            return QStringLiteral("<unknown folder %1>").arg(id);
        names.prepend(objMapFID_Name.value(id));
        id = objMapFID_PID.value(id);
    }
    return names.join(QLatin1Char('/'));
}

// Every folder of the maps as its tree path, in id order.
inline QStringList folderTree()
{
    QStringList paths;
    for (auto it = objMapFID_PID.constBegin(); it != objMapFID_PID.constEnd(); ++it)
        paths.append(folderTreePath(it.key()));
    return paths;
}

// Every MailItem as "tree path <- file", the file relative to root.
inline QStringList mailItems(const QString &root)
{
    QStringList items;
    for (const MailItem *item = StartMailItem; item; item = item->pNext) {
        const QString file = relativeTo(root, {item->pPath}).first();
        items.append(folderTreePath(item->llFolderId) + QLatin1String(" <- ") + file);
    }
    return items;
}

// Every MboxMbx node as "file @offset+length from|subject", the file
// relative to root; the empty end node reads "(end)".
inline QStringList mboxNodes(const QString &root)
{
    QStringList nodes;
    for (const MboxMbx *node = TmpMboxMbxPtrStart; node; node = node->pNext) {
        if (node->szFilePath.isEmpty() && node->llLength == 0) {
            nodes.append(QStringLiteral("(end)"));
            continue;
        }
        nodes.append(QStringLiteral("%1 @%2+%3 %4|%5")
                         .arg(relativeTo(root, {node->szFilePath}).first())
                         .arg(node->llOffset)
                         .arg(node->llLength)
                         .arg(node->szFrom.trimmed(), node->szSubject.trimmed()));
    }
    return nodes;
}

// Records the scanning thread's signals in order as short texts; progress
// values as whole numbers with one decimal.
class SignalLog : public QObject
{
public:
    explicit SignalLog(QMessageSavingThread &scan)
    {
        connect(&scan, &QMessageSavingThread::OnShowProgressDlg, this, [this] { add(QStringLiteral("show")); });
        connect(&scan, &QMessageSavingThread::OnIndivisibleProgressvalue, this,
                [this](double value) { add(QStringLiteral("progress %1").arg(value, 0, 'f', 1)); });
        connect(&scan, &QMessageSavingThread::OnSubProgressvalue, this,
                [this](double value) { add(QStringLiteral("sub %1").arg(value, 0, 'f', 1)); });
        connect(&scan, &QMessageSavingThread::OnSubProgressHide, this, [this] { add(QStringLiteral("subhide")); });
        connect(&scan, &QMessageSavingThread::ProgressDailogHide, this, [this] { add(QStringLiteral("hide")); });
        connect(&scan, &QMessageSavingThread::FinishScaning, this, [this] { add(QStringLiteral("finish")); });
        connect(&scan, &QMessageSavingThread::NoDataIntoFile, this, [this] { add(QStringLiteral("nodata")); });
        connect(&scan, &QMessageSavingThread::MakeTreeWidget, this,
                [this](qlonglong id, const QString &name, qlonglong parent, const QString &) {
                    add(QStringLiteral("tree %1 %2 under %3").arg(id).arg(name).arg(parent));
                });
    }

    QStringList entries;
    // Only the entries that are not progress values.
    QStringList withoutProgress() const
    {
        QStringList kept;
        for (const QString &entry : entries) {
            if (!entry.startsWith(QLatin1String("progress")) && !entry.startsWith(QLatin1String("sub ")))
                kept.append(entry);
        }
        return kept;
    }

private:
    void add(const QString &entry) { entries.append(entry); }
};

inline bool runningAsRoot()
{
    return ::geteuid() == 0;
}

} // namespace discoveryfixture
