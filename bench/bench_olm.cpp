// Backup-scan benchmark, in three parts; every scan runs on the real
// scanning thread. It prints figures and verdicts and always exits with 0.
//
//   bench_olm [file.olm]   a generated backup (bench/generate_olm.py) next to
//                          `cat` of the same file, both on a warm cache: at
//                          least half the speed of cat, peak memory under
//                          1 KiB per message plus 64 MiB.
//   bench_olm --hostile    two 8 MiB files of damaged local headers, each
//                          scanned in a process of its own: under 3 s, under
//                          96 MiB above the scan of an empty file, under
//                          1 MiB on standard error.
//   bench_olm --directory  a backup of 60,000 listed entries, scanned with its
//                          central directory and with its end record broken:
//                          the first takes at most 1.3 times the second.

#include "app/appglobals.h"
#include "olm/mailmlrc.h"
#include "scan/messagesavingthread.h"
#include "support/olmfixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

double catSeconds(const QString &path)
{
    QProcess cat;
    cat.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    cat.start(QStringLiteral("cat"), {path});
    cat.waitForFinished(-1);
    return timer.nsecsElapsed() / 1e9;
}

long peakKiB()
{
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Scans the backup at path on the scanning thread; returns the seconds taken.
double scanSeconds(const QString &path)
{
    m_selectedFile = path;
    QMessageSavingThread::CleanListAndHash();
    QMessageSavingThread scan;
    scan.m_nClientIndex = 5;
    QElapsedTimer timer;
    timer.start();
    scan.SetInitialSettings();
    scan.wait();
    return timer.nsecsElapsed() / 1e9;
}

long recordCount()
{
    long records = 0;
    for (const MailMLRC *r = TmpMlrcPtrStart; r; r = r->pNext)
        ++records;
    return records;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

int generatedBackup(const QString &path)
{
    const double mib = QFileInfo(path).size() / 1048576.0;
    if (mib <= 0) {
        std::printf("no file at %s: run bench/generate_olm.py first\n", qPrintable(path));
        return 0;
    }
    // 1. Warm the cache, then time cat
    catSeconds(path);
    const double cat = catSeconds(path);

    // 2. The scan
    const long baseKiB = peakKiB();
    const double seconds = scanSeconds(path);
    const long peak = peakKiB();
    const long records = recordCount();

    // 3. Figures and verdicts
    const double limitKiB = records + 64 * 1024;
    std::printf("file            %.1f MiB, %ld messages\n", mib, records);
    std::printf("cat             %.3f s  %.0f MiB/s\n", cat, mib / cat);
    std::printf("scan            %.3f s  %.0f MiB/s  (%.2f of cat's speed; target >= 0.5: %s)\n", seconds,
                mib / seconds, cat / seconds, cat / seconds >= 0.5 ? "met" : "MISSED");
    std::printf("peak memory     %ld KiB total, %ld KiB above start (target < %.0f KiB: %s)\n", peak,
                peak - baseKiB, limitKiB, double(peak) < limitKiB ? "met" : "MISSED");
    QMessageSavingThread::CleanListAndHash();
    return 0;
}

// In a process of its own: scans path, prints the seconds and the peak memory.
int scanChild(const QString &path)
{
    const double seconds = scanSeconds(path);
    std::printf("%f %ld\n", seconds, peakKiB());
    return 0;
}

struct ChildScan {
    double seconds = 0;
    long peakKiB = 0;
    qint64 errorBytes = 0;
};

ChildScan scanInChild(const QString &path, const QString &errorFile)
{
    QProcess child;
    child.setStandardErrorFile(errorFile);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--scan-child"), path});
    child.waitForFinished(-1);
    ChildScan result;
    const QList<QByteArray> figures = child.readAllStandardOutput().simplified().split(' ');
    result.seconds = figures.value(0).toDouble();
    result.peakKiB = figures.value(1).toLong();
    result.errorBytes = QFileInfo(errorFile).size();
    return result;
}

int hostileFiles()
{
    QTemporaryDir dir;
    constexpr int kSize = 8 << 20;
    const QByteArray signatures = olmfixture::damagedHeaders(false, kSize / 4);
    const QByteArray longNames = olmfixture::damagedHeaders(true, kSize / 32);
    const QString empty = dir.filePath(QStringLiteral("empty.olm"));
    const QString errors = dir.filePath(QStringLiteral("stderr.txt"));
    if (!writeFile(empty, QByteArray()) || !writeFile(dir.filePath(QStringLiteral("signatures.olm")), signatures)
        || !writeFile(dir.filePath(QStringLiteral("long-names.olm")), longNames)) {
        std::printf("cannot write the hostile files\n");
        return 0;
    }
    const ChildScan base = scanInChild(empty, errors);
    std::printf("empty scan      %.3f s, peak %ld KiB\n", base.seconds, base.peakKiB);
    for (const char *name : {"signatures", "long-names"}) {
        const ChildScan scan = scanInChild(dir.filePath(QLatin1String(name) + QLatin1String(".olm")), errors);
        const long above = scan.peakKiB - base.peakKiB;
        std::printf("%-15s %.3f s (target < 3 s: %s), %ld KiB above the empty scan (target < 98304: %s), "
                    "%lld bytes on standard error (target < 1048576: %s)\n",
                    name, scan.seconds, scan.seconds < 3 ? "met" : "MISSED", above, above < 96 * 1024 ? "met" : "MISSED",
                    static_cast<long long>(scan.errorBytes), scan.errorBytes < (1 << 20) ? "met" : "MISSED");
    }
    return 0;
}

int directoryCost()
{
    using namespace olmfixture;
    // 20,000 messages of two attachments each: 60,000 listed entries.
    Archive a;
    for (int i = 0; i < 20000; ++i) {
        const QByteArray n = QByteArray::number(i);
        QByteArray list;
        for (const QByteArray k : {"a", "b"}) {
            const QByteArray url = "Local/com.microsoft.__Attachments/" + k + n;
            a.sized(url, "attachment " + k + n);
            list += attachment("c", "text/plain", k + ".txt", url);
        }
        a.sized("Local/com.microsoft.__Messages/Inbox/m" + n + "__message_attachment__.xml",
                emails({message({element("OPFMessageCopySubject", "s" + n),
                                 element("OPFMessageCopyAttachmentList", list),
                                 element("OPFMessageCopyBody", "body " + n)})}));
    }
    a.centralDirectory(true);
    QByteArray broken = a.bytes;
    broken.replace(broken.size() - 22, 4, "XXXX");

    QTemporaryDir dir;
    const QString withDirectory = dir.filePath(QStringLiteral("directory.olm"));
    const QString withoutDirectory = dir.filePath(QStringLiteral("broken.olm"));
    if (!writeFile(withDirectory, a.bytes) || !writeFile(withoutDirectory, broken)) {
        std::printf("cannot write the backups\n");
        return 0;
    }
    double best[2] = {1e9, 1e9};
    long records[2] = {0, 0};
    for (int run = 0; run < 7; ++run) {
        for (int k = 0; k < 2; ++k) {
            best[k] = std::min(best[k], scanSeconds(k == 0 ? withDirectory : withoutDirectory));
            records[k] = recordCount();
        }
    }
    QMessageSavingThread::CleanListAndHash();
    const double ratio = best[0] / best[1];
    std::printf("file            %.1f MiB, 60000 listed entries, best of 7\n", a.bytes.size() / 1048576.0);
    std::printf("with directory  %.4f s, %ld messages\n", best[0], records[0]);
    std::printf("end record bad  %.4f s, %ld messages\n", best[1], records[1]);
    std::printf("ratio           %.2f (target <= 1.3: %s)\n", ratio, ratio <= 1.3 ? "met" : "MISSED");
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.value(0) == QLatin1String("--scan-child"))
        return scanChild(args.value(1));
    if (args.value(0) == QLatin1String("--hostile"))
        return hostileFiles();
    if (args.value(0) == QLatin1String("--directory"))
        return directoryCost();
    return generatedBackup(args.isEmpty() ? QStringLiteral("/tmp/cmc-bench.olm") : args.first());
}
