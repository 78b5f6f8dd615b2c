// Backup (.olm) to Apple Mail benchmark: writes a synthetic backup file
// (body texts and attachment data at the offsets its records name), runs the
// save on the saving thread and prints wall time, throughput, messages per
// second and peak resident memory during the save, beside the time `cp`
// takes to copy the same file.
//
// Usage: bench_olmsave [--messages N] [--attachment-bytes B] [--dir D]
// The default, 50,000 messages with a 1 KiB body and a 20 KiB attachment
// each, makes a backup of about 1 GiB. It prints figures and verdicts only
// and always exits with 0 unless its arguments are wrong.

#include "app/appglobals.h"
#include "convert/convertglobals.h"
#include "convert/mailsaving.h"
#include "olm/mailmlrc.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUuid>

#include <cstdio>

#include <sys/resource.h>

namespace {

constexpr double kMiB = 1024.0 * 1024.0;

qint64 procStatusKiB(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key)) + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Writes the backup: per message a body text (escaped HTML) and the
// attachment data, and makes the records that point into it.
qint64 writeBackup(const QString &path, int messages, int attachmentBytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return -1;
    QByteArray body = "&lt;html&gt;&lt;body&gt;&lt;p&gt;";
    while (body.size() < 1000)
        body += "Minutes of the meeting, item &amp; remarks; see the attachment. ";
    body += "&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;";
    QByteArray attachment(attachmentBytes, Qt::Uninitialized);
    QRandomGenerator generator(42);
    generator.fillRange(reinterpret_cast<quint32 *>(attachment.data()), attachment.size() / 4);
    qint64 offset = 0;
    for (int i = 0; i < messages; ++i) {
        MailMLRC *record = appendMailMLRC();
        record->szSubject = "Weekly report " + QByteArray::number(i);
        record->szFromName = "Ann Example;";
        record->szFromAddress = "ann@example.com;";
        record->szToName = "Bob Example;";
        record->szToAddress = "bob@example.com;";
        record->szMessageID = QUuid::createUuid().toRfc4122().toHex();
        record->szReceivedTime = "Fri, 19 Dec 2014 10:37:38 +0530";
        record->szFolderPath = "Inbox/Folder " + QByteArray::number(i % 20);
        record->llFolderId = quint64(600 + i % 20);
        record->llBodyOffset = offset;
        record->llBodyLength = body.size();
        offset += body.size();
        record->pAttachNames = "report.bin;";
        record->pAttachContentTypes = "application/octet-stream;";
        record->pAttachContentIDs = "no;";
        record->pAttachURLs = "entry;";
        record->pAttachOffsets = QByteArray::number(offset) + ';';
        record->pAttachSizes = QByteArray::number(attachment.size()) + ';';
        offset += attachment.size();
        if (file.write(body) != body.size() || file.write(attachment) != attachment.size())
            return -1;
    }
    return offset;
}

// CPU seconds the process has used so far, user and system.
void cpuSeconds(double *user, double *system)
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    *user = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6;
    *system = usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
}

qint64 treeBytes(const QString &dir)
{
    qint64 bytes = 0;
    QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        bytes += it.fileInfo().size();
    }
    return bytes;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times the backup to Apple Mail save beside cp."));
    parser.addHelpOption();
    QCommandLineOption messagesOption(QStringLiteral("messages"), QStringLiteral("Messages."), QStringLiteral("N"),
                                      QStringLiteral("50000"));
    QCommandLineOption attachmentOption(QStringLiteral("attachment-bytes"), QStringLiteral("Attachment size."),
                                        QStringLiteral("B"), QStringLiteral("20480"));
    QCommandLineOption dirOption(QStringLiteral("dir"), QStringLiteral("Scratch directory."), QStringLiteral("D"));
    parser.addOptions({messagesOption, attachmentOption, dirOption});
    parser.process(app);
    const int messages = qMax(1, parser.value(messagesOption).toInt());
    const int attachmentBytes = qMax(4, parser.value(attachmentOption).toInt());

    QTemporaryDir scratch(parser.isSet(dirOption) ? parser.value(dirOption) + QStringLiteral("/olmsave-XXXXXX")
                                                  : QDir::tempPath() + QStringLiteral("/olmsave-XXXXXX"));
    const QString backupPath = scratch.filePath(QStringLiteral("backup.olm"));
    const qint64 backupBytes = writeBackup(backupPath, messages, attachmentBytes);
    if (backupBytes < 0) {
        std::fprintf(stderr, "cannot write the backup in %s\n", qPrintable(scratch.path()));
        return 2;
    }

    // cp of the same file, no shell.
    double cpSeconds = -1;
    const QString cp = QStandardPaths::findExecutable(QStringLiteral("cp"));
    if (!cp.isEmpty()) {
        QElapsedTimer timer;
        timer.start();
        QProcess process;
        process.start(cp, {backupPath, scratch.filePath(QStringLiteral("copy.olm"))});
        if (process.waitForFinished(-1) && process.exitCode() == 0)
            cpSeconds = timer.nsecsElapsed() / 1e9;
        QFile::remove(scratch.filePath(QStringLiteral("copy.olm")));
    }

    // The save, on the saving thread, peak memory counted from here.
    SaveSnapshot snapshot;
    snapshot.source = SaveSource::Olm;
    snapshot.target = SaveTarget::AppleMail;
    snapshot.selectedRoot = backupPath;
    snapshot.saveDir = scratch.filePath(QStringLiteral("out"));
    for (int id = 0; id < 20; ++id)
        snapshot.folders.append(SaveSnapshot::Folder{600 + id, {}});
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    const bool peakReset = clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
    clearRefs.close();
    const qint64 rssBefore = procStatusKiB("VmRSS");
    QMailSaving saving;
    saving.prepareSave(snapshot);
    double userBefore = 0, systemBefore = 0, userAfter = 0, systemAfter = 0;
    cpuSeconds(&userBefore, &systemBefore);
    QElapsedTimer timer;
    timer.start();
    saving.SetInitialSettings();
    saving.wait();
    const double seconds = timer.nsecsElapsed() / 1e9;
    cpuSeconds(&userAfter, &systemAfter);
    const qint64 peakKiB = procStatusKiB("VmHWM");
    const SaveOutcome outcome = saving.lastOutcome();

    const double backupMiB = backupBytes / kMiB;
    std::printf("Backup: %d messages, %.1f MiB; output %.1f MiB; written %lld, not written %lld, unreadable %lld\n",
                messages, backupMiB, treeBytes(snapshot.saveDir) / kMiB, static_cast<long long>(outcome.written),
                static_cast<long long>(outcome.notWritten), static_cast<long long>(outcome.unreadable));
    std::printf("%-28s %8.2f s %9.1f MiB/s %10.0f msg/s\n", "save to Apple Mail tree", seconds,
                backupMiB / seconds, messages / seconds);
    std::printf("%-28s %8.2f s (user %.2f s, system %.2f s, all threads)\n", "CPU time of the save",
                userAfter - userBefore + systemAfter - systemBefore, userAfter - userBefore,
                systemAfter - systemBefore);
    if (cpSeconds > 0)
        std::printf("%-28s %8.2f s %9.1f MiB/s\n", "cp of the backup", cpSeconds, backupMiB / cpSeconds);
    const double allowanceMiB = 64.0 + messages / 1024.0;
    std::printf("Peak RSS during the save: %.1f MiB (records and process before it: %.1f MiB%s); "
                "allowance %.1f MiB\n",
                peakKiB / 1024.0, rssBefore / 1024.0, peakReset ? "" : ", peak not reset", allowanceMiB);
    if (cpSeconds > 0)
        std::printf("Speed target (at least half of cp): %s\n", seconds <= 2 * cpSeconds ? "met" : "missed");
    std::printf("Memory target: %s\n", peakKiB / 1024.0 <= allowanceMiB ? "met" : "missed");
    return 0;
}
