// The saving thread's run: dispatch by source kind and target, and the
// drivers of the file-based sources. Every driver works from the snapshot
// taken when the save started, skips and counts what it cannot read, and
// emits its end signals once, when its work is complete.

#include "convert/mailsaving.h"

#include "app/appglobals.h"
#include "convert/convertglobals.h"
#include "convert/saverules.h"
#include "scan/emlxdiscovery.h"
#include "scan/filelister.h"
#include "scan/operadiscovery.h"
#include "scan/scanglobals.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <limits>
#include <optional>

namespace {

const QLatin1String kRssSkip("/RSS/Apple Hot News.rssmbox/");
const QLatin1String kBundleName("/Main Identity.rge");

// mbox sources are read, converted and handed to the writer in blocks of this size.
constexpr qint64 kMboxReadBlock = 1 << 20;

// A message file is held whole in one QByteArray, which cannot reach 2 GiB.
constexpr qint64 kLargestMessageFile = std::numeric_limits<int>::max() - 4096;

// The whole of a regular file; nothing for anything else (a pipe or device
// in place of a message must not block the save), for a file too big to be
// held, and for one that could not be read to its end.
std::optional<QByteArray> readRegularFile(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const qint64 size = file.size();
    if (size > kLargestMessageFile)
        return std::nullopt;
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError || data.size() < size)
        return std::nullopt;
    return data;
}

// The mbox candidate test of the scan: the name rule and a first line that
// begins "From ". Empty when the file does not open.
std::optional<bool> isMboxCandidate(const QString &path)
{
    for (const char *part : {".mbs", ".emlx", ".eml", ".olm"}) {
        if (path.contains(QLatin1String(part)))
            return false;
    }
    if (path.endsWith(QLatin1String(".mbox")))
        return false;
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.read(5) == "From ";
}

} // namespace

void QMailSaving::prepareSave(const SaveSnapshot &snapshot)
{
    if (!isRunning())
        m_snapshot = snapshot;
}

void QMailSaving::run()
{
    try {
        IsPreview = true;
        m_outcome = SaveOutcome{};
        m_lastPercent = -1;
        FileSavingIdentification = false;
        resetWriters();
        const SaveTarget target = m_snapshot.target;
        const bool apple = target == SaveTarget::AppleMail;
        const bool outlook = target == SaveTarget::Outlook;
        switch (m_snapshot.source) {
        case SaveSource::Outspring:
            if (apple)
                FileSearchForEmlandfEmlAppleMail();
            else if (outlook)
                FileSearchForEmlandfEmlOutlook();
            break;
        case SaveSource::MailMate:
            if (apple)
                FileSearchForEmlAppleMail();
            else if (outlook)
                FileSearchForEmlOutlook();
            break;
        case SaveSource::Emlx:
            if (outlook)
                FileSearch();
            break;
        case SaveSource::Mbox:
            if (apple || outlook)
                PostBoxFileSearch();
            break;
        case SaveSource::Opera:
            if (outlook)
                FileSearchForMbsOutlook();
            else if (apple)
                FileSearchForMbsAppleMail();
            break;
        case SaveSource::Olm:
            if (apple)
                OnMailSaving();
            break;
        case SaveSource::None:
            break;
        }
    } catch (...) {
        // Nothing may leave the thread; the run counts as stopped.
        m_outcome.stopped = true;
    }
    // After a stop the output file the writers keep open is closed here.
    closeWriterOutput();
}

void QMailSaving::FileSearchForEmlAppleMail() { runMessageDriver(MessageKind::MailMate); }
void QMailSaving::FileSearchForEmlOutlook() { runMessageDriver(MessageKind::MailMate); }
void QMailSaving::FileSearchForEmlandfEmlAppleMail() { runMessageDriver(MessageKind::Outspring); }
void QMailSaving::FileSearchForEmlandfEmlOutlook() { runMessageDriver(MessageKind::Outspring); }
void QMailSaving::FileSearch() { runMessageDriver(MessageKind::Emlx); }
void QMailSaving::FileSearchForMbsOutlook() { runMessageDriver(MessageKind::Opera); }
void QMailSaving::FileSearchForMbsAppleMail() { runMessageDriver(MessageKind::Opera); }

void QMailSaving::beginRun()
{
    m_lastPercent = -1;
    emit OnShowProgressDlg();
    reportProgress(0, 1);
}

void QMailSaving::finishRun()
{
    // Messages count as written only once their file is closed without
    // error: each failed close, this last one or an earlier one between
    // files, takes back the messages of its file.
    closeWriterOutput();
    const qint64 lost = m_writerOutput.takeMessagesLostOnClose();
    m_outcome.written -= lost;
    m_outcome.notWritten += lost;
    // Such a message counts only as not written, even when it was incomplete.
    m_outcome.incomplete -= m_writerOutput.takeIncompleteLostOnClose();
    // The incomplete messages are some of the written ones.
    m_outcome.incomplete = qMin(m_outcome.incomplete, m_outcome.written);
    reportProgress(1, 1);
    emit OnSubProgressHide();
    emit ProgressDailogHide();
    emit FinishSaving();
}

void QMailSaving::reportProgress(qint64 done, qint64 total)
{
    const int percent = total <= 0 ? 100 : int(qBound<qint64>(0, done * 100 / total, 100));
    if (percent == m_lastPercent)
        return;
    m_lastPercent = percent;
    emit OnIndivisibleProgressvalue(double(percent));
}

void QMailSaving::prepareBundle()
{
    const QString bundle = m_snapshot.saveDir + kBundleName;
    QDir().mkpath(bundle + QLatin1String("/Contents"));
    CreateFilesInMainIdentity(bundle);
}

void QMailSaving::runMessageDriver(MessageKind kind)
{
    // 1. Entry test and start signals.
    if (bStopFlag)
        return;
    beginRun();
    const bool outlook = m_snapshot.target == SaveTarget::Outlook;
    const QString bundle = m_snapshot.saveDir + kBundleName;
    if (outlook)
        prepareBundle();

    // 2. What the kind needs besides the messages: the part files of
    // partial .emlx messages, the account names of an Opera Mail profile.
    saverules::ReadRules rules;
    emlxdiscovery::PartIndex parts({});
    operadiscovery::AccountList accounts;
    switch (kind) {
    case MessageKind::MailMate:
        rules = saverules::mailMateRules();
        break;
    case MessageKind::Outspring:
        rules = saverules::outspringRules();
        break;
    case MessageKind::Emlx:
        rules = saverules::emlxRules();
        // Every entry of that name, as the scan lists them: one that is no
        // file is a part that cannot be read, not a part that is missing.
        parts = emlxdiscovery::PartIndex(filelister::findPaths(m_snapshot.selectedRoot, QStringLiteral("*.emlxpart")));
        break;
    case MessageKind::Opera: {
        rules = saverules::operaRules();
        const QStringList found = filelister::findPaths(m_snapshot.selectedRoot, QStringLiteral("accounts.ini"),
                                                        filelister::EntryTypes::RegularFiles);
        if (!found.isEmpty()) {
            if (const auto loaded = operadiscovery::AccountList::load(found.last()))
                accounts = *loaded;
            else
                ++m_outcome.unreadableFiles;
        }
        break;
    }
    }

    // 3. The walk, folder by folder in record order.
    const qint64 total = m_snapshot.fileCount();
    qint64 done = 0;
    for (const SaveSnapshot::Folder &folder : qAsConst(m_snapshot.folders)) {
        for (const QString &path : folder.files) {
            reportProgress(done, total);
            if (bStopFlag) {
                m_outcome.stopped = true;
                return;
            }
            ++done;
            // Files the scan did not register are not written, as the
            // writers' own gate would decide.
            if (path.contains(kRssSkip) || !m_snapshot.registered.contains(path))
                continue;
            const std::optional<QByteArray> raw = readRegularFile(path);
            if (!raw) {
                ++m_outcome.unreadable;
                continue;
            }
            QByteArray text = saverules::messageTextOf(*raw, rules);
            bool ok = false;
            bool partMissing = false;
            switch (kind) {
            case MessageKind::MailMate:
                ok = outlook ? writeMailForMailMate(text, bundle, path) : writeMailForMailMateAppleMail(text, path);
                break;
            case MessageKind::Outspring:
                ok = outlook ? writeMailForOutSpring(text, bundle, path) : writeMailForOutSpringAppleMail(text, path);
                break;
            case MessageKind::Emlx: {
                if (emlxdiscovery::isPartialMessage(path)) {
                    QList<QByteArray> partTexts;
                    const QStringList claimed = parts.claim(emlxdiscovery::partialKey(path));
                    for (const QString &part : emlxdiscovery::orderClaimedParts(claimed)) {
                        const std::optional<QByteArray> partRaw = readRegularFile(part);
                        if (!partRaw)
                            partMissing = true;
                        // An unreadable part keeps its place, so the later
                        // parts still meet their own markers.
                        partTexts.append(partRaw ? saverules::toTextMode(*partRaw) : QByteArray());
                    }
                    text = saverules::partialMessageTextOf(*raw, partTexts, rules);
                }
                ok = writeMail(text, bundle, path, partMissing);
                break;
            }
            case MessageKind::Opera: {
                const QString accountFolder = operadiscovery::accountFolderName(path);
                const QString account =
                    accountFolder.isEmpty() ? QString() : operadiscovery::accountNameFor(accounts, accountFolder);
                const QString folderPath =
                    saverules::operaFolderPath(account, saverules::operaLocationFolder(text));
                ok = outlook ? writeMailForOperaMailOutlook(text, bundle, folderPath, path)
                             : writeMailForOperaAppleMail(text, folderPath, path);
                break;
            }
            }
            if (ok) {
                ++m_outcome.written;
                if (partMissing)
                    ++m_outcome.incomplete;
            } else {
                ++m_outcome.notWritten;
            }
        }
    }

    // 4. End signals, once.
    finishRun();
}

void QMailSaving::PostBoxFileSearch()
{
    if (bStopFlag)
        return;
    nextItr = 0;
    beginRun();
    // The bundle writer makes the bundle with its first record.

    qint64 bytesTotal = 0;
    for (const SaveSnapshot::Folder &folder : qAsConst(m_snapshot.folders)) {
        for (const QString &path : folder.files)
            bytesTotal += QFileInfo(path).size();
    }
    qint64 bytesDone = 0;
    for (const SaveSnapshot::Folder &folder : qAsConst(m_snapshot.folders)) {
        for (const QString &path : folder.files) {
            if (bStopFlag) {
                m_outcome.stopped = true;
                return;
            }
            ++nextItr;
            GetAllFilePathInStrList = path;
            if (!m_snapshot.registered.contains(path))
                continue;
            const std::optional<bool> candidate = isMboxCandidate(path);
            if (!candidate || !*candidate) {
                // Gone, unreadable or changed since the scan: its messages
                // are those the scan found in it.
                m_outcome.unreadable += qMax<qint64>(1, m_snapshot.indexedMessages.value(path));
                bytesDone += QFileInfo(path).size();
                continue;
            }
            if (!convertMboxFile(path, bytesDone, bytesTotal)) {
                m_outcome.stopped = true;
                return;
            }
        }
    }
    finishRun();
}

bool QMailSaving::convertMboxFile(const QString &path, qint64 &bytesDone, qint64 bytesTotal)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_outcome.unreadable += qMax<qint64>(1, m_snapshot.indexedMessages.value(path));
        return true;
    }
    const bool apple = m_snapshot.target == SaveTarget::AppleMail;
    auto hand = [&](const QByteArray &piece, bool endOfFile, qint64 messages = 1, bool incomplete = false) {
        return apple ? writeMailForPostBoxAppleMail(piece, endOfFile, messages, incomplete)
                     : writeMailForPostBoxOutlook(piece, endOfFile, messages, incomplete);
    };

    // Each block is converted into one piece and handed on at once: both
    // buffers are reused and stay in the processor's cache. Once a stop was
    // asked for, the file ends with the message in hand, at the next separator.
    // After a failed write the rest of the file is still read, handing
    // nothing on, so that every message the file loses is counted.
    saverules::MboxStream stream;
    QByteArray block(int(kMboxReadBlock), Qt::Uninitialized);
    QByteArray piece;
    piece.reserve(int(kMboxReadBlock + kMboxReadBlock / 8));
    bool handedAny = false;
    bool stopping = false;
    bool finished = false;
    bool failed = false;
    while (!finished) {
        const qint64 size = file.read(block.data(), kMboxReadBlock);
        if (size <= 0)
            break;
        bytesDone += size;
        stopping = stopping || bStopFlag.load(std::memory_order_relaxed);
        piece.resize(0); // keeps the reserved buffer
        finished = stream.feed(block.constData(), size, piece, stopping);
        if (!finished && !failed && !piece.isEmpty()) {
            failed = !hand(piece, false);
            handedAny = true;
            piece.resize(0);
        }
        reportProgress(bytesDone, bytesTotal);
    }
    if (!finished) {
        if (failed)
            piece.resize(0);
        stream.finish(piece, stopping);
    }
    const qint64 messages = stream.separators();
    const bool readWhole = file.error() == QFileDevice::NoError;

    if (!failed && (handedAny || !piece.isEmpty()))
        failed = !hand(piece, true, messages, !readWhole && messages > 0);
    if (failed)
        m_outcome.notWritten += messages;
    else
        m_outcome.written += messages;
    if (!readWhole) {
        // The message in hand was cut where the reading failed; those after
        // it are the scan's count beyond what was read.
        if (!failed && messages > 0)
            ++m_outcome.incomplete;
        m_outcome.unreadable += qMax<qint64>(messages > 0 ? 0 : 1, m_snapshot.indexedMessages.value(path) - messages);
    }
    // A stop ends the run after the message in hand.
    return !stopping;
}
