// Scan benchmark: runs the discovery of a large generated mail store on the
// scanning thread and prints wall time, throughput, messages per second and
// peak resident memory, beside the time `cat` takes to read the same files
// and the time Python's mailbox.mbox takes to build its table of contents of
// the same mbox files.
//
// Each scan runs in a fresh child process of this program (the same
// executable, started with --scan-child), in-process there on a
// QMessageSavingThread: its peak memory is then the scan's own, not that of
// the file lists this program holds or of an earlier scan.
//
// It reports figures and target verdicts only; it always exits with 0 unless
// its arguments are wrong, so it can never fail a build or a CI run.

#include "app/appglobals.h"
#include "app/startup.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace bench {

constexpr double kMiB = 1024.0 * 1024.0;
// Longest argument list handed to one child process, in bytes.
constexpr int kArgumentBytesPerProcess = 256 * 1024;
// Client indices of the source-selection window.
constexpr int kClientThunderbird = 3;
constexpr int kClientAppleMailEmlx = 2;

// Memory target: bytes per indexed message on top of a fixed allowance.
constexpr double kBytesPerMessageTarget = 300.0;
constexpr double kFixedAllowanceBytes = 64.0 * kMiB;

// One source of the store and the files that stand for its bytes.
struct SourceFiles {
    QString root;
    QStringList files;
    qint64 bytes = 0;
};

// Outcome of one timed reference run; seconds < 0 when it did not run.
struct Timing {
    double seconds = -1.0;
    qint64 messages = -1; // messages the reference counted, when it counts any
    QString note;         // why it did not run, or what it printed wrongly
};

// Outcome of one scan.
struct ScanFigures {
    double seconds = 0.0;
    qint64 messages = 0;     // indexed messages (mbox) or registered message files (.emlx)
    qint64 mailItems = 0;    // MailItem nodes the builders made
    qint64 folders = 0;      // folders handed to the tree (MakeTreeWidget emissions)
    qint64 progressSignals = 0;
    QString endSignal;       // FinishScaning, NoDataIntoFile or none
    qint64 baseRssKiB = -1;  // resident memory just before the scan
    qint64 peakRssKiB = -1;  // peak resident memory during the scan (whole process)
    bool peakSinceScanStart = false; // false when the peak could not be reset
};

// A value from /proc/self/status ("VmHWM", "VmRSS") in KiB, or -1.
qint64 procStatusKiB(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Peak resident memory of the process in KiB (VmHWM, else ru_maxrss).
qint64 peakRssKiB()
{
    const qint64 hwm = procStatusKiB("VmHWM");
    if (hwm >= 0)
        return hwm;
    struct rusage usage {};
    if (getrusage(RUSAGE_SELF, &usage) == 0)
        return usage.ru_maxrss;
    return -1;
}

// Lets the kernel start the peak-memory count anew from the current
// resident size; false when this kernel does not offer it.
bool resetPeakRss()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (!clearRefs.open(QIODevice::WriteOnly))
        return false;
    return clearRefs.write("5") == 1;
}

// The first bytes of a file, at most count.
QByteArray fileHead(const QString &path, int count)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(count);
}

// Regular files below root (symbolic links not followed) that keep accepts.
SourceFiles collectFiles(const QString &root, const std::function<bool(const QFileInfo &)> &keep)
{
    SourceFiles source;
    source.root = root;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isSymLink() || !info.isFile() || !keep(info))
            continue;
        source.files.append(info.filePath());
        source.bytes += info.size();
    }
    source.files.sort();
    return source;
}

// Splits paths into argument lists that stay well below the system limit.
QList<QStringList> argumentBatches(const QStringList &paths)
{
    QList<QStringList> batches;
    QStringList current;
    int bytes = 0;
    for (const QString &path : paths) {
        const int size = QFile::encodeName(path).size() + 1;
        if (!current.isEmpty() && bytes + size > kArgumentBytesPerProcess) {
            batches.append(current);
            current.clear();
            bytes = 0;
        }
        current.append(path);
        bytes += size;
    }
    if (!current.isEmpty())
        batches.append(current);
    return batches;
}

// Reads every file start to end in 1 MiB blocks, as a cache warmer and as
// the program's own I/O reference.
Timing readFilesInBlocks(const QStringList &paths)
{
    Timing timing;
    std::vector<char> buffer(1 << 20);
    QElapsedTimer timer;
    timer.start();
    for (const QString &path : paths) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        while (::read(fd, buffer.data(), buffer.size()) > 0) {
        }
        ::close(fd);
    }
    timing.seconds = timer.nsecsElapsed() / 1e9;
    return timing;
}

// Runs `cat` on the files (no shell; arguments handed over as a list, in
// batches), its output going to the null device.
Timing catFiles(const QStringList &paths)
{
    Timing timing;
    const QString cat = QStandardPaths::findExecutable(QStringLiteral("cat"));
    if (cat.isEmpty()) {
        timing.note = QStringLiteral("cat not found");
        return timing;
    }
    QElapsedTimer timer;
    timer.start();
    for (const QStringList &batch : argumentBatches(paths)) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(cat, batch);
        if (!process.waitForFinished(-1) || process.exitCode() != 0) {
            timing.note = QStringLiteral("cat failed: ") + process.errorString();
            return timing;
        }
    }
    timing.seconds = timer.nsecsElapsed() / 1e9;
    return timing;
}

// Python program that builds mailbox.mbox's table of contents of every file
// named on its command line and prints the message count and the seconds
// that took (interpreter start-up not included).
const char kPythonTableOfContents[] =
    "import mailbox, sys, time\n"
    "t = time.perf_counter()\n"
    "n = 0\n"
    "for p in sys.argv[1:]:\n"
    "    box = mailbox.mbox(p, create=False)\n"
    "    n += len(box)\n"
    "    box.close()\n"
    "print(n, time.perf_counter() - t)\n";

// Times Python's mailbox.mbox table of contents over the files.
Timing pythonMailboxToc(const QStringList &paths)
{
    Timing timing;
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) {
        timing.note = QStringLiteral("python3 not found; Python's mailbox comparison skipped");
        return timing;
    }
    double seconds = 0.0;
    qint64 messages = 0;
    for (const QStringList &batch : argumentBatches(paths)) {
        QProcess process;
        process.start(python, QStringList{QStringLiteral("-c"),
                                          QString::fromLatin1(kPythonTableOfContents)} + batch);
        if (!process.waitForFinished(-1) || process.exitCode() != 0) {
            timing.note = QStringLiteral("python3 failed: ")
                + QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
            return timing;
        }
        const QList<QByteArray> fields = process.readAllStandardOutput().trimmed().split(' ');
        bool countOk = false;
        bool secondsOk = false;
        messages += fields.value(0).toLongLong(&countOk);
        seconds += fields.value(1).toDouble(&secondsOk);
        if (!countOk || !secondsOk) {
            timing.note = QStringLiteral("python3 printed no figures");
            return timing;
        }
    }
    timing.seconds = seconds;
    timing.messages = messages;
    return timing;
}

// Messages in the MboxMbx list, the empty end node not counted.
qint64 countIndexedMessages()
{
    qint64 count = 0;
    for (const MboxMbx *node = TmpMboxMbxPtrStart; node; node = node->pNext) {
        if (!node->szFilePath.isEmpty())
            ++count;
    }
    return count;
}

qint64 countMailItems()
{
    qint64 count = 0;
    for (const MailItem *item = StartMailItem; item; item = item->pNext)
        ++count;
    return count;
}

// Runs one scan of root for clientIndex on a QMessageSavingThread in this
// process and measures it. messagesFromMailItems: count registered message
// files rather than indexed mbox messages.
ScanFigures runScanHere(const QString &root, int clientIndex, bool messagesFromMailItems)
{
    ScanFigures figures;

    QMessageSavingThread thread;
    std::atomic<qint64> progress{0};
    std::atomic<qint64> treeRows{0};
    QString endSignal = QStringLiteral("none");
    // Direct connections: the counters run on the scanning thread itself, so
    // no event loop is needed and nothing queues up.
    QObject::connect(&thread, &QMessageSavingThread::OnIndivisibleProgressvalue, &thread,
                     [&progress](double) { ++progress; }, Qt::DirectConnection);
    QObject::connect(&thread, &QMessageSavingThread::OnSubProgressvalue, &thread,
                     [&progress](double) { ++progress; }, Qt::DirectConnection);
    QObject::connect(&thread, &QMessageSavingThread::MakeTreeWidget, &thread,
                     [&treeRows](qlonglong, QString, qlonglong, QString) { ++treeRows; },
                     Qt::DirectConnection);
    QObject::connect(&thread, &QMessageSavingThread::FinishScaning, &thread,
                     [&endSignal] { endSignal = QStringLiteral("FinishScaning"); },
                     Qt::DirectConnection);
    QObject::connect(&thread, &QMessageSavingThread::NoDataIntoFile, &thread,
                     [&endSignal] { endSignal = QStringLiteral("NoDataIntoFile"); },
                     Qt::DirectConnection);

    m_selectedFile = root;
    thread.m_nClientIndex = clientIndex;
    figures.peakSinceScanStart = resetPeakRss();
    figures.baseRssKiB = procStatusKiB("VmRSS");

    QElapsedTimer timer;
    timer.start();
    thread.start();
    thread.wait();
    figures.seconds = timer.nsecsElapsed() / 1e9;
    figures.peakRssKiB = peakRssKiB();

    figures.mailItems = countMailItems();
    figures.messages = messagesFromMailItems ? figures.mailItems : countIndexedMessages();
    figures.folders = treeRows;
    figures.progressSignals = progress;
    figures.endSignal = endSignal;
    return figures;
}

// Marker of the line in which a child process reports its scan figures.
const char kFiguresMarker[] = "bench-scan-figures";

// The figures of a scan as one line of key=value fields.
QByteArray figuresLine(const ScanFigures &figures)
{
    return QByteArray(kFiguresMarker) + " seconds=" + QByteArray::number(figures.seconds, 'f', 6)
        + " messages=" + QByteArray::number(figures.messages)
        + " mailitems=" + QByteArray::number(figures.mailItems)
        + " folders=" + QByteArray::number(figures.folders)
        + " progress=" + QByteArray::number(figures.progressSignals)
        + " end=" + figures.endSignal.toLatin1()
        + " base=" + QByteArray::number(figures.baseRssKiB)
        + " peak=" + QByteArray::number(figures.peakRssKiB)
        + " reset=" + QByteArray(figures.peakSinceScanStart ? "1" : "0") + '\n';
}

// Reads the figures line out of a child's output; false when there is none.
bool parseFiguresLine(const QByteArray &output, ScanFigures *figures)
{
    for (const QByteArray &line : output.split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split(' ');
        if (fields.value(0) != kFiguresMarker)
            continue;
        QHash<QByteArray, QByteArray> values;
        for (const QByteArray &field : fields.mid(1)) {
            const int equals = field.indexOf('=');
            if (equals > 0)
                values.insert(field.left(equals), field.mid(equals + 1));
        }
        figures->seconds = values.value("seconds").toDouble();
        figures->messages = values.value("messages").toLongLong();
        figures->mailItems = values.value("mailitems").toLongLong();
        figures->folders = values.value("folders").toLongLong();
        figures->progressSignals = values.value("progress").toLongLong();
        figures->endSignal = QString::fromLatin1(values.value("end"));
        figures->baseRssKiB = values.value("base", "-1").toLongLong();
        figures->peakRssKiB = values.value("peak", "-1").toLongLong();
        figures->peakSinceScanStart = values.value("reset") == "1";
        return true;
    }
    return false;
}

// Runs one scan in a fresh child process of this program and collects its
// figures. The scan's own standard output (its skipped-files line) goes to
// the null device; the figures come back on standard error.
ScanFigures scanInChildProcess(const QString &root, int clientIndex, bool messagesFromMailItems)
{
    ScanFigures figures;
    QStringList arguments{QStringLiteral("--scan-child"), QStringLiteral("--client"),
                          QString::number(clientIndex)};
    if (messagesFromMailItems)
        arguments.append(QStringLiteral("--count-files"));
    arguments.append(root);
    QProcess child;
    child.setStandardOutputFile(QProcess::nullDevice());
    child.start(QCoreApplication::applicationFilePath(), arguments);
    const bool finished = child.waitForFinished(-1);
    const QByteArray output = child.readAllStandardError();
    if (!finished || !parseFiguresLine(output, &figures)) {
        figures.endSignal = QStringLiteral("none (the scan process failed: ")
            + QString::fromLocal8Bit(output.right(300)).trimmed() + QLatin1Char(')');
    }
    return figures;
}

// The better of two timings (a run that did not happen never wins).
Timing faster(const Timing &a, const Timing &b)
{
    if (a.seconds < 0)
        return b;
    if (b.seconds < 0)
        return a;
    return a.seconds <= b.seconds ? a : b;
}

QByteArray mibText(double bytes)
{
    return QByteArray::number(bytes / kMiB, 'f', 1) + " MiB";
}

double mibPerSecond(qint64 bytes, double seconds)
{
    return seconds > 0 ? bytes / kMiB / seconds : 0.0;
}

void printRow(const char *label, double seconds, qint64 bytes, qint64 messages,
              const QByteArray &memory = {})
{
    const QByteArray rate = messages > 0 && seconds > 0
        ? QByteArray::number(qint64(messages / seconds)) : QByteArray("-");
    std::printf("  %-40s %9.3f %10.1f %12s  %s\n", label, seconds, mibPerSecond(bytes, seconds),
                rate.constData(), memory.constData());
}

void printSkipped(const char *label, const QString &why)
{
    std::printf("  %-40s %9s  (%s)\n", label, "-", qPrintable(why));
}

void printHeader()
{
    std::printf("  %-40s %9s %10s %12s  %s\n", "", "seconds", "MiB/s", "messages/s", "peak RSS");
}

const char *verdict(bool met)
{
    return met ? "met" : "MISSED";
}

// Prints the figures of one source and its targets.
void report(const char *title, const SourceFiles &source, const Timing &ownRead, const Timing &cat,
            const Timing &python, const ScanFigures &scan, bool speedTargets)
{
    std::printf("\n%s\n  %s\n  %lld files, %s\n", title, qPrintable(source.root),
                static_cast<long long>(source.files.size()), mibText(source.bytes).constData());
    printHeader();
    printRow("read(2) in 1 MiB blocks (in-process)", ownRead.seconds, source.bytes, -1);
    if (cat.seconds >= 0)
        printRow("cat via QProcess, no shell", cat.seconds, source.bytes, -1);
    else
        printSkipped("cat via QProcess, no shell", cat.note);
    if (speedTargets) {
        if (python.seconds >= 0)
            printRow("python3 mailbox.mbox table of contents", python.seconds, source.bytes,
                     python.messages);
        else
            printSkipped("python3 mailbox.mbox table of contents", python.note);
    }
    const QByteArray memory = mibText(scan.peakRssKiB * 1024.0) + " (before the scan "
        + mibText(scan.baseRssKiB * 1024.0) + (scan.peakSinceScanStart ? ")" : "; peak since start-up)");
    printRow("scan (QMessageSavingThread)", scan.seconds, source.bytes, scan.messages, memory);
    std::printf("  scan result: %lld messages, %lld MailItem nodes, %lld folders, "
                "%lld progress signals, end signal %s\n",
                static_cast<long long>(scan.messages), static_cast<long long>(scan.mailItems),
                static_cast<long long>(scan.folders), static_cast<long long>(scan.progressSignals),
                qPrintable(scan.endSignal));
    if (python.messages >= 0 && speedTargets && python.messages != scan.messages)
        std::printf("  note: Python's mailbox counted %lld messages\n",
                    static_cast<long long>(python.messages));
    if (scan.endSignal != QLatin1String("FinishScaning") || scan.messages == 0) {
        std::printf("  note: the scan found no mail here; are the discovery routines built in?\n"
                    "  targets: not judged\n");
        return;
    }

    std::printf("  targets:\n");
    const double scanRate = mibPerSecond(source.bytes, scan.seconds);
    if (speedTargets) {
        if (cat.seconds > 0) {
            const double catRate = mibPerSecond(source.bytes, cat.seconds);
            std::printf("    scan at least half the speed of cat (warm cache): %.1f vs %.1f MiB/s "
                        "= %.2f x cat -> %s\n",
                        scanRate, catRate, scanRate / catRate, verdict(scanRate >= catRate / 2));
        }
        if (python.seconds > 0) {
            std::printf("    scan at least 3 x Python's mailbox: %.3f s vs %.3f s = %.1f x -> %s\n",
                        scan.seconds, python.seconds, python.seconds / scan.seconds,
                        verdict(python.seconds >= 3 * scan.seconds));
        }
    } else if (cat.seconds > 0) {
        std::printf("    (no speed target; the scan opens every message file but reads none: "
                    "%.2f x the time of cat)\n", scan.seconds / cat.seconds);
    }
    const double limit = kBytesPerMessageTarget * scan.messages + kFixedAllowanceBytes;
    std::printf("    peak RSS under 300 B x %lld messages + 64 MiB = %s: %s -> %s\n",
                static_cast<long long>(scan.messages), mibText(limit).constData(),
                mibText(scan.peakRssKiB * 1024.0).constData(),
                verdict(scan.peakRssKiB >= 0 && scan.peakRssKiB * 1024.0 <= limit));
}

// Warms the cache, then takes the best of repeat runs of each measurement.
void benchSource(const char *title, const SourceFiles &source, int clientIndex, bool isMbox,
                 int repeat, bool withCat, bool withPython)
{
    readFilesInBlocks(source.files);
    Timing ownRead, cat, python;
    ScanFigures best;
    for (int run = 0; run < repeat; ++run) {
        ownRead = faster(ownRead, readFilesInBlocks(source.files));
        if (withCat)
            cat = faster(cat, catFiles(source.files));
        if (isMbox && withPython)
            python = faster(python, pythonMailboxToc(source.files));
        // The fastest scan's figures count, with the highest peak of all runs.
        const ScanFigures scan = scanInChildProcess(source.root, clientIndex, !isMbox);
        const qint64 highestPeak = std::max(best.peakRssKiB, scan.peakRssKiB);
        if (run == 0 || scan.seconds < best.seconds)
            best = scan;
        best.peakRssKiB = highestPeak;
    }
    if (!withCat)
        cat.note = QStringLiteral("skipped");
    if (isMbox && !withPython)
        python.note = QStringLiteral("skipped");
    report(title, source, ownRead, cat, python, best, isMbox);
}

} // namespace bench

int main(int argc, char **argv)
{
    // As the program does: every file name round-trips byte-exactly.
    startup::setUpProcess();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("bench_scan"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Times the mailbox scan of a store written by bench/generate_store.py."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("store"),
                                 QStringLiteral("store folder (default /tmp/cmc-bench-store)"));
    const QCommandLineOption onlyOption(QStringLiteral("only"),
                                        QStringLiteral("Bench one source: mbox or emlx."),
                                        QStringLiteral("source"));
    const QCommandLineOption repeatOption(QStringLiteral("repeat"),
                                          QStringLiteral("Runs of each measurement; the best counts (default 1)."),
                                          QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption noCatOption(QStringLiteral("no-cat"), QStringLiteral("Skip cat."));
    const QCommandLineOption noPythonOption(QStringLiteral("no-python"),
                                            QStringLiteral("Skip Python's mailbox."));
    // The child side of one measured scan (see scanInChildProcess).
    QCommandLineOption scanChildOption(QStringLiteral("scan-child"),
                                       QStringLiteral("Internal: run one scan of the store folder and report it."));
    scanChildOption.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption clientOption(QStringLiteral("client"), QStringLiteral("Internal: client index."),
                                    QStringLiteral("index"));
    clientOption.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption countFilesOption(QStringLiteral("count-files"),
                                        QStringLiteral("Internal: count message files."));
    countFilesOption.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({onlyOption, repeatOption, noCatOption, noPythonOption, scanChildOption,
                       clientOption, countFilesOption});
    parser.process(app);

    if (parser.isSet(scanChildOption)) {
        const bench::ScanFigures figures = bench::runScanHere(
            parser.positionalArguments().value(0), parser.value(clientOption).toInt(),
            parser.isSet(countFilesOption));
        const QByteArray line = bench::figuresLine(figures);
        std::fputs(line.constData(), stderr);
        return 0;
    }

    const QString store = QDir(parser.positionalArguments().value(
        0, QStringLiteral("/tmp/cmc-bench-store"))).absolutePath();
    const QString only = parser.value(onlyOption);
    const int repeat = std::max(1, parser.value(repeatOption).toInt());
    const bool withCat = !parser.isSet(noCatOption);
    const bool withPython = !parser.isSet(noPythonOption);

    std::printf("Scan benchmark, store %s, best of %d run(s)\n", qPrintable(store), repeat);
    std::printf("MiB/s: bytes of the source's files over the wall time; messages/s: indexed "
                "messages (mbox) or registered message files (.emlx) over the wall time.\n");

    bool ranAny = false;
    const QString profile = store + QStringLiteral("/profile");
    if (only.isEmpty() || only == QLatin1String("mbox")) {
        const bench::SourceFiles mboxFiles = bench::collectFiles(profile, [](const QFileInfo &info) {
            return bench::fileHead(info.filePath(), 5) == "From ";
        });
        if (mboxFiles.files.isEmpty()) {
            std::printf("\nNo mbox files below %s; write a store with bench/generate_store.py.\n",
                        qPrintable(profile));
        } else {
            bench::benchSource("mbox-family profile, \"Thunderbird (.mbox)\" scan (client index 3)",
                               mboxFiles, bench::kClientThunderbird, true, repeat, withCat,
                               withPython);
            ranAny = true;
        }
    }
    const QString emlxRoot = store + QStringLiteral("/applemail");
    if (only.isEmpty() || only == QLatin1String("emlx")) {
        const bench::SourceFiles emlxFiles = bench::collectFiles(emlxRoot, [](const QFileInfo &info) {
            const QString name = info.fileName();
            return name.endsWith(QLatin1String(".emlx")) || name.endsWith(QLatin1String(".emlxpart"));
        });
        if (emlxFiles.files.isEmpty()) {
            std::printf("\nNo .emlx files below %s; write a store with bench/generate_store.py.\n",
                        qPrintable(emlxRoot));
        } else {
            bench::benchSource(".emlx tree, \"Apple Mail (.emlx)\" scan (client index 2)", emlxFiles,
                               bench::kClientAppleMailEmlx, false, repeat, withCat, false);
            ranAny = true;
        }
    }
    if (!ranAny)
        std::printf("Nothing to measure.\n");
    return 0;
}
