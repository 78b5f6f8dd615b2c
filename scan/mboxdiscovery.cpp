#include "scan/mboxdiscovery.h"

#include "app/appglobals.h"
#include "scan/discoverycommon.h"
#include "scan/foldermodel.h"
#include "scan/mboxindexer.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"

#include <QDir>
#include <QFile>
#include <QPair>
#include <QSet>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

namespace mboxdiscovery {

namespace {

using DirectoryKey = QPair<quint64, quint64>;

DirectoryKey keyOf(const struct stat &info)
{
    return qMakePair(quint64(info.st_dev), quint64(info.st_ino));
}

QString joinPath(const QString &directory, const QString &name)
{
    if (directory.endsWith(QLatin1Char('/')))
        return directory + name;
    return directory + QLatin1Char('/') + name;
}

// The entry names of a directory without "." and "..", in walk order.
bool readNamesInWalkOrder(const QString &directory, QStringList &names)
{
    DIR *handle = ::opendir(QFile::encodeName(directory).constData());
    if (!handle)
        return false;
    std::vector<std::pair<QString, QString>> keyed; // lower-cased name, name
    while (const dirent *entry = ::readdir(handle)) {
        const QByteArray raw(entry->d_name);
        if (raw == "." || raw == "..")
            continue;
        const QString name = QFile::decodeName(raw);
        keyed.emplace_back(name.toLower(), name);
    }
    ::closedir(handle);
    std::sort(keyed.begin(), keyed.end());
    names.reserve(int(keyed.size()));
    for (auto &pair : keyed)
        names.append(std::move(pair.second));
    return true;
}

// One directory of the walk and the position in its entries.
struct Frame {
    QString path;
    QStringList names;
    int next = 0;
};

bool endsWithDirectoryMailbox(const QString &path)
{
    return path.endsWith(QLatin1String("/mbox"));
}

} // namespace

bool walkOrderLess(const QString &left, const QString &right)
{
    const QString lowerLeft = left.toLower();
    const QString lowerRight = right.toLower();
    if (lowerLeft != lowerRight)
        return lowerLeft < lowerRight;
    return left < right;
}

WalkResult walkTree(const QString &root)
{
    WalkResult result;
    // An empty QDir path is the working directory; a walk never starts there.
    if (root.isEmpty() || QDir::isRelativePath(root))
        return result;
    struct stat rootInfo;
    if (::stat(QFile::encodeName(root).constData(), &rootInfo) != 0 || !S_ISDIR(rootInfo.st_mode))
        return result;
    result.rootIsDirectory = true;

    QSet<DirectoryKey> entered{keyOf(rootInfo)};
    std::vector<Frame> stack(1);
    stack.back().path = root;
    if (!readNamesInWalkOrder(root, stack.back().names)) {
        ++result.unreadableDirectories;
        return result;
    }

    while (!stack.empty()) {
        Frame &top = stack.back();
        if (top.next == top.names.size()) {
            stack.pop_back();
            continue;
        }
        const QString path = joinPath(top.path, top.names.at(top.next++));
        struct stat info;
        // stat, not lstat: links to directories and files are followed.
        if (::stat(QFile::encodeName(path).constData(), &info) != 0)
            continue;
        if (S_ISREG(info.st_mode)) {
            result.entries.append(path);
            continue;
        }
        if (!S_ISDIR(info.st_mode) || entered.contains(keyOf(info)))
            continue;
        entered.insert(keyOf(info));
        result.entries.append(path);
        Frame child;
        child.path = path;
        if (!readNamesInWalkOrder(path, child.names)) {
            ++result.unreadableDirectories;
            continue;
        }
        stack.push_back(std::move(child));
    }
    return result;
}

bool passesPathTest(const QString &path)
{
    static const QLatin1String refused[] = {QLatin1String(".mbs"), QLatin1String(".emlx"),
                                            QLatin1String(".eml"), QLatin1String(".olm")};
    for (const QLatin1String &marker : refused) {
        if (path.contains(marker))
            return false;
    }
    return !path.endsWith(QLatin1String(".mbox"));
}

bool firstLineStartsWithFrom(const QString &path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.read(5) == "From ";
}

QString treePathFor(const QString &path, const QString &selected)
{
    const QString mail = QStringLiteral("Mail");
    if (endsWithDirectoryMailbox(path)) {
        QString directory = path.left(path.lastIndexOf(QLatin1Char('/')));
        if (!selected.isEmpty())
            directory.remove(selected);
        return mail + directory + QLatin1String("/mbox");
    }
    const QLatin1String imapMarker("/ImapMail");
    const int imap = path.lastIndexOf(imapMarker);
    if (imap >= 0)
        return mail + path.mid(imap + imapMarker.size());
    const QLatin1String mailMarker("/Mail");
    const int plain = path.lastIndexOf(mailMarker);
    if (plain >= 0)
        return mail + path.mid(plain + mailMarker.size());

    // Mailbox files kept outside any mail-client profile: one folder per
    // directory below the source, so the tree mirrors the disk.
    QString below = !selected.isEmpty() && path.startsWith(selected) ? path.mid(selected.size()) : path;
    if (!below.startsWith(QLatin1Char('/')))
        below.prepend(QLatin1Char('/'));
    return mail + below;
}

double progressPercent(qint64 bytesRead, qint64 linesRead, qint64 fileSize)
{
    if (fileSize <= 0)
        return 100.0;
    return double((bytesRead + linesRead) * 100) / double(fileSize);
}

} // namespace mboxdiscovery

// ---- The routine on the scanning thread ----

namespace {

// Whether the walked entry at path is a mailbox file; indexes its messages
// in the same pass and sends its reading progress when it is one.
class MailboxReading
{
public:
    MailboxReading(QMessageSavingThread &thread, discovery::ProgressGate &gate, const QString &path)
        : m_thread(thread), m_gate(gate), m_path(path)
    {
    }

    // Indexes the entry and applies the mailbox test; true for a mailbox file.
    bool run()
    {
        const bool candidate = mboxdiscovery::passesPathTest(m_path);
        mboxindex::IndexOptions options;
        options.diagnostic = [](const QByteArray &lines) {
            std::fwrite(lines.constData(), 1, size_t(lines.size()), stdout);
        };
        if (candidate)
            options.progress = [this](const mboxindex::IndexProgress &read) { return progress(read); };
        const mboxindex::IndexStatus status =
            mboxindex::appendMboxToList(m_path, TmpMboxMbxPtrStart, TmpMboxMbxPtrEnd, options);
        if (!candidate)
            return false;

        bool accepted = false;
        switch (status) {
        case mboxindex::IndexStatus::Indexed:
        case mboxindex::IndexStatus::Stopped:
            accepted = true;
            break;
        case mboxindex::IndexStatus::ReadFailed:
            // Filed with the messages read up to the break, and counted.
            ++m_thread.nSkippedFiles;
            accepted = m_announced || mboxdiscovery::firstLineStartsWithFrom(m_path);
            break;
        case mboxindex::IndexStatus::NotMbox:
            // A mailbox of its "From " line alone has no message to index.
            accepted = mboxdiscovery::firstLineStartsWithFrom(m_path);
            break;
        case mboxindex::IndexStatus::OpenFailed:
            ++m_thread.nSkippedFiles;
            break;
        case mboxindex::IndexStatus::NotAFile:
            break;
        }
        if (accepted)
            announce();
        return accepted;
    }

private:
    // The file is a mailbox: register it before its first progress value.
    void announce()
    {
        if (m_announced)
            return;
        m_announced = true;
        foldermodel::registerTreePath(m_path);
        emit m_thread.OnSubProgressvalue(0.0);
    }

    bool progress(const mboxindex::IndexProgress &read)
    {
        announce();
        const double percent = mboxdiscovery::progressPercent(read.bytesRead, read.linesRead, read.fileSize);
        if (m_gate.pass(percent))
            emit m_thread.OnIndivisibleProgressvalue(percent);
        return !bStopFlag;
    }

    QMessageSavingThread &m_thread;
    discovery::ProgressGate &m_gate;
    const QString m_path;
    bool m_announced = false;
};

} // namespace

void QMessageSavingThread::OnGetAllFileAndDir(const QString &path)
{
    const mboxdiscovery::WalkResult walk = mboxdiscovery::walkTree(path);
    if (!walk.rootIsDirectory)
        return;
    bCheckFucntion = true;
    AllFilePathInStrList.append(walk.entries);
    nSkippedFiles += walk.unreadableDirectories;
}

void QMessageSavingThread::PostBoxFileSearch()
{
    nSkippedFiles = 0;
    const discovery::SkippedFilesReport report(nSkippedFiles);
    discovery::ProgressGate gate;
    auto progress = [this, &gate](double percent) {
        if (gate.pass(percent))
            emit OnIndivisibleProgressvalue(percent);
    };

    // 1. Progress dialog up
    emit OnShowProgressDlg();
    progress(0.0);

    // 2. Walk the source directory
    AllFilePathInStrList.clear();
    nextItr = 0;
    bCheckFucntion = false;
    OnGetAllFileAndDir(m_selectedFile);

    // 3. The source is no directory
    if (!bCheckFucntion) {
        progress(100.0);
        emit NoDataIntoFile();
        return;
    }

    // 4. Every walked entry: index it, and file it when it is a mailbox
    bool acceptedAny = false;
    for (;;) {
        if (bStopFlag)
            return;
        if (nextItr == AllFilePathInStrList.size())
            break;
        GetAllFilePathInStrList = AllFilePathInStrList.at(nextItr);
        const QString path = GetAllFilePathInStrList;
        if (MailboxReading(*this, gate, path).run()) {
            acceptedAny = true;
            treeCreator(mboxdiscovery::treePathFor(path, m_selectedFile), path, QString());
            appendMailItem(path, llParentIdRunning);
        }
        ++nextItr;
    }

    // 5. The end
    if (!acceptedAny) {
        emit NoDataIntoFile();
        return;
    }
    progress(100.0);
    emit OnSubProgressHide();
    emit ProgressDailogHide();
    emit FinishScaning();
}
