#include "browser/messagelists.h"

#include "olm/mailmlrc.h"
#include "scan/scanglobals.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QHash>
#include <QIcon>
#include <QPair>
#include <QSet>
#include <QSize>
#include <QTextLayout>
#include <QTreeWidgetItem>
#include <QtMath>

namespace messagelists {

const QString kMailIcon = QStringLiteral(":/images/img_Mail.png");
const QString kNoSubject = QStringLiteral("No Subject");

namespace {

const QString kRowFontFamily = QStringLiteral("Lucida Grande");

// An index over one of the scan's lists, stamped with the head and tail it
// was built from; a list released and rebuilt by a later scan no longer
// matches the stamp, and forgetListIndexes() drops it outright.
template <typename Node, typename Key>
struct ListIndex {
    const Node *head = nullptr;
    const Node *tail = nullptr;
    bool built = false;
    QHash<Key, QVector<const Node *>> groups;

    bool isCurrent(const Node *listHead, const Node *listTail) const
    {
        return built && head == listHead && tail == listTail;
    }

    void reset()
    {
        head = nullptr;
        tail = nullptr;
        built = false;
        groups.clear();
    }

    template <typename KeyOf>
    void rebuild(const Node *listHead, const Node *listTail, KeyOf keyOf)
    {
        reset();
        for (const Node *node = listHead; node; node = node->pNext) {
            bool listed = true;
            const Key key = keyOf(*node, &listed);
            if (listed)
                groups[key].append(node);
        }
        head = listHead;
        tail = listTail;
        built = true;
    }
};

using AccountAndLocation = QPair<QString, QString>;
using BodyRange = QPair<qint64, qint64>;

ListIndex<MboxMbx, QString> mboxByFile;
ListIndex<MboxMbx, AccountAndLocation> operaByAccount;
// The backup records by number, by folder and by body range; rebuilt when
// the record list's generation moves on (a new list can reuse the head
// and tail addresses of a released one).
struct OlmIndex {
    bool built = false;
    quint64 generation = 0;
    QVector<const MailMLRC *> records;
    QHash<quint64, QVector<int>> byFolder;
    QHash<BodyRange, int> firstByBody;

    void reset()
    {
        built = false;
        records.clear();
        byFolder.clear();
        firstByBody.clear();
    }

    const OlmIndex &current()
    {
        if (built && generation == mailMLRCListGeneration())
            return *this;
        reset();
        for (const MailMLRC *record = TmpMlrcPtrStart; record; record = record->pNext) {
            const int number = records.size();
            records.append(record);
            byFolder[record->llFolderId].append(number);
        }
        // Inserted last to first, so each range keeps its first record.
        for (int number = records.size() - 1; number >= 0; --number)
            firstByBody.insert(BodyRange(records.at(number)->llBodyOffset, records.at(number)->llBodyLength),
                               number);
        generation = mailMLRCListGeneration();
        built = true;
        return *this;
    }
};

OlmIndex olmIndex;

const QFont &rowFont()
{
    // Never destroyed: it must not outlive the application's font database.
    static const QFont *font = new QFont(kRowFontFamily, kRowFontPoints);
    return *font;
}

// Every row's height: room for two lines (sender, subject) of the row font,
// and not less than kRowSize. The lines are measured with Chinese, Japanese
// and Korean text beside Latin, as the fallback fonts that draw those
// characters reach further above and below the line than the row font, and
// a row too low for both lines shows only the first. Measured once: every
// row has the same height, so the list places rows without measuring each.
int rowHeight()
{
    static const int height = [] {
        const QString sample = QStringLiteral("漢字かなAg") + QChar::LineSeparator + QStringLiteral("한글Ag");
        QTextLayout layout(sample, rowFont());
        layout.beginLayout();
        qreal lines = 0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(1e6);
            lines += line.height();
        }
        layout.endLayout();
        return qMax(kRowSize, qCeil(lines));
    }();
    return height;
}

const QIcon &mailIcon()
{
    static const QIcon *icon = new QIcon(kMailIcon);
    return *icon;
}

void setIfNotEmpty(QTreeWidgetItem *item, int column, const QString &text)
{
    if (!text.isEmpty())
        item->setText(column, text);
}

void collectFiles(const QString &directory, QStringList &files, QSet<QString> &entered)
{
    const QFileInfo info(directory);
    if (!info.isDir())
        return;
    const QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty() || entered.contains(canonical))
        return;
    entered.insert(canonical);

    const QFileInfoList entries = QDir(directory).entryInfoList(
        QDir::Dirs | QDir::Files | QDir::Drives | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &entry : entries) {
        const QString name = entry.fileName();
        if (name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        // Links below the folder are not followed, as the walk that registers
        // the files for conversion does not follow them: a listed message is
        // always one that a save converts.
        if (entry.isSymLink())
            continue;
        if (entry.isDir())
            collectFiles(entry.absoluteFilePath(), files, entered);
        else if (entry.isFile())
            files.append(entry.absoluteFilePath());
    }
}

} // namespace

bool MessageRow::operator==(const MessageRow &other) const
{
    return display == other.display && path == other.path && offset == other.offset
           && length == other.length && record == other.record;
}

QTreeWidgetItem *makeMessageItem(const MessageRow &row)
{
    auto *item = new QTreeWidgetItem;
    item->setSizeHint(kDisplayColumn, QSize(kRowSize, rowHeight()));
    item->setFont(kDisplayColumn, rowFont());
    item->setText(kDisplayColumn, row.display);
    item->setIcon(kDisplayColumn, mailIcon());
    setIfNotEmpty(item, kPathColumn, row.path);
    setIfNotEmpty(item, kOffsetColumn, row.offset);
    setIfNotEmpty(item, kLengthColumn, row.length);
    if (row.record >= 0)
        item->setData(kDisplayColumn, kRecordRole, row.record);
    return item;
}

MessageRow mboxRow(const MboxMbx &node)
{
    return {node.szFrom + QLatin1Char('\n') + node.szSubject, node.szFilePath,
            QString::number(node.llOffset), QString::number(node.llLength)};
}

MessageRow operaRow(const MboxMbx &node)
{
    return {operaSender(node.szFrom) + QLatin1Char('\n') + node.szSubject, node.szFilePath, QString(),
            QString()};
}

MessageRow olmRow(const MailMLRC &record, int number)
{
    QString subject = fieldText(record.szSubject);
    if (subject.isEmpty())
        subject = kNoSubject;
    return {olmSenderName(fieldText(record.szFromName)) + QLatin1Char('\n') + subject, QString(),
            QString::number(record.llBodyOffset), QString::number(record.llBodyLength), number};
}

QString olmSenderName(const QString &fromNames)
{
    if (fromNames.count(QLatin1Char(';')) >= 2) {
        const QString names = fromNames.left(fromNames.size() - 1);
        return names.mid(names.lastIndexOf(QLatin1Char(';')) + 1);
    }
    return QString(fromNames).remove(QLatin1Char(';'));
}

QString operaSender(const QString &from)
{
    if (!from.endsWith(QLatin1Char('\n')))
        return from;
    return QString(from).remove(QLatin1Char('\n'));
}

QString accountDirectory(const QString &path)
{
    const QString afterStore = path.split(QStringLiteral("/store")).last();
    const QStringList components = afterStore.split(QLatin1Char('/'));
    return components.value(1).trimmed();
}

QString parentDirectory(const QString &path)
{
    return path.left(path.lastIndexOf(QLatin1Char('/')));
}

QString mailboxDirectory(const QString &path)
{
    for (const QLatin1String suffix :
         {QLatin1String(".imapmbox/"), QLatin1String(".mailbox/"), QLatin1String(".mbox/")}) {
        const int at = path.lastIndexOf(suffix);
        if (at >= 0)
            return path.left(at + suffix.size() - 1);
    }
    return QString();
}

bool belongsToFolder(const QString &path, const QString &folderPath)
{
    return mailboxDirectory(path) == folderPath || parentDirectory(path) == folderPath;
}

bool isSkippedPath(const QString &path)
{
    for (const QLatin1String part : {QLatin1String(".emlxpart"), QLatin1String(".DS_Store"),
                                     QLatin1String(".plist"), QLatin1String(".dat"), QLatin1String("MacOS")}) {
        if (path.contains(part))
            return true;
    }
    return false;
}

QStringList listFilesBelow(const QString &directory)
{
    QStringList files;
    QSet<QString> entered;
    collectFiles(directory, files, entered);
    return files;
}

QVector<const MboxMbx *> mboxNodesOfFile(const QString &path)
{
    if (!mboxByFile.isCurrent(TmpMboxMbxPtrStart, TmpMboxMbxPtrEnd)) {
        mboxByFile.rebuild(TmpMboxMbxPtrStart, TmpMboxMbxPtrEnd, [](const MboxMbx &node, bool *listed) {
            // The empty node that ends an mbox index is never listed.
            *listed = !node.szFilePath.isEmpty();
            return node.szFilePath;
        });
    }
    return mboxByFile.groups.value(path);
}

QVector<const MboxMbx *> operaNodesOf(const QString &accountDir, const QString &location)
{
    if (!operaByAccount.isCurrent(TmpMboxMbxPtrStart, TmpMboxMbxPtrEnd)) {
        operaByAccount.rebuild(TmpMboxMbxPtrStart, TmpMboxMbxPtrEnd, [](const MboxMbx &node, bool *) {
            return AccountAndLocation(accountDirectory(node.szFilePath), node.szLocation);
        });
    }
    return operaByAccount.groups.value(AccountAndLocation(accountDir, location));
}

QVector<const MailMLRC *> olmRecordsOfFolder(quint64 folderId)
{
    const OlmIndex &index = olmIndex.current();
    QVector<const MailMLRC *> records;
    for (int number : index.byFolder.value(folderId))
        records.append(index.records.at(number));
    return records;
}

QVector<int> olmRecordNumbersOfFolder(quint64 folderId)
{
    return olmIndex.current().byFolder.value(folderId);
}

const MailMLRC *olmRecordNumbered(int number)
{
    return olmIndex.current().records.value(number, nullptr);
}

const MailMLRC *olmRecordAt(qint64 bodyOffset, quint64 bodyLength)
{
    const OlmIndex &index = olmIndex.current();
    const int number = index.firstByBody.value(BodyRange(bodyOffset, qint64(bodyLength)), -1);
    return number < 0 ? nullptr : index.records.at(number);
}

void forgetListIndexes()
{
    mboxByFile.reset();
    operaByAccount.reset();
    olmIndex.reset();
}

} // namespace messagelists

QDebug operator<<(QDebug debug, const messagelists::MessageRow &row)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "MessageRow(" << row.display << ", " << row.path << ", " << row.offset << ", "
                    << row.length << ')';
    return debug;
}
