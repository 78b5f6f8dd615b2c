#include "scan/operamail.h"

#include "platform/safefiles.h"
#include "scan/encodedwords.h"
#include "scan/foldermodel.h"
#include "scan/headerfields.h"
#include "scan/mboxindexer.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

namespace operamail {

const QString kLocationMarker = QStringLiteral("X-Opera-Location:");
const QString kDefaultFolder = QStringLiteral("Mails");

namespace {

const QByteArray kLocationMarkerBytes = QByteArrayLiteral("X-Opera-Location:");
constexpr int kBlockSize = 256 * 1024;

// Reads a file in large blocks and hands out its lines, each with its
// "\n"; a "\r\n" reads as "\n", as in text mode. Of a line longer than
// kLineByteLimit only the first kLineByteLimit bytes (and its "\n") are kept.
class LineReader
{
public:
    explicit LineReader(QFile &file)
        : m_file(file)
    {
    }

    // False at the end of the file (or when reading fails).
    bool next(QByteArray &line)
    {
        line.clear();
        bool any = false;
        bool cut = false;
        bool lineEnd = false;
        while (!lineEnd) {
            if (m_pos >= m_block.size() && !refill())
                break;
            const int newline = m_block.indexOf('\n', m_pos);
            const int end = newline < 0 ? m_block.size() : newline;
            const int count = end - m_pos;
            const int room = kLineByteLimit - line.size();
            line.append(m_block.constData() + m_pos, qMin(count, room));
            cut = cut || count > room;
            any = true;
            lineEnd = newline >= 0;
            m_pos = lineEnd ? newline + 1 : m_block.size();
        }
        if (!any)
            return false;
        if (lineEnd) {
            if (!cut && line.endsWith('\r'))
                line.chop(1);
            line.append('\n');
        }
        return true;
    }

private:
    bool refill()
    {
        m_block = m_file.read(kBlockSize);
        m_pos = 0;
        return !m_block.isEmpty();
    }

    QFile &m_file;
    QByteArray m_block;
    int m_pos = 0;
};

QByteArray upToZero(const QByteArray &line)
{
    const int zero = line.indexOf('\0');
    return zero < 0 ? line : line.left(zero);
}

// The line as the discovery reads it: line end removed, trimmed.
void noteDiscoveryLocation(const QByteArray &line, MbsFile &file)
{
    if (!line.contains(kLocationMarkerBytes))
        return;
    bool found = false;
    const QString value = locationValueOfLine(QString::fromUtf8(line).trimmed(), &found);
    if (!found)
        return;
    file.discoveryValue = value;
    file.discoveryLocation = treeLocationOfValue(value);
}

// The line as the index reads it: up to its first zero byte, line end kept.
void noteIndexLocation(const QByteArray &line, MbsFile &file)
{
    if (!line.contains(kLocationMarkerBytes))
        return;
    bool found = false;
    const QString value = locationValueOfLine(QString::fromUtf8(line), &found);
    if (found)
        file.locationValue = value;
}

// The reading kept between the discovery and the index of one file.
struct KeptReading {
    bool valid = false;
    QString path;
    qint64 size = -1;
    QDateTime modified;
    MbsFile file;
};

KeptReading kept;

} // namespace

bool MbsFile::operator==(const MbsFile &other) const
{
    return opened == other.opened && locationValue == other.locationValue
           && discoveryValue == other.discoveryValue
           && discoveryLocation == other.discoveryLocation && from == other.from
           && subject == other.subject;
}

QString locationValueOfLine(const QString &line, bool *found)
{
    *found = false;
    if (!line.contains(kLocationMarker))
        return QString();
    const QStringList pieces = line.split(kLocationMarker, Qt::SkipEmptyParts);
    if (pieces.isEmpty())
        return QString();
    *found = true;
    return pieces.first().trimmed();
}

QString treeLocationOfValue(const QString &value)
{
    const int colon = value.lastIndexOf(QLatin1Char(':'));
    return colon < 0 ? value : value.left(colon);
}

QString folderNameOfLocation(const QString &value)
{
    const QString location = treeLocationOfValue(value);
    return location.mid(location.lastIndexOf(QLatin1Char('/')) + 1);
}

QString indexLocation(const MbsFile &file)
{
    if (file.locationValue.isEmpty())
        return kDefaultFolder;
    return folderNameOfLocation(file.locationValue);
}

QString treePathFor(const QString &accountName, const MbsFile &file)
{
    const QString account = QLatin1Char('/') + accountName + QLatin1Char('/');
    if (file.discoveryValue.isEmpty())
        return account + kDefaultFolder;
    return (account + file.discoveryLocation).trimmed();
}

MbsFile readMbsFile(const QString &path)
{
    MbsFile result;
    // Only a regular file: a directory gives nothing to read, and a pipe
    // could hold the scan forever.
    QFile file;
    if (path.isEmpty() || !platform::openRegularFile(file, path))
        return result;
    result.opened = true;

    // One pass gives all: the location of the last marker line (the index
    // passes over the folded lines of the From header) and the From and
    // Subject headers of the header block.
    enum { From, Subject };
    LineReader reader(file);
    headerfields::FieldCollector fields({QByteArrayLiteral("From"), QByteArrayLiteral("Subject")},
                                        kLineByteLimit);
    QByteArray raw;
    while (reader.next(raw)) {
        noteDiscoveryLocation(raw, result);
        const QByteArray line = upToZero(raw);
        const bool inHeader = fields.take(line);
        if (!(inHeader && headerfields::isContinuationLine(line) && fields.activeField() == From))
            noteIndexLocation(line, result);
    }
    if (fields.found(From))
        result.from = encodedwords::decodeHeaderValue(fields.value(From));
    if (fields.found(Subject))
        result.subject = encodedwords::decodeHeaderValue(fields.value(Subject));
    return result;
}

MbsFile readAndKeepMbsFile(const QString &path)
{
    const QFileInfo info(path);
    kept.file = readMbsFile(path);
    kept.valid = true;
    kept.path = path;
    kept.size = info.size();
    kept.modified = info.lastModified();
    return kept.file;
}

MbsFile takeMbsFile(const QString &path)
{
    MbsFile result;
    bool fresh = false;
    if (kept.valid && kept.path == path) {
        const QFileInfo info(path);
        fresh = info.size() == kept.size && info.lastModified() == kept.modified;
        if (fresh)
            result = std::move(kept.file);
    }
    forgetKeptMbsFile();
    return fresh ? result : readMbsFile(path);
}

void forgetKeptMbsFile()
{
    kept = KeptReading();
}

MboxMbx *appendIndexNode(const MbsFile &file, const QString &path, MboxMbx *&head, MboxMbx *&tail)
{
    if (!file.opened)
        return nullptr;
    auto *node = new MboxMbx;
    node->szFrom = mboxindex::fitTextField(file.from);
    node->szSubject = mboxindex::fitTextField(file.subject);
    node->szLocation = indexLocation(file);
    node->szFilePath = path;
    if (tail)
        tail->pNext = node;
    else
        head = node;
    tail = node;
    return node;
}

} // namespace operamail

QDebug operator<<(QDebug debug, const operamail::MbsFile &file)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "MbsFile(" << (file.opened ? "opened" : "not opened") << ", location "
                    << file.locationValue << ", discovery " << file.discoveryValue << " -> "
                    << file.discoveryLocation << ", from " << file.from << ", subject "
                    << file.subject << ')';
    return debug;
}

void QMessageSavingThread::TreeCreatorOperaMail(QString, QString, QString treePath,
                                                QString filePath)
{
    // 1. The folders "Mail", account and location
    treeCreatorOperaMail(QStringLiteral("Mail") + treePath, filePath);
    // 2. The message list's node of the file
    GetAllFieldsForMbsCentarTree(filePath);
    // 3. The file as a source to convert, in the folder resolved in step 1
    foldermodel::registerTreePath(filePath);
    appendMailItem(filePath, llParentIdRunning);
}

void QMessageSavingThread::GetAllFieldsForMbsCentarTree(QString filePath)
{
    operamail::appendIndexNode(operamail::takeMbsFile(filePath), filePath, TmpMboxMbxPtrStart,
                               TmpMboxMbxPtrEnd);
}
