// Save benchmark: converts the generated mbox profile and .emlx tree (see
// generate_store.py) to each target through the saving thread, next to
// `cp -r` of the same source and, for the .emlx tree, `find | xargs cat`, all
// in the same run. Each save runs in a child process of this program, so its
// peak memory is the save's own. Not a test: prints figures and verdicts and
// always exits with 0.
//
//   bench_save [STORE] [--only mbox|emlx] [--out DIR]

#include "app/appglobals.h"
#include "browser/folderrecords.h"
#include "convert/mailsaving.h"
#include "scan/filelister.h"
#include "scan/foldermodel.h"
#include "scan/scanglobals.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <cstdio>

namespace {

long vmHwmKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

qint64 treeBytes(const QString &root, qint64 *files)
{
    qint64 bytes = 0;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        bytes += it.fileInfo().size();
        ++*files;
    }
    return bytes;
}

// The message files of a source as the scan registers them, one folder per directory.
QStringList sourceFiles(const QString &root, bool mbox)
{
    if (!mbox)
        return filelister::findPaths(root, QStringLiteral("*.emlx"), filelister::EntryTypes::RegularFiles);
    QStringList files;
    for (const QString &path : filelister::findPaths(root, QStringLiteral("*"), filelister::EntryTypes::RegularFiles)) {
        QFile file(path);
        if (!path.endsWith(QLatin1String(".msf")) && file.open(QIODevice::ReadOnly) && file.read(5) == "From ")
            files << path;
    }
    return files;
}

// The child: one save of root to target into out; prints seconds, messages
// written and the peak memory.
int runChild(const QString &root, bool mbox, bool outlook, const QString &out)
{
    const QStringList files = sourceFiles(root, mbox);
    QHash<QString, qint64> folderIds;
    appendFldrAtrib(llRootId, 0)->chState = FolderChecked;
    for (const QString &path : files) {
        const QString dir = QFileInfo(path).path();
        qint64 &id = folderIds[dir];
        if (id == 0) {
            id = llRootId + 1 + folderIds.size();
            appendFldrAtrib(id, llRootId)->chState = FolderChecked;
        }
        appendMailItem(path, id);
        foldermodel::registerTreePath(path);
    }
    m_selectedFile = root;
    saveDir = out;
    const SaveTarget target = outlook ? SaveTarget::Outlook : SaveTarget::AppleMail;
    SaveSnapshot snapshot = takeSaveSnapshot(target);
    snapshot.source = mbox ? SaveSource::Mbox : SaveSource::Emlx;

    // Nothing the save might print mixes with the figures.
    std::freopen("/dev/null", "w", stdout);
    QMailSaving saving;
    saving.prepareSave(snapshot);
    QElapsedTimer timer;
    timer.start();
    saving.SetInitialSettings();
    saving.wait();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const SaveOutcome outcome = saving.lastOutcome();
    std::fprintf(stderr, "RESULT %.3f %lld %lld %lld %ld %d\n", seconds, static_cast<long long>(outcome.written),
                 static_cast<long long>(outcome.unreadable), static_cast<long long>(outcome.notWritten), vmHwmKiB(),
                 int(files.size()));
    return 0;
}

double timeProcess(const QString &program, const QStringList &args, QProcess *pipeTo = nullptr)
{
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    // Both ends of a pipe are set up before either process starts.
    if (pipeTo)
        process.setStandardOutputProcess(pipeTo);
    else
        process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, args);
    if (pipeTo)
        pipeTo->start();
    process.waitForFinished(-1);
    if (pipeTo)
        pipeTo->waitForFinished(-1);
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    QCommandLineParser parser;
    const QCommandLineOption onlyOption(QStringLiteral("only"), QStringLiteral("mbox or emlx"), QStringLiteral("kind"));
    const QCommandLineOption outOption(QStringLiteral("out"), QStringLiteral("work directory"), QStringLiteral("DIR"),
                                       QStringLiteral("/tmp/cmc-bench-save"));
    const QCommandLineOption childOption(QStringLiteral("child"), QStringLiteral("internal"), QStringLiteral("spec"));
    parser.addOptions({onlyOption, outOption, childOption});
    parser.addPositionalArgument(QStringLiteral("store"), QStringLiteral("generated store"));
    parser.process(app);
    const QString store = parser.positionalArguments().value(0, QStringLiteral("/tmp/cmc-bench-store"));
    const QString work = parser.value(outOption);

    if (parser.isSet(childOption)) {
        const QStringList spec = parser.value(childOption).split(QLatin1Char(','));
        return runChild(spec.value(0), spec.value(1) == QLatin1String("mbox"), spec.value(2) == QLatin1String("outlook"),
                        spec.value(3));
    }

    for (const QString kind : {QStringLiteral("mbox"), QStringLiteral("emlx")}) {
        if (parser.isSet(onlyOption) && parser.value(onlyOption) != kind)
            continue;
        const QString root = store + (kind == QLatin1String("mbox") ? QStringLiteral("/profile") : QStringLiteral("/applemail"));
        if (!QFileInfo(root).isDir()) {
            std::printf("%s: no source at %s (run generate_store.py)\n", qPrintable(kind), qPrintable(root));
            continue;
        }
        qint64 files = 0;
        const qint64 bytes = treeBytes(root, &files);
        std::printf("\n== %s: %s, %lld files, %.1f MiB\n", qPrintable(kind), qPrintable(root),
                    static_cast<long long>(files), double(bytes) / 1048576.0);
        // Warm the page cache once, then the references.
        timeProcess(QStringLiteral("cp"), {QStringLiteral("-r"), root, work + QStringLiteral("/warm")});
        QDir(work + QStringLiteral("/warm")).removeRecursively();
        const double cp = timeProcess(QStringLiteral("cp"), {QStringLiteral("-r"), root, work + QStringLiteral("/cp")});
        QDir(work + QStringLiteral("/cp")).removeRecursively();
        std::printf("%-34s %8.2f s  %8.1f MiB/s\n", "cp -r", cp, double(bytes) / 1048576.0 / cp);
        double findCat = 0;
        if (kind == QLatin1String("emlx")) {
            QProcess xargs;
            xargs.setStandardOutputFile(QProcess::nullDevice());
            xargs.setProgram(QStringLiteral("xargs"));
            xargs.setArguments({QStringLiteral("-0"), QStringLiteral("cat")});
            findCat = timeProcess(QStringLiteral("find"),
                                  {root, QStringLiteral("-name"), QStringLiteral("*.emlx"), QStringLiteral("-print0")},
                                  &xargs);
            std::printf("%-34s %8.2f s\n", "find | xargs cat", findCat);
        }
        for (const QString target : {QStringLiteral("apple"), QStringLiteral("outlook")}) {
            if (kind == QLatin1String("emlx") && target == QLatin1String("apple"))
                continue; // no driver for that pair
            const QString out = work + QStringLiteral("/save");
            QDir(out).removeRecursively();
            QDir().mkpath(out);
            QProcess child;
            child.setProgram(QCoreApplication::applicationFilePath());
            child.setArguments({QStringLiteral("--child"), QStringList{root, kind, target, out}.join(QLatin1Char(','))});
            child.start();
            child.waitForFinished(-1);
            QList<QByteArray> result;
            for (const QByteArray &line : child.readAllStandardError().split('\n')) {
                if (line.startsWith("RESULT "))
                    result = line.split(' ');
            }
            const double seconds = result.value(1).toDouble();
            const qint64 written = result.value(2).toLongLong();
            const long hwmKiB = result.value(5).toLong();
            qint64 outFiles = 0;
            const qint64 outBytes = treeBytes(out, &outFiles);
            QDir(out).removeRecursively();
            std::printf("%-34s %8.2f s  %8.1f MiB/s  written %lld (unreadable %s, not written %s)  out %.1f MiB  peak %ld MiB\n",
                        qPrintable(QStringLiteral("save %1 -> %2").arg(kind, target)), seconds,
                        double(bytes) / 1048576.0 / seconds, static_cast<long long>(written),
                        result.value(3).constData(), result.value(4).constData(), double(outBytes) / 1048576.0,
                        hwmKiB / 1024);
            // Messages: mbox files hold many; count the separators Python would split at.
            const double limitMiB = 64.0 + 300.0 * double(kind == QLatin1String("mbox") ? 200000 : files) / 1048576.0;
            if (kind == QLatin1String("mbox"))
                std::printf("   target: at least half the speed of cp -r: %s\n", seconds <= 2 * cp ? "met" : "MISSED");
            else
                std::printf("   target: at most twice find | xargs cat: %s\n", seconds <= 2 * findCat ? "met" : "MISSED");
            std::printf("   target: peak under %.0f MiB: %s\n", limitMiB, hwmKiB / 1024.0 <= limitMiB ? "met" : "MISSED");
        }
    }
    return 0;
}
