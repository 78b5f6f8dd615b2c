// Writer benchmark: appends generated messages through a message writer of
// the saving thread (200,000 messages of 5,000 bytes, 1,000 mailboxes, by
// default: about 1 GiB) and, for comparison, writes the same bytes with
// plain write() calls of 1 MiB into one file. Prints wall time, throughput
// and peak resident memory. Not a test: it always exits with 0.
//
//   bench_writers [--messages N] [--bytes B] [--mailboxes M] [--dir PATH]

#include "app/appglobals.h"
#include "convert/mailsaving.h"
#include "scan/foldermodel.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

long peakRssMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

void report(const char *what, qint64 bytes, qint64 nsecs)
{
    const double seconds = double(nsecs) / 1e9;
    std::printf("%-28s %8.2f s  %8.1f MiB/s  peak RSS %ld MiB\n", what, seconds,
                double(bytes) / (1024.0 * 1024.0) / seconds, peakRssMiB());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption messagesOption(QStringLiteral("messages"), QStringLiteral("messages"), QStringLiteral("N"),
                                            QStringLiteral("200000"));
    const QCommandLineOption bytesOption(QStringLiteral("bytes"), QStringLiteral("bytes per message"),
                                         QStringLiteral("B"), QStringLiteral("5000"));
    const QCommandLineOption mailboxesOption(QStringLiteral("mailboxes"), QStringLiteral("mailboxes"),
                                             QStringLiteral("M"), QStringLiteral("1000"));
    const QCommandLineOption dirOption(QStringLiteral("dir"), QStringLiteral("work directory"), QStringLiteral("PATH"),
                                       QDir::tempPath());
    parser.addOptions({messagesOption, bytesOption, mailboxesOption, dirOption});
    parser.process(app);
    const int messages = parser.value(messagesOption).toInt();
    const int size = qMax(2, parser.value(bytesOption).toInt());
    const int mailboxes = qMax(1, parser.value(mailboxesOption).toInt());

    QTemporaryDir work(parser.value(dirOption) + QLatin1String("/bench-writers-XXXXXX"));
    if (!work.isValid()) {
        std::printf("no work directory\n");
        return 0;
    }
    QByteArray text(size - 1, 'x');
    for (int at = 72; at < text.size(); at += 73)
        text[at] = '\n';
    text.append('\n');
    const qint64 total = qint64(messages) * size;
    std::printf("%d messages of %d bytes in %d mailboxes: %.1f MiB\n", messages, size, mailboxes,
                double(total) / (1024.0 * 1024.0));

    // 1. Plain writes of the same amount, 1 MiB at a time.
    {
        QByteArray block(1 << 20, 'x');
        const QByteArray name = QFile::encodeName(work.path() + QLatin1String("/plain"));
        QElapsedTimer timer;
        timer.start();
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        for (qint64 left = total; left > 0 && fd >= 0; left -= block.size())
            if (::write(fd, block.constData(), size_t(qMin<qint64>(left, block.size()))) < 0)
                break;
        if (fd >= 0)
            ::close(fd);
        report("plain write()", total, timer.nsecsElapsed());
        QFile::remove(QFile::decodeName(name));
    }

    // 2. The Outspring writer into the Apple Mail tree, mailbox by mailbox
    //    (the drivers hand over the files of one folder together).
    QStringList sources;
    sources.reserve(messages);
    for (int i = 0; i < messages; ++i) {
        sources << QStringLiteral("/src/Store/Box%1/%2.eml").arg(i % mailboxes).arg(i);
        foldermodel::registerTreePath(sources.last());
    }
    std::sort(sources.begin(), sources.end());
    m_selectedFile = QStringLiteral("/src/Store");
    saveDir = work.path();
    QMailSaving saving;
    saving.resetWriters();
    int failed = 0;
    QElapsedTimer timer;
    timer.start();
    for (const QString &source : qAsConst(sources))
        failed += saving.writeMailForOutSpringAppleMail(text, source) ? 0 : 1;
    saving.closeWriterOutput();
    report("writeMailForOutSpringAppleMail", total, timer.nsecsElapsed());
    if (failed)
        std::printf("%d messages not written\n", failed);
    return 0;
}
