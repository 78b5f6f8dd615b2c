#include "scan/operadiscovery.h"

#include "app/appglobals.h"
#include "platform/safefiles.h"
#include "scan/discoverycommon.h"
#include "scan/findlistdiscovery.h"
#include "scan/messagesavingthread.h"
#include "scan/operamail.h"
#include "scan/scanglobals.h"

#include <QFile>
#include <QIODevice>

namespace operadiscovery {

namespace {

const QLatin1String kAccountNameKey("Account Name=");
// How many lines after its header a section is searched for its name.
constexpr int kSectionSearchLines = 101;
// Bytes kept of one line; a longer line is read past to its end.
constexpr qint64 kLineByteLimit = 64 * 1024;

// Reads the next line into line without its line end; false at the end.
bool readLine(QIODevice &device, QByteArray &line)
{
    line.clear();
    bool ended = false;
    bool readAny = false;
    while (!ended && !device.atEnd()) {
        const QByteArray piece = device.readLine(kLineByteLimit);
        // An empty read is an error or the end: never loop on it.
        if (piece.isEmpty())
            break;
        readAny = true;
        ended = piece.endsWith('\n');
        if (line.size() < kLineByteLimit)
            line.append(piece.left(int(kLineByteLimit) - line.size()));
    }
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    return readAny;
}

// A zero byte is dropped rather than let it cut off the rest of the line.
QString decodeLine(QByteArray bytes)
{
    bytes.replace('\0', QByteArray());
    return QString::fromUtf8(bytes);
}

} // namespace

QString accountFolderName(const QString &path)
{
    const QLatin1String store("/store");
    const int at = path.lastIndexOf(store);
    const QString after = at < 0 ? path : path.mid(at + store.size());
    const QStringList pieces = after.split(QLatin1Char('/'));
    return pieces.size() < 2 ? QString() : pieces.at(1).trimmed();
}

AccountList AccountList::read(QIODevice &device)
{
    AccountList accounts;
    QByteArray bytes;
    Section *searching = nullptr;
    int linesSearched = 0;
    while (readLine(device, bytes)) {
        const QString line = decodeLine(bytes);
        if (line.trimmed().startsWith(QLatin1Char('['))) {
            Section section;
            section.header = line.trimmed().toLower();
            accounts.m_sections.append(section);
            searching = &accounts.m_sections.last();
            linesSearched = 0;
            continue;
        }
        if (!searching || linesSearched == kSectionSearchLines)
            continue;
        ++linesSearched;
        if (!line.contains(kAccountNameKey))
            continue;
        const QStringList pieces = line.split(kAccountNameKey, Qt::SkipEmptyParts);
        if (pieces.isEmpty())
            continue;
        searching->named = true;
        searching->name = pieces.first().trimmed();
        searching = nullptr;
    }
    return accounts;
}

std::optional<AccountList> AccountList::load(const QString &path)
{
    QFile file;
    if (path.isEmpty() || !platform::openRegularFile(file, path, QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    return read(file);
}

QString AccountList::nameOf(const QString &folder) const
{
    const auto cached = m_cache.constFind(folder);
    if (cached != m_cache.constEnd())
        return cached.value();
    const QString header = QLatin1Char('[') + folder.toLower() + QLatin1Char(']');
    QString name;
    for (const Section &section : m_sections) {
        if (section.named && section.header.startsWith(header))
            name = section.name;
    }
    m_cache.insert(folder, name);
    return name;
}

QString accountNameFor(const AccountList &accounts, const QString &folder)
{
    if (folder.isEmpty())
        return folder;
    const QString name = accounts.nameOf(folder);
    return name.isEmpty() ? folder : name;
}

} // namespace operadiscovery

// ---- The routine on the scanning thread ----

namespace {

// The account list of the source, found and read once per scan.
operadiscovery::AccountList loadAccountList(QMessageSavingThread &thread)
{
    int skipped = 0;
    const QStringList found =
        findlist::listByName(m_selectedFile, QStringLiteral("accounts.ini"), skipped);
    thread.nSkippedFiles += skipped;
    if (found.isEmpty())
        return {};
    // Of several account lists below the source, the one listed last counts.
    std::optional<operadiscovery::AccountList> accounts;
    if (discovery::isRegularFile(found.last()))
        accounts = operadiscovery::AccountList::load(found.last());
    if (!accounts) {
        ++thread.nSkippedFiles;
        return {};
    }
    return *accounts;
}

} // namespace

void QMessageSavingThread::FileSearchForMbs()
{
    std::optional<operadiscovery::AccountList> accounts;
    findlist::Routine routine;
    routine.pathList = &listOfPathOfOnlyMbs;
    routine.pattern = QStringLiteral("*.mbs");
    routine.handOver = [this, &accounts](const QString &path) {
        // 1. The account, looked up for this file alone
        const QString folder = operadiscovery::accountFolderName(path);
        if (!folder.isEmpty() && !accounts)
            accounts = loadAccountList(*this);
        const QString account =
            operadiscovery::accountNameFor(accounts ? *accounts : operadiscovery::AccountList(), folder);

        // 2. One reading of the file: the open test, its location, and
        //    the index node the tree builder makes from the kept reading
        if (!discovery::isRegularFile(path)) {
            ++nSkippedFiles;
            return findlist::Outcome::Skipped;
        }
        const operamail::MbsFile file = operamail::readAndKeepMbsFile(path);
        if (!file.opened) {
            operamail::forgetKeptMbsFile();
            ++nSkippedFiles;
            return findlist::Outcome::Skipped;
        }

        // 3. The tree builder
        TreeCreatorOperaMail(QString(), QString(), operamail::treePathFor(account, file), path);
        return findlist::Outcome::Filed;
    };
    findlist::runFindList(*this, routine);
}
