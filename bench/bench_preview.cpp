// Preview benchmark: the preview of a backup (.olm) message whose body is
// 200 MB of escaped html, read from the backup file and turned into its
// page; the preview of one large message (50 MB of plain text, of html, of
// Base64 text, of quoted-printable text), read from a file and turned into
// header lines and a page; each with its time and the growth of the
// process's peak memory; and the header scan of messages whose header lines
// once took quadratic time (a long line of repeated "filename=" and
// "charset" parameters).
//
// Targets: a 200 MB backup body and a 50 MB message preview in under 0.5 s
// of CPU time with under 100 MB of extra memory; a 512 KB header line scans
// in under 0.1 s. It prints figures and target verdicts only and always
// exits with 0.

#include "olm/olmpreview.h"
#include "preview/bodydecode.h"
#include "preview/headerscan.h"
#include "preview/messagepreview.h"
#include "support/olmfixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <ctime>
#include <sys/resource.h>

namespace {

constexpr qint64 kMessageBytes = 50LL * 1000 * 1000;
constexpr qint64 kBackupBodyBytes = 200LL * 1000 * 1000;
constexpr double kTargetSeconds = 0.5;
constexpr double kTargetExtraMegabytes = 100.0;
constexpr double kTargetHeaderLineSeconds = 0.1;

// CPU time of the process: on a busy machine the elapsed time also counts
// the time the benchmark waited for a processor.
double cpuSeconds()
{
    struct timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + now.tv_nsec / 1e9;
}

double peakMegabytes()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// Writes a message of about kMessageBytes: header, then body lines made by
// line(i), streamed so that the benchmark itself holds little memory.
bool writeMessage(const QString &path, const QByteArray &header, const std::function<QByteArray(int)> &line)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write(header);
    qint64 written = header.size();
    QByteArray chunk;
    for (int i = 0; written < kMessageBytes; ++i) {
        chunk += line(i);
        if (chunk.size() >= (1 << 20)) {
            written += file.write(chunk);
            chunk.clear();
        }
    }
    file.write(chunk);
    return true;
}

void measurePreview(const char *label, const QString &path)
{
    const double before = peakMegabytes();
    const double cpuBefore = cpuSeconds();
    QElapsedTimer timer;
    timer.start();
    const QByteArray message = preview::readMessageFile(path);
    const double readSeconds = timer.nsecsElapsed() / 1e9;
    const preview::MessagePreview shown = preview::buildPreview(message, preview::PreviewKind::WholeFile);
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    const double extra = peakMegabytes() - before;
    const int pageLength = shown.page ? shown.page->size() : 0;
    std::printf("%-24s %6.3f s CPU  %6.3f s elapsed (read %.3f s)  %6.1f MB extra  page %d characters  %s\n",
                label, cpu, seconds, readSeconds, extra, pageLength,
                cpu < kTargetSeconds && extra < kTargetExtraMegabytes ? "target met" : "TARGET MISSED");
}

// Writes a backup holding one message whose body is at least
// kBackupBodyBytes of escaped html, streamed in 1 MiB blocks so that the
// benchmark itself holds little memory; tells where the body lies.
bool writeBackup(const QString &path, qint64 *bodyOffset, qint64 *bodyLength)
{
    QByteArray block;
    for (int i = 0; block.size() < (1 << 20); ++i)
        block += "&lt;p&gt;Paragraph " + QByteArray::number(i) + " &lt;b&gt;bold&lt;/b&gt; text&amp;nbsp;here&lt;/p&gt;\n";
    const qint64 blocks = (kBackupBodyBytes + block.size() - 1) / block.size();
    const QByteArray head = "<emails xmlns=\"x\"><email><OPFMessageCopySubject xml:space=\"preserve\">Large"
                            "</OPFMessageCopySubject><OPFMessageCopyBody xml:space=\"preserve\">";
    const QByteArray foot = "</OPFMessageCopyBody></email></emails>";
    const QByteArray name = "Local/Mail/Inbox/m1__message_attachment__.xml";
    *bodyLength = blocks * block.size();
    const quint64 entrySize = quint64(head.size() + *bodyLength + foot.size());
    const QByteArray header =
        olmfixture::localHeader(name, 0x1234abcd, 0xFFFFFFFF, 0xFFFFFFFF, olmfixture::zip64Block(entrySize, entrySize));
    *bodyOffset = header.size() + head.size();

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    bool written = file.write(header + head) == *bodyOffset;
    for (qint64 i = 0; written && i < blocks; ++i)
        written = file.write(block) == block.size();
    QByteArray tail = foot;
    for (int i = 0; i < 3; ++i)
        tail += olmfixture::centralHeader(name);
    tail += olmfixture::le(0x06054b50, 4) + QByteArray(18, '\0');
    return written && file.write(tail) == tail.size();
}

void measureBackupPreview(const QString &path, qint64 bodyOffset, qint64 bodyLength)
{
    const double before = peakMegabytes();
    const double cpuBefore = cpuSeconds();
    QElapsedTimer timer;
    timer.start();
    bool read = false;
    const QString page = olmpreview::bodyPreviewPage(path, bodyOffset, bodyLength, &read);
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    const double extra = peakMegabytes() - before;
    const bool note = page.endsWith(preview::kBodyCutNote + QStringLiteral("</i></p>"));
    std::printf("%-24s %6.3f s CPU  %6.3f s elapsed  %6.1f MB extra  page %d characters%s  %s\n",
                "200 MB backup body", cpu, seconds, extra, int(page.size()), note ? " with the cut note" : "",
                read && cpu < kTargetSeconds && extra < kTargetExtraMegabytes ? "target met" : "TARGET MISSED");
}

void measureHeaderLine(const char *label, const QByteArray &repeated)
{
    QByteArray message = "From: a@example.org\nContent-Type: text/plain; ";
    while (message.size() < 512 * 1024)
        message += repeated;
    message += "\n\nbody\n";
    QElapsedTimer timer;
    timer.start();
    const preview::RawHeader header = preview::scanRawHeader(message, preview::PreviewKind::WholeFile);
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("%-28s %7.3f s  (%d names)  %s\n", label, seconds, header.attachmentNames.size(),
                seconds < kTargetHeaderLineSeconds ? "target met" : "TARGET MISSED");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::puts("no temporary folder");
        return 0;
    }
    // The backup first, while the process's peak memory is still low.
    const QString backupPath = dir.filePath(QStringLiteral("large.olm"));
    qint64 bodyOffset = 0;
    qint64 bodyLength = 0;
    if (!writeBackup(backupPath, &bodyOffset, &bodyLength)) {
        std::puts("cannot write the backup file");
        return 0;
    }
    std::printf("Backup preview of a %lld-byte body (targets %.1f s, %.0f MB extra):\n", bodyLength, kTargetSeconds,
                kTargetExtraMegabytes);
    measureBackupPreview(backupPath, bodyOffset, bodyLength);
    QFile::remove(backupPath);
    std::puts("");

    const QString path = dir.filePath(QStringLiteral("large.eml"));
    const QByteArray plainLine("The quick brown fox jumps over the lazy dog, again and again and again.\n");

    struct Case {
        const char *label;
        QByteArray header;
        std::function<QByteArray(int)> line;
    };
    const Case cases[] = {
        {"50 MB plain text", "From: a@example.org\nSubject: large\nContent-Type: text/plain; charset=utf-8\n\n",
         [&](int) { return plainLine; }},
        {"50 MB html", "From: a@example.org\nSubject: large\nContent-Type: text/html; charset=utf-8\n\n",
         [&](int i) { return QByteArray("<p>Paragraph ") + QByteArray::number(i) + " <b>bold</b> text</p>\n"; }},
        {"50 MB base64 text",
         "From: a@example.org\nContent-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: base64\n\n",
         [&](int) { return QByteArray("VGhlIHF1aWNrIGJyb3duIGZveCBqdW1wcyBvdmVyIHRoZSBsYXp5IGRvZywgYWdhaW4u\n"); }},
        {"50 MB quoted-printable",
         "From: a@example.org\nContent-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: quoted-printable\n\n",
         [&](int) { return QByteArray("Gr=C3=BC=C3=9Fe aus K=C3=B6ln, noch einmal und noch einmal =\n"); }},
    };
    std::printf("Preview of a %lld-byte message (targets %.1f s, %.0f MB extra):\n", kMessageBytes,
                kTargetSeconds, kTargetExtraMegabytes);
    for (const Case &c : cases) {
        if (!writeMessage(path, c.header, c.line)) {
            std::puts("cannot write the message file");
            return 0;
        }
        measurePreview(c.label, path);
    }

    std::printf("\nHeader scan of a 512 KB parameter line (target %.1f s):\n", kTargetHeaderLineSeconds);
    measureHeaderLine("repeated filename=", "filename=");
    measureHeaderLine("repeated charset", "charset");
    measureHeaderLine("repeated name=\"x\";", "name=\"x\"; ");
    measureHeaderLine("repeated =?", "=?");
    return 0;
}
