// Backup-scan benchmark: scans a generated .olm in-process (the scanning
// thread's walker on this thread) next to `cat` of the same file, both on
// a warm cache, and prints speeds and peak memory against the targets:
// at least half the speed of cat, peak memory under 1 KiB per message
// plus 64 MiB. Generate the file with bench/generate_olm.py.

#include "app/appglobals.h"
#include "olm/mailmlrc.h"
#include "scan/messagesavingthread.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

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

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/cmc-bench.olm");
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
    m_selectedFile = path;
    QMessageSavingThread::CleanListAndHash();
    QMessageSavingThread scan;
    QElapsedTimer timer;
    timer.start();
    scan.CreateFile();
    const double seconds = timer.nsecsElapsed() / 1e9;
    const long peak = peakKiB();
    long records = 0;
    for (const MailMLRC *r = TmpMlrcPtrStart; r; r = r->pNext)
        ++records;

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
