// Reading rules of the save drivers, the completion of partial messages,
// the mbox quoting, the Opera Mail folder, the targets offered, the output
// tree operations and the end-of-save text.

#include "convert/outputtree.h"
#include "convert/savefrontend.h"
#include "convert/saverules.h"
#include "convert/savesnapshot.h"
#include "scan/emlxdiscovery.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(SaveSource)

namespace {
QString visible(const QByteArray &bytes)
{
    QString text = QString::fromLatin1(bytes);
    text.replace(QLatin1Char('\n'), QLatin1String("\\n\n"));
    text.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    text.replace(QLatin1Char('\0'), QLatin1String("\\0"));
    return text;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
} // namespace

class TestSaveRules : public QObject
{
    Q_OBJECT

private slots:
    void messageText_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray utf8 = "Subject: caf\xc3\xa9 \xe2\x82\xac\n\nLatin-1 \xe9 byte\n";
        const QByteArray kTrailer = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC "
                                    "\"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                                    "<plist version=\"1.0\">\n<dict>\n\t<key>flags</key>\n\t<integer>1</integer>\n"
                                    "</dict>\n</plist>\n";
        const QByteArray kXhtmlMessage = "To: a\nContent-Type: multipart/alternative; boundary=b\n\n--b\n"
                                         "Content-Type: application/xhtml+xml\n\n"
                                         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                         "<html xmlns=\"http://www.w3.org/1999/xhtml\"><body>Hi</body></html>\n"
                                         "--b--\n";
        QTest::newRow("mailmate-keeps-first-header") << "mailmate" << QByteArray("To: a\nSubject: s\n\nbody\n")
                                                     << QByteArray("To: a\nSubject: s\n\nbody\n");
        QTest::newRow("mailmate-drops-envelope-line")
            << "mailmate" << QByteArray("From a@b Mon\nTo: a\n\nFrom here\n") << QByteArray("To: a\n\nFrom here\n");
        QTest::newRow("bytes-pass-unchanged") << "mailmate" << utf8 << utf8;
        QTest::newRow("nul-keeps-its-line-and-line-end")
            << "mailmate" << QByteArray("To: a\n\nx\0y\nz\n", 13) << QByteArray("To: a\n\nx\0y\nz\n", 13);
        QTest::newRow("cr-lf-read-as-lf") << "mailmate" << QByteArray("To: a\r\n\r\nb\r\n") << QByteArray("To: a\n\nb\n");
        QTest::newRow("missing-final-line-feed") << "mailmate" << QByteArray("To: a\n\nb") << QByteArray("To: a\n\nb");
        QTest::newRow("outspring-trailer-keeps-text-before-it")
            << "outspring" << QByteArray("To: a\n\nend<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist/>\n")
            << QByteArray("To: a\n\nend");
        QTest::newRow("outspring-received-spf-dropped-with-continuations")
            << "outspring" << QByteArray("To: a\nReceived-Spf: pass\n x\n y\nSubject: s\n\nb\n")
            << QByteArray("To: a\nSubject: s\n\nb\n");
        QTest::newRow("outspring-spf-other-case-kept")
            << "outspring" << QByteArray("To: a\nReceived-SPF: pass\n x\n\nb\n")
            << QByteArray("To: a\nReceived-SPF: pass\n x\n\nb\n");
        QTest::newRow("outspring-two-spf-headers")
            << "outspring" << QByteArray("To: a\nReceived-Spf: 1\n c\nReceived-Spf: 2\n d\nX: y\n")
            << QByteArray("To: a\nX: y\n");
        QTest::newRow("emlx-count-line-dropped-and-trailer-cut")
            << "emlx" << QByteArray("12\nTo: a\n\nbody\n<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist/>\n")
            << QByteArray("To: a\n\nbody\n");
        QTest::newRow("emlx-declaration-inside-counted-body-ends-nothing")
            << "emlx"
            << QByteArray("51\nTo: a\n\n<?xml version=\"1.0\" encoding=\"UTF-8\"?>\nmore\n<?xml version=\"1.0\" "
                          "encoding=\"UTF-8\"?>\n<plist/>\n")
            << QByteArray("To: a\n\n<?xml version=\"1.0\" encoding=\"UTF-8\"?>\nmore\n");
        QTest::newRow("emlx-count-counts-cr-bytes")
            << "emlx" << QByteArray("12\r\nTo: a\r\n\r\nb\r\n<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<plist/>\r\n")
            << QByteArray("To: a\n\nb\n");
        QTest::newRow("emlx-count-too-large-falls-back-to-trailer")
            << "emlx" << QByteArray("999\nTo: a\n\nb\n<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n")
            << QByteArray("To: a\n\nb\n");
        QTest::newRow("emlx-from-lines-quoted") << "emlx" << QByteArray("14\nTo: a\n\nFrom x\n")
                                                << QByteArray("To: a\n\n>From x\n");
        // A count is taken only where the trailer begins right after it;
        // otherwise the message runs to the trailer.
        QTest::newRow("emlx-short-count-read-to-trailer")
            << "emlx" << "5\nTo: a\n\nbody\nFrom x\n" + kTrailer << QByteArray("To: a\n\nbody\n>From x\n");
        QTest::newRow("emlx-zero-count-read-to-trailer")
            << "emlx" << "0\nTo: a\n\nb\n" + kTrailer << QByteArray("To: a\n\nb\n");
        QTest::newRow("emlx-count-ending-at-a-line-end-inside-the-message")
            << "emlx" << "7\nTo: a\n\nb\n" + kTrailer << QByteArray("To: a\n\nb\n");
        QTest::newRow("emlx-count-ending-inside-a-line")
            << "emlx" << "9\nTo: a\n\nbody\n" + kTrailer << QByteArray("To: a\n\nbody\n");
        QTest::newRow("emlx-count-one-short-of-the-trailer")
            << "emlx" << "11\nTo: a\n\nbody\n" + kTrailer << QByteArray("To: a\n\nbody\n");
        QTest::newRow("emlx-count-exact-with-full-trailer")
            << "emlx" << "12\nTo: a\n\nbody\n" + kTrailer << QByteArray("To: a\n\nbody\n");
        // Only the trailer ends a message: a line of an XHTML part that
        // holds the declaration is part of the message.
        QTest::newRow("emlx-short-count-xhtml-part-kept")
            << "emlx" << "3\n" + kXhtmlMessage + kTrailer << kXhtmlMessage;
        QTest::newRow("emlx-no-count-xhtml-part-kept")
            << "emlx" << "count\n" + kXhtmlMessage + kTrailer << kXhtmlMessage;
        QTest::newRow("emlx-no-trailer-xhtml-part-kept") << "emlx" << "3\n" + kXhtmlMessage << kXhtmlMessage;
        QTest::newRow("outspring-xhtml-part-kept") << "outspring" << kXhtmlMessage << kXhtmlMessage;
        QTest::newRow("outspring-xhtml-part-then-trailer")
            << "outspring" << kXhtmlMessage + kTrailer << kXhtmlMessage;
        QTest::newRow("empty-file") << "outspring" << QByteArray() << QByteArray();
        QTest::newRow("single-line") << "emlx" << QByteArray("0\n") << QByteArray();
    }

    void messageText()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, raw);
        QFETCH(QByteArray, expected);
        const saverules::ReadRules rules = kind == QLatin1String("emlx") ? saverules::emlxRules()
            : kind == QLatin1String("outspring")                         ? saverules::outspringRules()
                                                                         : saverules::mailMateRules();
        QCOMPARE(visible(saverules::messageTextOf(raw, rules)), visible(expected));
    }

    void partialAssembly_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QList<QByteArray>>("parts");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray twoMarkers = "H: 1\n\n--b\nX-Apple-Content-Length: 3\nC: t\n\nP1-END\n--b\n"
                                      "X-Apple-Content-Length: 4\n\nP2-END\n--b--\n";
        QTest::newRow("parts-after-blank-line-of-their-marker")
            << twoMarkers << QList<QByteArray>{"one\n", "two\n"}
            << QByteArray("H: 1\n\n--b\nX-Apple-Content-Length: 3\nC: t\n\none\nP1-END\n--b\n"
                          "X-Apple-Content-Length: 4\n\ntwo\nP2-END\n--b--\n");
        QTest::newRow("surplus-parts-ignored")
            << QByteArray("H\n\nX-Apple-Content-Length: 1\n\nx\n") << QList<QByteArray>{"a\n", "b\n"}
            << QByteArray("H\n\nX-Apple-Content-Length: 1\n\na\nx\n");
        QTest::newRow("piece-without-blank-line-gets-part-at-end")
            << QByteArray("H\n\nX-Apple-Content-Length: 1\n") << QList<QByteArray>{"p\n"}
            << QByteArray("H\n\nX-Apple-Content-Length: 1\np\n");
        QTest::newRow("no-parts-unchanged") << twoMarkers << QList<QByteArray>{} << twoMarkers;
    }

    void partialAssembly()
    {
        QFETCH(QByteArray, text);
        QFETCH(QList<QByteArray>, parts);
        QFETCH(QByteArray, expected);
        QCOMPARE(visible(saverules::assemblePartialMessage(text, parts)), visible(expected));
    }

    void partClaims_data()
    {
        QTest::addColumn<QStringList>("partFiles");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("ordered");
        const QStringList numbered{QStringLiteral("/A/M/4711.10.emlxpart"), QStringLiteral("/A/M/4711.2.emlxpart"),
                                   QStringLiteral("/A/M/4711.9.emlxpart"), QStringLiteral("/A/M/4711.2.emlxpart")};
        QTest::newRow("numeric-order-duplicates-once")
            << numbered << QStringLiteral("/A/M/4711.partial.emlx")
            << QStringList{QStringLiteral("/A/M/4711.2.emlxpart"), QStringLiteral("/A/M/4711.9.emlxpart"),
                           QStringLiteral("/A/M/4711.10.emlxpart")};
        QTest::newRow("claimed-by-prefix-not-containment")
            << QStringList{QStringLiteral("/B/A/M/4711.2.emlxpart")} << QStringLiteral("/A/M/4711.partial.emlx")
            << QStringList{};
        QTest::newRow("other-number-not-claimed")
            << QStringList{QStringLiteral("/A/M/47110.2.emlxpart")} << QStringLiteral("/A/M/4711.partial.emlx")
            << QStringList{};
        // A part belongs to the message of its own directory: one inside a
        // directory named like a part file is not the outer message's.
        const QStringList nested{QStringLiteral("/A/M/4711.4.emlxpart"),
                                 QStringLiteral("/A/M/4711.4.emlxpart/4711.10.emlxpart")};
        QTest::newRow("part-inside-directory-named-like-a-part")
            << nested << QStringLiteral("/A/M/4711.partial.emlx") << QStringList{nested.at(0)};
        QTest::newRow("message-inside-directory-named-like-a-part")
            << nested << QStringLiteral("/A/M/4711.4.emlxpart/4711.partial.emlx") << QStringList{nested.at(1)};
        QTest::newRow("leading-zero-not-spliced")
            << QStringList{QStringLiteral("/A/M/4711.02.emlxpart"), QStringLiteral("/A/M/4711.3.emlxpart")}
            << QStringLiteral("/A/M/4711.partial.emlx") << QStringList{QStringLiteral("/A/M/4711.3.emlxpart")};
    }

    void partClaims()
    {
        QFETCH(QStringList, partFiles);
        QFETCH(QString, message);
        QFETCH(QStringList, ordered);
        // The claim the save makes, by the scan's own rule.
        emlxdiscovery::PartIndex index(partFiles);
        QCOMPARE(emlxdiscovery::orderClaimedParts(index.claim(emlxdiscovery::partialKey(message))), ordered);
        QVERIFY(index.claim(emlxdiscovery::partialKey(message)).isEmpty());
    }

    void mboxQuoting_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<int>("separators");
        QTest::newRow("from-in-text-part-quoted")
            << QByteArray("From a\nContent-Type: text/plain;\n\nline\nFrom me\n\nFrom b\nX: y\n")
            << QByteArray("From a\nContent-Type: text/plain;\n\nline\n>From me\n\nFrom b\nX: y\n") << 2;
        QTest::newRow("from-before-any-text-part-unchanged")
            << QByteArray("From a\nX: y\n\nline\nFrom b\n") << QByteArray("From a\nX: y\n\nline\nFrom b\n") << 2;
        QTest::newRow("after-closing-boundary-is-separator")
            << QByteArray("From a\nContent-Type: text/html;\n--x--\nFrom b\n")
            << QByteArray("From a\nContent-Type: text/html;\n--x--\nFrom b\n") << 2;
        QTest::newRow("after-cr-lf-closing-boundary-is-separator")
            << QByteArray("From a\nContent-Type: text/html;\n--x--\r\nFrom b\n")
            << QByteArray("From a\nContent-Type: text/html;\n--x--\r\nFrom b\n") << 2;
        QTest::newRow("after-cr-cr-lf-closing-boundary-is-separator")
            << QByteArray("From a\nContent-Type: text/html;\n--x--\r\r\nFrom b\n")
            << QByteArray("From a\nContent-Type: text/html;\n--x--\r\r\nFrom b\n") << 2;
        QTest::newRow("after-boundary-with-three-crs-quoted")
            << QByteArray("From a\nContent-Type: text/html;\n--x--\r\r\r\nFrom b\n")
            << QByteArray("From a\nContent-Type: text/html;\n--x--\r\r\r\n>From b\n") << 1;
        QTest::newRow("from-dash-never-quoted")
            << QByteArray("From a\nContent-Type: text/plain;\nx\nFrom - Mon\n")
            << QByteArray("From a\nContent-Type: text/plain;\nx\nFrom - Mon\n") << 2;
    }

    void mboxQuoting()
    {
        QFETCH(QByteArray, source);
        QFETCH(QByteArray, expected);
        QFETCH(int, separators);
        saverules::MboxQuoter quoter;
        QByteArray out;
        int found = 0;
        for (QByteArray line : saverules::splitLines(source)) {
            found += quoter.quote(line) ? 1 : 0;
            out += line;
        }
        QCOMPARE(visible(out), visible(expected));
        QCOMPARE(found, separators);
    }

    void mboxStreamAnyBlockSize_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<bool>("stop");
        QTest::addColumn<int>("separators"); // the messages the output holds
        const QByteArray longLine(300, 'x');
        QTest::newRow("from-quoted-in-text-part")
            << QByteArray("From a\nContent-Type: text/plain;\n\nline\nFrom me\n\nFrom b\nX: y\n")
            << QByteArray("From a\nContent-Type: text/plain;\n\nline\n>From me\n\nFrom b\nX: y\n") << false << 2;
        QTest::newRow("cr-lf-read-as-lf-lone-cr-kept")
            << QByteArray("From a\r\nContent-Type: text/html;\r\nx\r\nFrom me\r\na\rb\r\r\n\r\nFrom b\r\n")
            << QByteArray("From a\nContent-Type: text/html;\nx\n>From me\na\rb\r\n\nFrom b\n") << false << 2;
        QTest::newRow("closing-boundary-with-cr-lf-then-separator")
            << QByteArray("From a\nContent-Type: text/plain;\n--x--\r\nFrom b\n--\nFrom c\n")
            << QByteArray("From a\nContent-Type: text/plain;\n--x--\nFrom b\n--\nFrom c\n") << false << 3;
        QTest::newRow("closing-boundary-with-cr-cr-lf-then-separator")
            << QByteArray("From a\nContent-Type: text/plain;\nx\n--x--\r\r\nFrom b\nContent-Type: text/plain;\n"
                          "--y--\r\r\r\nFrom c\n")
            << QByteArray("From a\nContent-Type: text/plain;\nx\n--x--\r\nFrom b\nContent-Type: text/plain;\n"
                          "--y--\r\r\n>From c\n")
            << false << 2;
        QTest::newRow("long-closing-boundary-with-cr-cr-lf-then-separator")
            << "From a\nContent-Type: text/plain;\nx\n--" + longLine + "--\r\r\nFrom b\n"
            << "From a\nContent-Type: text/plain;\nx\n--" + longLine + "--\r\nFrom b\n" << false << 2;
        QTest::newRow("stop-before-separator-after-cr-cr-lf-boundary")
            << QByteArray("x\nContent-Type: text/plain;\n--x--\r\r\nFrom b\nz\n")
            << QByteArray("x\nContent-Type: text/plain;\n--x--\r\n") << true << 0;
        QTest::newRow("long-lines-and-no-final-line-feed")
            << "From a\nContent-Type: text/plain;\nx\n--" + longLine + "--\r\nFrom b\nContent-Type: text/plain;\n"
                   + longLine + "\nFrom me\n" + longLine + "\r"
            << "From a\nContent-Type: text/plain;\nx\n--" + longLine + "--\nFrom b\nContent-Type: text/plain;\n"
                   + longLine + "\n>From me\n" + longLine + "\r"
            << false << 2;
        QTest::newRow("short-last-line-quoted")
            << QByteArray("From a\nContent-Type: text/plain;\nx\nFrom z") << QByteArray("From a\nContent-Type: text/plain;\nx\n>From z")
            << false << 1;
        QTest::newRow("nul-keeps-its-line") << QByteArray("From a\nx\0y\r\nz\n", 14) << QByteArray("From a\nx\0y\nz\n", 13)
                                            << false << 1;
        QTest::newRow("stop-ends-before-next-separator")
            << QByteArray("x\nContent-Type: text/plain;\ny\nFrom me\n\nFrom b\nz\n")
            << QByteArray("x\nContent-Type: text/plain;\ny\n>From me\n\n") << true << 0;
        QTest::newRow("stop-before-separator-without-line-end")
            << QByteArray("x\n\nFrom b") << QByteArray("x\n\n") << true << 0;
    }

    // The result never depends on where the blocks end: every block size
    // from one byte up splits each line, CR LF and line start somewhere.
    void mboxStreamAnyBlockSize()
    {
        QFETCH(QByteArray, source);
        QFETCH(QByteArray, expected);
        QFETCH(bool, stop);
        QFETCH(int, separators);
        for (int blockSize = 1; blockSize <= source.size(); ++blockSize) {
            saverules::MboxStream stream;
            QByteArray out;
            bool stopped = false;
            for (int at = 0; at < source.size() && !stopped; at += blockSize)
                stopped = stream.feed(source.constData() + at, qMin(blockSize, source.size() - at), out, stop);
            if (!stopped)
                stopped = stream.finish(out, stop);
            QVERIFY2(visible(out) == visible(expected), qPrintable(QStringLiteral("block size %1: %2").arg(blockSize).arg(visible(out))));
            QCOMPARE(stopped, stop);
            QCOMPARE(stream.separators(), qint64(separators));
        }
    }

    void operaFolder_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("folderPath");
        QTest::newRow("location-up-to-last-colon") << QByteArray("X-Opera-Location: Inbox:7\n\nb\n")
                                                   << QStringLiteral("/Work/Inbox");
        QTest::newRow("last-line-wins") << QByteArray("X-Opera-Location: a:b:c\nX-Opera-Location: Sent\n\n")
                                        << QStringLiteral("/Work/Sent");
        QTest::newRow("body-location-ignored") << QByteArray("To: a\n\nX-Opera-Location: Spam:1\n")
                                               << QStringLiteral("/Work/Mails");
        QTest::newRow("hostile-value-passed-to-the-writer-as-is")
            << QByteArray("X-Opera-Location: ../../x:1\n\n") << QStringLiteral("/Work/../../x");
    }

    void operaFolder()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, folderPath);
        QCOMPARE(saverules::operaFolderPath(QStringLiteral("Work"), saverules::operaLocationFolder(text)), folderPath);
    }

    void targetsOffered_data()
    {
        QTest::addColumn<int>("clientIndex");
        QTest::addColumn<SaveSource>("source");
        QTest::addColumn<QString>("buttons"); // apple enabled/checked, outlook enabled/checked
        QTest::newRow("apple-mail-mbox") << 1 << SaveSource::Mbox << "0011";
        QTest::newRow("apple-mail-emlx-no-apple-driver") << 2 << SaveSource::Emlx << "0011";
        QTest::newRow("thunderbird") << 3 << SaveSource::Mbox << "1011";
        QTest::newRow("olm-no-outlook-driver") << 5 << SaveSource::Olm << "1100";
        QTest::newRow("opera") << 10 << SaveSource::Opera << "1011";
        QTest::newRow("no-client-index") << 0 << SaveSource::MailMate << "1010";
        QTest::newRow("no-source-nothing-offered") << 3 << SaveSource::None << "0000";
    }

    void targetsOffered()
    {
        QFETCH(int, clientIndex);
        QFETCH(SaveSource, source);
        QFETCH(QString, buttons);
        const savefrontend::TargetButtons b = savefrontend::targetButtonsFor(unsigned(clientIndex), source);
        const QString got = QString::number(b.appleEnabled) + QString::number(b.appleChecked)
            + QString::number(b.outlookEnabled) + QString::number(b.outlookChecked);
        QCOMPARE(got, buttons);
        QCOMPARE(savefrontend::anyTargetOffered(b), source != SaveSource::None);
    }

    void safeRemovalNeverFollowsLinks()
    {
        QTemporaryDir dir;
        const QString keep = dir.filePath(QStringLiteral("keep"));
        QVERIFY(writeFile(keep + QStringLiteral("/mail.mbox"), "x"));
        const QString tree = dir.filePath(QStringLiteral("out/Main Identity.mbox"));
        QVERIFY(writeFile(tree + QStringLiteral("/Mail/a'b;$(x)/f"), "y"));
        QVERIFY(QFile::link(keep, tree + QStringLiteral("/Mail/inner-link")));
        QVERIFY(outputtree::removeTreeSafely(tree));
        QVERIFY(!QFileInfo::exists(tree));
        QVERIFY(QFileInfo::exists(keep + QStringLiteral("/mail.mbox")));

        // A tree that is itself a link loses the link, its target keeps its contents.
        QVERIFY(QFile::link(keep, tree));
        QVERIFY(outputtree::removeTreeSafely(tree));
        QVERIFY(!QFileInfo(tree).isSymLink());
        QVERIFY(QFileInfo::exists(keep + QStringLiteral("/mail.mbox")));
        QVERIFY(outputtree::removeTreeSafely(dir.filePath(QStringLiteral("never-there"))));
    }

    void overlapOfOutputAndSource_data()
    {
        QTest::addColumn<QString>("tree");
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("overlaps");
        QTest::newRow("apart") << "/d/Main Identity.mbox" << "/s/Mail" << false;
        QTest::newRow("source-inside-tree") << "/d/Main Identity.mbox" << "/d/Main Identity.mbox/Mail/x" << true;
        QTest::newRow("tree-inside-source") << "/s/Mail/Main Identity.mbox" << "/s/Mail" << true;
        QTest::newRow("sibling-with-common-prefix") << "/s/Mail2/Main Identity.mbox" << "/s/Mail" << false;
    }

    void overlapOfOutputAndSource()
    {
        QFETCH(QString, tree);
        QFETCH(QString, source);
        QFETCH(bool, overlaps);
        QCOMPARE(outputtree::outputOverlapsSource(tree, source), overlaps);
    }

    void removeEmptyDirectories()
    {
        QTemporaryDir dir;
        const QString root = dir.filePath(QStringLiteral("r"));
        QVERIFY(QDir().mkpath(root + QStringLiteral("/a/b/c")));
        QVERIFY(QDir().mkpath(root + QStringLiteral("/.hidden")));
        QVERIFY(writeFile(root + QStringLiteral("/k/d/file"), "x"));
        QVERIFY(QFile::link(root, root + QStringLiteral("/k/loop")));
        QVERIFY(QFile::link(root + QStringLiteral("/none"), root + QStringLiteral("/dangling")));
        outputtree::removeEmptyDirectories(root);
        QVERIFY(QFileInfo::exists(root));
        QVERIFY(!QFileInfo::exists(root + QStringLiteral("/a")));
        QVERIFY(!QFileInfo::exists(root + QStringLiteral("/.hidden")));
        QVERIFY(!QFileInfo(root + QStringLiteral("/dangling")).isSymLink());
        QVERIFY(QFileInfo::exists(root + QStringLiteral("/k/d/file")));
        QVERIFY(QFileInfo(root + QStringLiteral("/k/loop")).isSymLink());
    }

    void outcomeText_data()
    {
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("incomplete");
        QTest::addColumn<int>("unreadable");
        QTest::addColumn<int>("notWritten");
        QTest::addColumn<int>("unreadableFiles");
        QTest::addColumn<QString>("text");
        QTest::newRow("all-well") << 3 << 0 << 0 << 0 << 0
                                  << "\nFile saved successfully at location /d/T\n3 message(s) were saved.";
        QTest::newRow("some-skipped") << 3 << 0 << 1 << 0 << 0
                                      << "\nFile saved at location /d/T, with problems.\n"
                                         "3 of 4 message(s) were saved.\n"
                                         "1 message(s) could not be read and were skipped.";
        QTest::newRow("nothing-written") << 0 << 0 << 0 << 2 << 0
                                         << "\nNothing was saved at location /d/T.\n"
                                            "0 of 2 message(s) were saved.\n2 message(s) could not be written.";
        QTest::newRow("empty-save") << 0 << 0 << 0 << 0 << 0 << "\nNothing was saved at location /d/T.";
        QTest::newRow("every-kind-of-problem")
            << 4 << 1 << 2 << 3 << 1
            << "\nFile saved at location /d/T, with problems.\n4 of 9 message(s) were saved.\n"
               "1 message(s) could not be read whole and were saved incompletely.\n"
               "2 message(s) could not be read and were skipped.\n3 message(s) could not be written.\n"
               "1 file(s) could not be read.";
        QTest::newRow("account-list-unreadable") << 2 << 0 << 0 << 0 << 1
                                                 << "\nFile saved at location /d/T, with problems.\n"
                                                    "2 of 2 message(s) were saved.\n1 file(s) could not be read.";
    }

    void outcomeText()
    {
        QFETCH(int, written);
        QFETCH(int, incomplete);
        QFETCH(int, unreadable);
        QFETCH(int, notWritten);
        QFETCH(int, unreadableFiles);
        QFETCH(QString, text);
        SaveOutcome outcome;
        outcome.written = written;
        outcome.incomplete = incomplete;
        outcome.unreadable = unreadable;
        outcome.notWritten = notWritten;
        outcome.unreadableFiles = unreadableFiles;
        QCOMPARE(saveOutcomeText(QStringLiteral("/d/T"), outcome), text);
    }
};

QTEST_MAIN(TestSaveRules)
#include "tst_saverules.moc"
