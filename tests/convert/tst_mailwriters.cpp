// The message writers on real files: record bytes per writer, the piece
// runs of the mbox family, the registered-path gate, the bundle skeleton and
// a short write cut back.

#include "app/appglobals.h"
#include "convert/bundleskeleton.h"
#include "convert/convertglobals.h"
#include "convert/mailsaving.h"
#include "platform/finderinfo.h"
#include "scan/foldermodel.h"
#include "scan/scanglobals.h"
#include "support/globalsreset.h"
#include "support/outputcapture.h"
#include "support/testfiles.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>

namespace {

using testfiles::readAll;
using testfiles::filesBelow;

// Bytes as readable text: line ends and NULs made visible.
QString visible(const QByteArray &bytes)
{
    QString text = QString::fromLatin1(bytes);
    text.replace(QLatin1Char('\r'), QLatin1String("\\r")).replace(QLatin1Char('\n'), QLatin1String("\\n\n"));
    return text.replace(QChar(0), QLatin1String("\\0"));
}

// A message with a "From " line, a "From : " inside a line, CR LF, UTF-8,
// lone 8-bit bytes and a NUL.
const QByteArray kText("Subject: x\r\n\r\nFrom the desk\nSeen From : here\n\xc3\xa9 \xe9 \xe2\x82\xac \x80 a\0b\n", 60);
const QByteArray kTextNoFinalLineFeed("no final line feed");

// Sets the file-size limit of the process for the life of the object.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_saved); }

private:
    rlimit m_saved{};
};

} // namespace

class TestMailWriters : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { resetAllGlobalsForTest(); }

    void quoting_data();
    void quoting();
    void messageRecords_data();
    void messageRecords();
    void mboxPieces_data();
    void mboxPieces();
    void savedFilesLogOnlyWhenAsked_data();
    void savedFilesLogOnlyWhenAsked();
    void independentReaderSplitsEveryMessage();
    void unregisteredSourceWritesNothing();
    void hostileFolderPathStaysInTree();
    void skeletonFiles();
    void shortWriteIsCutBack();

private:
    QString src() const { return m_dir->path() + QLatin1String("/src"); }
    QString out() const { return m_dir->path() + QLatin1String("/out"); }
    QString registered(const QString &relative)
    {
        const QString path = src() + relative;
        foldermodel::registerTreePath(path);
        return path;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestMailWriters::init()
{
    resetAllGlobalsForTest();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir().mkpath(out()));
    m_selectedFile = src();
    saveDir = out();
}

void TestMailWriters::quoting_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("lines");      // quotedFromLines
    QTest::addColumn<QByteArray>("operaBundle"); // quotedFromLines(quotedFromColon())

    QTest::newRow("from-line-first-and-inner") << QByteArray("From a\nx\nFrom b\n") << QByteArray(">From a\nx\n>From b\n")
                                               << QByteArray(">From a\nx\n>From b\n");
    QTest::newRow("from-mid-line-and-other-cases-untouched")
        << QByteArray("a From b\nfrom c\nFrom:d\n>From e\n") << QByteArray("a From b\nfrom c\nFrom:d\n>From e\n")
        << QByteArray("a From b\nfrom c\nFrom:d\n>From e\n");
    QTest::newRow("cr-lf-lines") << QByteArray("x\r\nFrom y\r\n") << QByteArray("x\r\n>From y\r\n")
                                 << QByteArray("x\r\n>From y\r\n");
    QTest::newRow("colon-mid-line-opera-bundle-only")
        << QByteArray("Seen From : the desk\n") << QByteArray("Seen From : the desk\n")
        << QByteArray("Seen >From : the desk\n");
    QTest::newRow("colon-at-line-start-quoted-once")
        << QByteArray("From : x\n") << QByteArray(">From : x\n") << QByteArray(">From : x\n");
    QTest::newRow("colon-line-quoted-before-not-doubled")
        << QByteArray(">From : x\nFrom : From : y") << QByteArray(">From : x\n>From : From : y")
        << QByteArray(">From : x\n>From : >From : y");
}

void TestMailWriters::quoting()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, lines);
    QFETCH(QByteArray, operaBundle);

    QCOMPARE(mboxrecord::quotedFromLines(text), lines);
    QCOMPARE(mboxrecord::quotedFromLines(mboxrecord::quotedFromColon(text)), operaBundle);
    // The reading rules may have quoted "From " lines already.
    QCOMPARE(mboxrecord::quotedFromLines(mboxrecord::quotedFromColon(lines)), operaBundle);
}

void TestMailWriters::messageRecords_data()
{
    QTest::addColumn<QString>("writer");
    QTest::addColumn<QString>("tree");
    QTest::addColumn<QByteArray>("separator");
    QTest::addColumn<QByteArray>("firstText"); // kText as the writer writes it
    QTest::addColumn<quint32>("type");

    const QByteArray lineQuoted("Subject: x\r\n\r\n>From the desk\nSeen From : here\n\xc3\xa9 \xe9 \xe2\x82\xac \x80 a\0b\n", 61);
    const QByteArray bothQuoted("Subject: x\r\n\r\n>From the desk\nSeen >From : here\n\xc3\xa9 \xe9 \xe2\x82\xac \x80 a\0b\n", 62);
    const quint32 mbox = platform::kFourCharMBOX;
    const QString rge = QStringLiteral("Main Identity.rge");
    const QString apple = QStringLiteral("Main Identity.mbox");
    QTest::newRow("emlx-to-bundle") << "emlx" << rge << QByteArray("From - &&&&&@@@####") << kText << mbox;
    QTest::newRow("mailmate-to-bundle") << "mailmate" << rge << QByteArray("From ???@???") << lineQuoted << mbox;
    QTest::newRow("mailmate-to-apple") << "mailmate-apple" << apple << QByteArray("From - Wed Nov 12 14:38:04 2014")
                                       << lineQuoted << quint32(0);
    QTest::newRow("outspring-to-bundle") << "outspring" << rge << QByteArray("From ???@???") << kText << mbox;
    QTest::newRow("outspring-to-apple") << "outspring-apple" << apple
                                        << QByteArray("From - Wed Nov 12 14:38:04 2014") << kText << quint32(0);
    QTest::newRow("opera-to-bundle") << "opera" << rge << QByteArray("From ???@??? Fri Dec 19 10:37:38 2014")
                                     << bothQuoted << mbox;
    QTest::newRow("opera-to-apple") << "opera-apple" << apple << QByteArray("From - Wed Nov 12 14:38:04 2014")
                                    << lineQuoted << quint32(0);
}

void TestMailWriters::messageRecords()
{
    QFETCH(QString, writer);
    QFETCH(QString, tree);
    QFETCH(QByteArray, separator);
    QFETCH(QByteArray, firstText);
    QFETCH(quint32, type);

    QMailSaving saving;
    const QString bundle = out() + QLatin1String("/Main Identity.rge");
    // Every source below is laid out so that its mailbox is "Box".
    auto write = [&](const QByteArray &text) {
        if (writer == QLatin1String("emlx"))
            return saving.writeMail(text, bundle, registered(QStringLiteral("/Box.mbox/Messages/1.emlx")));
        if (writer == QLatin1String("mailmate"))
            return saving.writeMailForMailMate(text, bundle, registered(QStringLiteral("/Box.mailbox/Messages/1.eml")));
        if (writer == QLatin1String("mailmate-apple"))
            return saving.writeMailForMailMateAppleMail(text, registered(QStringLiteral("/Box.mailbox/Messages/1.eml")));
        if (writer == QLatin1String("outspring"))
            return saving.writeMailForOutSpring(text, bundle, registered(QStringLiteral("/Box/1.eml")));
        if (writer == QLatin1String("outspring-apple"))
            return saving.writeMailForOutSpringAppleMail(text, registered(QStringLiteral("/Box/1.eml")));
        if (writer == QLatin1String("opera"))
            return saving.writeMailForOperaMailOutlook(text, bundle, QStringLiteral("/Box"),
                                                       registered(QStringLiteral("/1.mbs")));
        return saving.writeMailForOperaAppleMail(text, QStringLiteral("/Box"), registered(QStringLiteral("/1.mbs")));
    };

    QVERIFY(write(kText));
    QVERIFY(FileSavingIdentification);
    QVERIFY(write(kTextNoFinalLineFeed));
    QVERIFY(write(QByteArray()));
    QVERIFY(saving.closeWriterOutput());

    const QString file = out() + QLatin1Char('/') + tree + QLatin1String("/Mail/Box/Box.mbox");
    QCOMPARE(filesBelow(out()), QStringList{tree + QLatin1String("/Mail/Box/Box.mbox")});
    const QByteArray expected = separator + '\n' + firstText + '\n' + separator + '\n' + kTextNoFinalLineFeed
        + "\n\n" + separator + "\n\n";
    QCOMPARE(visible(readAll(file)), visible(expected));

    quint32 gotType = 1, gotCreator = 0;
    if (platform::finderInfo(file, &gotType, &gotCreator)) {
        QCOMPARE(gotType, type);
        QCOMPARE(gotCreator, platform::kFourCharOPIM);
    }
}

void TestMailWriters::mboxPieces_data()
{
    QTest::addColumn<bool>("toBundle");
    QTest::addColumn<QString>("expectedFile");

    QTest::newRow("apple-tree") << false << "Main Identity.mbox/Mail/Local Folders/Inbox/Inbox.mbox";
    QTest::newRow("bundle") << true << "Main Identity.rge/Mail/Local Folders/Inbox/Inbox.mbox";
}

void TestMailWriters::mboxPieces()
{
    QFETCH(bool, toBundle);
    QFETCH(QString, expectedFile);

    QMailSaving saving;
    auto write = [&](const QByteArray &piece, bool endOfFile) {
        return toBundle ? saving.writeMailForPostBoxOutlook(piece, endOfFile)
                        : saving.writeMailForPostBoxAppleMail(piece, endOfFile);
    };
    // Two source files of one mailbox path in two saves' worth of pieces.
    GetAllFilePathInStrList = registered(QStringLiteral("/Mail/Local Folders/Inbox"));
    QVERIFY(write(QByteArray("From a@b Mon\nSubject: \xe9\n\nbody"), false));
    QVERIFY(write(QByteArray(" continued\n>From quoted\n"), false));
    QVERIFY(write(QByteArray(), true));
    QVERIFY(write(QByteArray("From c@d Tue\n\nno final line feed"), true));
    QVERIFY(saving.closeWriterOutput());

    QCOMPARE(visible(readAll(out() + QLatin1Char('/') + expectedFile)),
             visible("From a@b Mon\nSubject: \xe9\n\nbody continued\n>From quoted\n\n"
                     "From c@d Tue\n\nno final line feed\n"));
    QStringList expectedFiles{expectedFile};
    if (toBundle) {
        expectedFiles << QStringLiteral("Main Identity.rge/Archive.xml")
                      << QStringLiteral("Main Identity.rge/Contents/Info.plist")
                      << QStringLiteral("Main Identity.rge/Contents/PkgInfo");
        expectedFiles.sort();
        QCOMPARE(readAll(out() + QLatin1String("/Main Identity.rge/Contents/PkgInfo")), QByteArray("rge OPIM"));
    }
    QCOMPARE(filesBelow(out()), expectedFiles);
}

void TestMailWriters::savedFilesLogOnlyWhenAsked_data()
{
    QTest::addColumn<bool>("turnedOn");
    QTest::addColumn<QStringList>("lines"); // %1 stands for the saved file

    QTest::newRow("quiet-by-default") << false << QStringList();
    QTest::newRow("line-per-saved-file-when-turned-on") << true << QStringList{QStringLiteral("tmpEmlFileName - %1")};
}

void TestMailWriters::savedFilesLogOnlyWhenAsked()
{
    QFETCH(bool, turnedOn);
    QFETCH(QStringList, lines);
    QMailSaving saving;
    GetAllFilePathInStrList = registered(QStringLiteral("/Mail/Inbox"));
    bool written = false;
    const CapturedOutput output = captureOutput("converter.save.files", turnedOn, [&] {
        written = saving.writeMailForPostBoxAppleMail(kText, true) && saving.closeWriterOutput();
    });

    QVERIFY(written);
    QCOMPARE(QString::fromUtf8(output.standardOutput), QString());
    QCOMPARE(output.debugLines, lines.replaceInStrings(QStringLiteral("%1"), GetAllFilePathInStrList));
}

// Reads mbox files with Python's mailbox and email modules and prints, per
// message, the file's number, its Message-ID and its raw bytes in hex.
static const char kSplitScript[] = R"(
import email, mailbox, sys
for number, path in enumerate(sys.argv[1:]):
    box = mailbox.mbox(path, create=False)
    for key in box.keys():
        raw = box.get_bytes(key)
        print(number, email.message_from_bytes(raw)['Message-ID'], raw.hex())
)";

void TestMailWriters::independentReaderSplitsEveryMessage()
{
    const QList<QByteArray> messages{
        QByteArray("Message-ID: <1@x>\r\nSubject: a\r\n\r\nFrom the top\r\nline\r\n"),
        QByteArray("Message-ID: <2@x>\n\nFrom : colon\n\xe9\xc3\xa9 a\0b\nFrom me\nno final line feed", 66),
        QByteArray("Message-ID: <3@x>\n\nFrom me\n"),
    };
    // Each writer into a tree of its own; the emlx and Outspring drivers
    // quote "From " lines themselves, the other writers do it.
    const QStringList writers{QStringLiteral("emlx"), QStringLiteral("mailmate"), QStringLiteral("mailmate-apple"),
                              QStringLiteral("outspring"), QStringLiteral("outspring-apple"), QStringLiteral("opera"),
                              QStringLiteral("opera-apple")};
    QStringList files;
    for (const QString &writer : writers) {
        saveDir = out() + QLatin1Char('/') + writer;
        QMailSaving saving;
        const QString bundle = saveDir + QLatin1String("/Main Identity.rge");
        const bool driverQuotes = writer.startsWith(QLatin1String("emlx")) || writer.startsWith(QLatin1String("outspring"));
        for (const QByteArray &message : messages) {
            const QByteArray text = driverQuotes ? mboxrecord::quotedFromLines(message) : message;
            bool written = false;
            if (writer == QLatin1String("emlx"))
                written = saving.writeMail(text, bundle, registered(QStringLiteral("/Box.mbox/Messages/1.emlx")));
            else if (writer == QLatin1String("mailmate"))
                written = saving.writeMailForMailMate(text, bundle, registered(QStringLiteral("/Box.mailbox/1.eml")));
            else if (writer == QLatin1String("mailmate-apple"))
                written = saving.writeMailForMailMateAppleMail(text, registered(QStringLiteral("/Box.mailbox/1.eml")));
            else if (writer == QLatin1String("outspring"))
                written = saving.writeMailForOutSpring(text, bundle, registered(QStringLiteral("/Box/1.eml")));
            else if (writer == QLatin1String("outspring-apple"))
                written = saving.writeMailForOutSpringAppleMail(text, registered(QStringLiteral("/Box/1.eml")));
            else if (writer == QLatin1String("opera"))
                written = saving.writeMailForOperaMailOutlook(text, bundle, QStringLiteral("/Box"),
                                                              registered(QStringLiteral("/1.mbs")));
            else
                written = saving.writeMailForOperaAppleMail(text, QStringLiteral("/Box"),
                                                            registered(QStringLiteral("/1.mbs")));
            QVERIFY2(written, qPrintable(writer));
        }
        QVERIFY(saving.closeWriterOutput());
        const QString tree = writer.endsWith(QLatin1String("apple")) ? QStringLiteral("/Main Identity.mbox")
                                                                     : QStringLiteral("/Main Identity.rge");
        files << saveDir + tree + QLatin1String("/Mail/Box/Box.mbox");
    }

    QProcess python;
    python.start(QStringLiteral("python3"), QStringList{QStringLiteral("-c"), QString::fromLatin1(kSplitScript)} + files);
    QVERIFY(python.waitForFinished(60000));
    QCOMPARE(QString::fromUtf8(python.readAllStandardError()), QString());

    QStringList got, expected;
    const QList<QByteArray> lines = python.readAllStandardOutput().trimmed().split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.split(' ');
        // Every body byte arrives; only "From " line starts carry a ">".
        QByteArray raw = QByteArray::fromHex(fields.value(2));
        raw.replace("\n>From ", "\nFrom ");
        got << writers.value(fields.value(0).toInt()) + QLatin1Char(' ') + QString::fromLatin1(fields.value(1))
                + QLatin1Char(' ') + QString::fromLatin1(raw.toHex());
    }
    for (const QString &writer : writers) {
        for (int i = 0; i < messages.size(); ++i) {
            const QByteArray body = messages.at(i).endsWith('\n') ? messages.at(i) : messages.at(i) + '\n';
            expected << writer + QStringLiteral(" <%1@x> ").arg(i + 1) + QString::fromLatin1(body.toHex());
        }
    }
    QCOMPARE(got, expected);
}

void TestMailWriters::unregisteredSourceWritesNothing()
{
    QMailSaving saving;
    registered(QStringLiteral("/Box/1.eml"));
    const QString bundle = out() + QLatin1String("/Main Identity.rge");
    QVERIFY(!saving.writeMailForOutSpring(kText, bundle, src() + QLatin1String("/Box/2.eml")));
    QVERIFY(!saving.writeMailForOutSpring(kText, bundle, src() + QLatin1String("/box/1.eml")));
    GetAllFilePathInStrList = src() + QLatin1String("/Mail/Inbox");
    QVERIFY(!saving.writeMailForPostBoxOutlook(kText, true));
    QVERIFY(!saving.writeMailForOperaAppleMail(kText, QStringLiteral("/Box"), src() + QLatin1String("/2.mbs")));
    QVERIFY(!FileSavingIdentification);
    QCOMPARE(QDir(out()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

void TestMailWriters::hostileFolderPathStaysInTree()
{
    QMailSaving saving;
    const QString source = registered(QStringLiteral("/1.mbs"));
    QVERIFY(saving.writeMailForOperaAppleMail(kText, QStringLiteral("/../../../x"), source));
    QVERIFY(saving.writeMailForOperaAppleMail(kText, QStringLiteral("/$(touch PWNED)/x;touch PWNED"), source));
    QVERIFY(saving.closeWriterOutput());
    QCOMPARE(filesBelow(m_dir->path()),
             (QStringList{QStringLiteral("out/Main Identity.mbox/Mail/$(touch PWNED)/x;touch PWNED/x;touch PWNED.mbox"),
                          QStringLiteral("out/Main Identity.mbox/Mail/%2E%2E/%2E%2E/%2E%2E/x/x.mbox")}));
}

void TestMailWriters::skeletonFiles()
{
    const QString bundle = out() + QLatin1String("/Main Identity.rge");
    QVERIFY(QDir().mkpath(bundle));

    // Without "Contents" only Archive.xml can be written.
    QVERIFY(!bundleskeleton::writeIdentitySkeleton(bundle));
    QCOMPARE(filesBelow(bundle), QStringList{QStringLiteral("Archive.xml")});

    QVERIFY(QDir().mkpath(bundle + QLatin1String("/Contents")));
    QFile stale(bundle + QLatin1String("/Contents/PkgInfo"));
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.write("half");
    stale.close();

    QMailSaving saving;
    saving.CreateFilesInMainIdentity(bundle);
    saving.CreateFilesInMainIdentity(bundle + QLatin1Char('/'));
    QCOMPARE(readAll(bundle + QLatin1String("/Contents/PkgInfo")), QByteArray("rge OPIM"));
    const QByteArray plist = readAll(bundle + QLatin1String("/Contents/Info.plist"));
    const QByteArray archive = readAll(bundle + QLatin1String("/Archive.xml"));
    QCOMPARE(plist.size(), 433);
    QCOMPARE(archive.size(), 278);
    QCOMPARE(plist.count('\n'), 14);
    QCOMPARE(archive.count('\n'), 10);
    QCOMPARE(plist.left(180), archive.left(180));
    QVERIFY(plist.contains("\t<key>CFBundleInfoDictionaryVersion</key>\n\t<string>6.0</string>\n"));
    QVERIFY(plist.contains("\t<string>rge </string>\n"));
    QVERIFY(archive.endsWith("\t<key>Version</key>\n\t<integer>1</integer>\n</dict>\n</plist>\n"));
    QCOMPARE(archive.split('\n').at(1).size(), 111);
}

void TestMailWriters::shortWriteIsCutBack()
{
    QMailSaving saving;
    const QString bundle = out() + QLatin1String("/Main Identity.rge");
    const QString source = registered(QStringLiteral("/Box/1.eml"));
    QVERIFY(saving.writeMailForOutSpring("first\n", bundle, source));
    const QString file = bundle + QLatin1String("/Mail/Box/Box.mbox");
    const QByteArray first = readAll(file);
    QCOMPARE(first, QByteArray("From ???@???\nfirst\n\n"));
    {
        FileSizeLimit limit(rlim_t(first.size() + 30));
        QVERIFY(!saving.writeMailForOutSpring(QByteArray(100, 'x'), bundle, source));
    }
    QCOMPARE(readAll(file), first);
    QVERIFY(saving.writeMailForOutSpring("third\n", bundle, source));
    QCOMPARE(readAll(file), first + "From ???@???\nthird\n\n");

    // The pieces of one mbox source file are one record.
    GetAllFilePathInStrList = registered(QStringLiteral("/Mail/Inbox"));
    const QString mboxFile = bundle + QLatin1String("/Mail/Inbox/Inbox.mbox");
    QVERIFY(saving.writeMailForPostBoxOutlook("From a\nfirst piece\n", false));
    {
        FileSizeLimit limit(rlim_t(40));
        QVERIFY(!saving.writeMailForPostBoxOutlook(QByteArray(100, 'y'), false));
    }
    QVERIFY(!saving.writeMailForPostBoxOutlook("last piece\n", true));
    QCOMPARE(readAll(mboxFile), QByteArray());
    QVERIFY(saving.writeMailForPostBoxOutlook("From b\nnext file\n", true));
    QCOMPARE(readAll(mboxFile), QByteArray("From b\nnext file\n\n"));
}

QTEST_GUILESS_MAIN(TestMailWriters)
#include "tst_mailwriters.moc"
