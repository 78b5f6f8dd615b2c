#include "convert/mboxappender.h"

#include "platform/finderinfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QVarLengthArray>

#include <cerrno>
#include <csignal>
#include <mutex>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace mboxrecord {

namespace {

// Puts ">" before every occurrence of needle that skip() does not pass over;
// returns text itself when nothing changes.
template <typename Skip>
QByteArray markedBefore(const QByteArray &text, const QByteArray &needle, Skip skip)
{
    QByteArray out;
    int copied = 0;
    for (int at = text.indexOf(needle); at >= 0; at = text.indexOf(needle, at + 1)) {
        if (skip(at))
            continue;
        if (out.isNull())
            out.reserve(text.size() + 64);
        out.append(text.constData() + copied, at - copied);
        out.append('>');
        copied = at;
    }
    if (out.isNull())
        return text;
    out.append(text.constData() + copied, text.size() - copied);
    return out;
}

} // namespace

QByteArray quotedFromLines(const QByteArray &text)
{
    return markedBefore(text, QByteArrayLiteral("From "),
                        [&text](int at) { return at > 0 && text.at(at - 1) != '\n'; });
}

QByteArray quotedFromColon(const QByteArray &text)
{
    // A line that already begins ">From : " is a quoted "From " line: one
    // ">" is enough.
    return markedBefore(text, QByteArrayLiteral("From : "), [&text](int at) {
        return at >= 1 && text.at(at - 1) == '>' && (at == 1 || text.at(at - 2) == '\n');
    });
}

QByteArray recordEnd(const QByteArray &text)
{
    if (!text.isEmpty() && !text.endsWith('\n'))
        return QByteArrayLiteral("\n\n");
    return QByteArrayLiteral("\n");
}

QByteArray recordBytes(const QByteArray &separator, const QByteArray &text)
{
    return separator + '\n' + text + recordEnd(text);
}

} // namespace mboxrecord

MboxAppender::MboxAppender()
{
    // A write beyond the file-size limit must fail with EFBIG and be rolled
    // back, not end the process with SIGXFSZ.
    static std::once_flag ignoreFileSizeSignal;
    std::call_once(ignoreFileSizeSignal, [] { std::signal(SIGXFSZ, SIG_IGN); });
}

MboxAppender::~MboxAppender()
{
    close();
}

bool MboxAppender::close()
{
    if (m_fd < 0)
        return true;
    const bool closed = ::close(m_fd) == 0;
    if (!closed) {
        m_messagesLostOnClose += m_messagesInFile;
        m_incompleteLostOnClose += m_incompleteInFile;
    }
    m_messagesInFile = 0;
    m_incompleteInFile = 0;
    m_fd = -1;
    m_file.clear();
    m_fileIsNew = false;
    m_foldersMadeForFile.clear();
    return closed;
}

void MboxAppender::reset()
{
    close();
    m_madeFolders.clear();
    m_pieceSource.clear();
    m_pieceFile.clear();
    m_pieceStart = -1;
    m_pieceFailed = false;
    m_messagesLostOnClose = 0;
    m_incompleteLostOnClose = 0;
}

qint64 MboxAppender::takeMessagesLostOnClose()
{
    return std::exchange(m_messagesLostOnClose, 0);
}

qint64 MboxAppender::takeIncompleteLostOnClose()
{
    return std::exchange(m_incompleteLostOnClose, 0);
}

bool MboxAppender::makeFolder(const QString &folder)
{
    if (m_madeFolders.contains(folder))
        return true;
    QStringList missing;
    for (QString dir = folder; !dir.isEmpty() && !QFileInfo::exists(dir);) {
        missing.append(dir);
        const int slash = dir.lastIndexOf(QLatin1Char('/'));
        if (slash <= 0)
            break;
        dir.truncate(slash);
    }
    if (!QDir().mkpath(folder)) {
        removeMadeFolders(missing);
        return false;
    }
    m_madeFolders.insert(folder);
    m_foldersMadeForFile += missing;
    return true;
}

void MboxAppender::removeMadeFolders(QStringList folders)
{
    // Innermost first; a folder that holds anything stays.
    for (const QString &folder : qAsConst(folders)) {
        if (!QDir().rmdir(folder))
            break;
        m_madeFolders.remove(folder);
    }
}

void MboxAppender::removeIfNothingWritten()
{
    struct stat info;
    if (m_fd < 0 || !m_fileIsNew || ::fstat(m_fd, &info) != 0 || info.st_size != 0)
        return;
    const QByteArray name = QFile::encodeName(m_file);
    const QStringList folders = m_foldersMadeForFile;
    close();
    if (::unlink(name.constData()) == 0)
        removeMadeFolders(folders);
}

bool MboxAppender::openFor(const outputpaths::OutputTarget &target, quint32 type, quint32 creator)
{
    if (target.isSkip())
        return false;
    if (m_fd >= 0 && m_file == target.file)
        return true;
    close();
    if (!makeFolder(target.folder))
        return false;
    // From here on a failure takes back the folders made for this file.
    auto fail = [this] {
        const QStringList folders = m_foldersMadeForFile;
        m_foldersMadeForFile.clear();
        removeMadeFolders(folders);
        return false;
    };

    const QByteArray name = QFile::encodeName(target.file);
    const int flags = O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    int fd = ::open(name.constData(), flags | O_CREAT | O_EXCL, 0644);
    if (fd < 0 && errno == ENOENT) {
        // The folder was removed since it was made (a replaced output tree).
        m_madeFolders.remove(target.folder);
        if (!makeFolder(target.folder))
            return fail();
        fd = ::open(name.constData(), flags | O_CREAT | O_EXCL, 0644);
    }
    const bool created = fd >= 0;
    if (fd < 0 && errno == EEXIST)
        fd = ::open(name.constData(), flags);
    if (fd < 0)
        return fail();

    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return fail();
    }
    ::fcntl(fd, F_SETFL, O_WRONLY | O_APPEND);
    if (created)
        m_finderStatus = platform::setFinderInfo(target.file, type, creator);
    m_fd = fd;
    m_file = target.file;
    m_fileIsNew = created;
    if (!created)
        m_foldersMadeForFile.clear();
    return true;
}

bool MboxAppender::writeParts(std::initializer_list<QByteArray> parts, qint64 rollbackTo)
{
    QVarLengthArray<iovec, 4> vectors;
    for (const QByteArray &part : parts) {
        if (!part.isEmpty())
            vectors.append({const_cast<char *>(part.constData()), size_t(part.size())});
    }
    iovec *next = vectors.data();
    int left = vectors.size();
    while (left > 0) {
        const ssize_t written = ::writev(m_fd, next, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            // Full disk, file-size limit or I/O error: no half record stays.
            if (::ftruncate(m_fd, rollbackTo) != 0)
                close();
            else if (rollbackTo == 0)
                removeIfNothingWritten();
            return false;
        }
        size_t done = size_t(written);
        while (left > 0 && done >= next->iov_len) {
            done -= next->iov_len;
            ++next;
            --left;
        }
        if (left > 0) {
            next->iov_base = static_cast<char *>(next->iov_base) + done;
            next->iov_len -= done;
        }
    }
    return true;
}

bool MboxAppender::appendRecord(const outputpaths::OutputTarget &target, quint32 type, quint32 creator,
                                std::initializer_list<QByteArray> parts, qint64 messages, qint64 incomplete)
{
    if (!openFor(target, type, creator))
        return false;
    const qint64 start = ::lseek(m_fd, 0, SEEK_END);
    if (start < 0)
        return false;
    if (!writeParts(parts, start))
        return false;
    m_messagesInFile += messages;
    m_incompleteInFile += incomplete;
    m_fileIsNew = false;
    m_foldersMadeForFile.clear();
    return true;
}

bool MboxAppender::appendPiece(const outputpaths::OutputTarget &target, quint32 type, quint32 creator,
                               const QByteArray &piece, bool endOfFile, const QString &source,
                               qint64 messages, qint64 incomplete)
{
    const QString &run = source.isEmpty() ? target.file : source;
    if (m_pieceFile != target.file || m_pieceSource != run) {
        discardUnfinishedPieces();
        m_pieceFile = target.file;
        m_pieceSource = run;
    }
    bool written = false;
    if (!m_pieceFailed) {
        if (openFor(target, type, creator)) {
            if (m_pieceStart < 0)
                m_pieceStart = ::lseek(m_fd, 0, SEEK_END);
            // writeParts cuts the file back to the first piece on failure.
            written = m_pieceStart >= 0
                && writeParts({piece, endOfFile ? QByteArrayLiteral("\n") : QByteArray()}, m_pieceStart);
        } else if (m_pieceStart >= 0) {
            cutBack(m_pieceFile, m_pieceStart);
        }
        m_pieceFailed = !written;
    }
    if (endOfFile) {
        if (written) {
            m_messagesInFile += messages;
            m_incompleteInFile += incomplete;
            m_fileIsNew = false;
            m_foldersMadeForFile.clear();
        }
        m_pieceSource.clear();
        m_pieceFile.clear();
        m_pieceStart = -1;
        m_pieceFailed = false;
    }
    return written;
}

void MboxAppender::cutBack(const QString &file, qint64 size)
{
    if (m_fd >= 0 && m_file == file) {
        if (::ftruncate(m_fd, size) != 0)
            close();
        else if (size == 0)
            removeIfNothingWritten();
        return;
    }
    const QByteArray name = QFile::encodeName(file);
    const int fd = ::open(name.constData(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return;
    struct stat info;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        (void)::ftruncate(fd, size);
    ::close(fd);
}

void MboxAppender::discardUnfinishedPieces()
{
    if (!m_pieceFile.isEmpty() && m_pieceStart >= 0 && !m_pieceFailed)
        cutBack(m_pieceFile, m_pieceStart);
    m_pieceSource.clear();
    m_pieceFile.clear();
    m_pieceStart = -1;
    m_pieceFailed = false;
}
