// The walk of backup files built byte by byte: what it hands on for each
// kind of entry and element, hostile inputs that must end with every range
// inside the file, the fast walk equal to the one-byte reference walk, and
// whole scans through the scanning thread with their signals and records.

#include "app/appglobals.h"
#include "olm/mailmlrc.h"
#include "olm/olmpreview.h"
#include "olm/olmscan.h"
#include "olm/olmsource.h"
#include "olm/olmwalker.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"
#include "support/globalsreset.h"
#include "support/olmfixture.h"
#include "support/outputcapture.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace olmfixture;

namespace {

// Every hand-over of a walk as one line; checks that ranges lie in the file.
class RecordingSink : public olm::WalkSink
{
public:
    explicit RecordingSink(qint64 size) : m_size(size) {}
    void attachmentEntry(const QString &name, qint64 offset, qint64 size) override
    {
        insideFile = insideFile && offset >= 0 && size >= 0 && offset <= m_size && size <= m_size - offset;
        log.append(QStringLiteral("attach %1 %2+%3").arg(name).arg(offset).arg(size));
    }
    void payload(const QString &folderPath, const QByteArray &bytes, qint64 offset, qint64 endOffset) override
    {
        insideFile = insideFile && offset >= 0 && endOffset <= m_size && endOffset - offset == bytes.size();
        log.append(QStringLiteral("payload '%1' %2-%3").arg(folderPath).arg(offset).arg(endOffset));
    }
    void emptyEntry(const QString &name, qint64 offset) override
    {
        insideFile = insideFile && offset >= 0 && offset <= m_size;
        log.append(QStringLiteral("empty %1 %2").arg(name).arg(offset));
    }
    void unreadableEntry(const QString &name, bool isAttachment) override
    {
        log.append(QStringLiteral("unreadable %1 %2").arg(name, isAttachment ? QStringLiteral("attachment") : QStringLiteral("message")));
    }
    void diagnostic(const QByteArray &line) override { log.append(QString::fromUtf8(line)); }

    QStringList log;
    bool insideFile = true;

private:
    qint64 m_size;
};

QStringList walk(const QByteArray &bytes, olm::WalkMode mode, bool *insideFile = nullptr, qint64 window = 0)
{
    std::atomic<bool> stop{false};
    olm::MemorySource source(bytes);
    RecordingSink sink(bytes.size());
    olm::walkOlm(source, sink, stop, mode, window);
    if (insideFile)
        *insideFile = sink.insideFile;
    return sink.log;
}

QString payloadLine(const QString &folder, qint64 offset, const QByteArray &bytes)
{
    return QStringLiteral("payload '%1' %2-%3").arg(folder).arg(offset).arg(offset + bytes.size());
}

QString attachLine(const QByteArray &name, qint64 offset, const QByteArray &data)
{
    return QStringLiteral("attach %1 %2+%3").arg(QString::fromUtf8(name)).arg(offset).arg(data.size());
}

// The two lines of an entry told as unreadable: its diagnostic and its report.
QStringList toldLines(const QString &diagnostic, const QString &name, bool isAttachment)
{
    return {diagnostic + name,
            QStringLiteral("unreadable %1 %2").arg(name, isAttachment ? QStringLiteral("attachment") : QStringLiteral("message"))};
}

} // namespace

class TestOlmWalker : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetAllGlobalsForTest(); }
    void cleanup() { resetAllGlobalsForTest(); }

    void handsOnEntriesAndElements_data();
    void handsOnEntriesAndElements();
    void hostileInputsEndInsideTheFile_data();
    void hostileInputsEndInsideTheFile();
    void walksAlikeAtEveryWindowSize_data();
    void walksAlikeAtEveryWindowSize();
    void cutsFolderPathsOfEntryNames_data();
    void cutsFolderPathsOfEntryNames();
    void scansABackupIntoRecordsAndFolders();
    void endsEveryScanWithItsSignals_data();
    void endsEveryScanWithItsSignals();
    void readsAMessageBeyondTwoGigabytes();
    void keepsTheWalkOrderAcrossBatches();
    void keepsEntriesAfterADamagedLength_data();
    void keepsEntriesAfterADamagedLength();
    void boundsWhatDamagedHeadersTell_data();
    void boundsWhatDamagedHeadersTell();
};

void TestOlmWalker::handsOnEntriesAndElements_data()
{
    QTest::addColumn<QByteArray>("archive");
    QTest::addColumn<QStringList>("expected");

    const QByteArray payload = emails({simpleMessage("s", "body")});
    {
        Archive a;
        const qint64 at = a.streamed("s.xml", payload);
        QTest::newRow("streamed-emails-element") << a.bytes << QStringList{payloadLine(QString(), at, payload)};
    }
    {
        Archive a;
        const qint64 empty = a.streamed("empty", QByteArray());
        const qint64 at = a.sized("Local/att/one", "12345");
        QTest::newRow("streamed-entry-then-local-header")
            << a.bytes << QStringList{QStringLiteral("empty empty %1").arg(empty), attachLine("Local/att/one", at, "12345")};
    }
    {
        Archive a;
        const qint64 at = a.streamed("s.xml", "<emails>no blank " + payload);
        QTest::newRow("opening-tag-without-blank-is-crawled")
            << a.bytes << QStringList{payloadLine(QString(), at + 17, payload)};
    }
    {
        // Its data cannot be told from what follows: told when the crawl
        // meets the next header.
        Archive a;
        a.streamed("Local/att/s", "plain data <notes x></notes>");
        const qint64 at = a.sized("Local/att/one", "12345");
        QTest::newRow("streamed-attachment-told-at-next-header")
            << a.bytes
            << toldLines(QStringLiteral("Skipped streamed entry "), QStringLiteral("Local/att/s"), true)
                   + QStringList{attachLine("Local/att/one", at, "12345")};
    }
    {
        Archive a;
        const qint64 at = a.streamed("n.xml", "<notes a=\"1\"><emails x></emails></notes>" + payload);
        QTest::newRow("notes-element-passed-over") << a.bytes
                                                   << QStringList{payloadLine(QString(), at + 40, payload)};
    }
    {
        Archive a;
        a.sized("Local/Contacts.xml/x__message_attachment__.xml", payload);
        a.sized("Local/Notes.xml", "n");
        QTest::newRow("skipped-entry-names") << a.bytes << QStringList();
    }
    {
        Archive a;
        const qint64 first = a.sized("Local/a/x__message_attachment__", "no xml");
        const qint64 second = a.sized("Local/a/plain.bin", "");
        const qint64 message = a.sized("Local/A/F1/F2/m__message_attachment__.xml", payload);
        QTest::newRow("attachment-and-message-entries")
            << a.bytes
            << QStringList{attachLine("Local/a/x__message_attachment__", first, "no xml"),
                           attachLine("Local/a/plain.bin", second, ""), payloadLine(QStringLiteral("F1/F2"), message, payload)};
    }
    {
        QByteArray bytes = centralHeader("a") + centralHeader("b") + centralHeader("c") + payload;
        QTest::newRow("three-central-headers-end-the-walk") << bytes << QStringList();
    }
    {
        Archive a;
        a.bytes = centralHeader("a") + centralHeader("b");
        const qint64 empty = a.streamed("e", QByteArray());
        a.bytes += centralHeader("c");
        const qint64 at = a.bytes.size();
        a.bytes += payload;
        QTest::newRow("local-header-restarts-the-count")
            << a.bytes << QStringList{QStringLiteral("empty e %1").arg(empty), payloadLine(QString(), at, payload)};
    }
    {
        Archive a;
        a.sized("Local/Mail/m__message_attachment__.xml", payload, 8);
        a.centralDirectory();
        QTest::newRow("compressed-entry-skipped")
            << a.bytes << QStringList{QStringLiteral("Skipped compressed entry Local/Mail/m__message_attachment__.xml"),
                                      QStringLiteral("unreadable Local/Mail/m__message_attachment__.xml message")};
    }
    {
        Archive a;
        a.sized("Local/att/x", "compressed", 8);
        const qint64 at = a.sized("Local/att/y", "stored");
        QTest::newRow("compressed-attachment-entry-told")
            << a.bytes << QStringList{QStringLiteral("Skipped compressed entry Local/att/x"),
                                      QStringLiteral("unreadable Local/att/x attachment"), attachLine("Local/att/y", at, "stored")};
    }
    {
        Archive a;
        const qint64 first = a.sized("Local/att/x", "abc");
        a.bytes += le(0x08074b50, 4) + QByteArray(12, '\0');
        const qint64 second = a.sized("Local/att/y", "de");
        QTest::newRow("entry-followed-by-data-descriptor")
            << a.bytes << QStringList{attachLine("Local/att/x", first, "abc"), attachLine("Local/att/y", second, "de")};
    }
    {
        // The damaged entry's own element is found by the crawl, without
        // its folder; the entry after it is read as it stands.
        Archive a;
        const qint64 header = a.bytes.size();
        const qint64 at = a.sized("Local/Mail/F/m__message_attachment__.xml", payload);
        const qint64 next = a.sized("Local/att/y", "after");
        setHeaderLength(a.bytes, header, kExtraLengthField, 21);
        QTest::newRow("extra-length-one-too-many")
            << a.bytes
            << toldLines(QStringLiteral("Skipped damaged entry at byte 0 "),
                         QStringLiteral("Local/Mail/F/m__message_attachment__.xml"), false)
                   + QStringList{payloadLine(QString(), at, payload), attachLine("Local/att/y", next, "after")};
    }
    {
        Archive a;
        const qint64 at = a.streamed("s.xml", payload);
        const qint64 next = a.sized("Local/att/y", "after");
        setHeaderLength(a.bytes, 0, kNameLengthField, 5 + 40);
        // Its data start moves into the element, which the crawl finds.
        QTest::newRow("streamed-name-length-too-long")
            << a.bytes << QStringList{payloadLine(QString(), at, payload), attachLine("Local/att/y", next, "after")};
    }
    {
        QByteArray bytes = localHeader("Local/att/x", 7, 3, 3, QByteArray());
        const qint64 at = bytes.size();
        bytes += "abc";
        QTest::newRow("32-bit-sizes-without-zip64-block") << bytes << QStringList{attachLine("Local/att/x", at, "abc")};
    }
    {
        QByteArray bytes = localHeader("Local/att/x", 7, 3, 3, le(0x5455, 2) + le(4, 2) + "time" + zip64Block(2, 2));
        const qint64 at = bytes.size();
        bytes += "ab";
        QTest::newRow("zip64-block-after-another-block") << bytes << QStringList{attachLine("Local/att/x", at, "ab")};
    }
    {
        Archive a;
        const qint64 account = a.sized("Accounts/A/B/F1/m__message_attachment__.xml", payload);
        const qint64 empty = a.sized("Local//x/m__message_attachment__.xml", payload);
        const qint64 accented = a.sized("Local/Mail/Caf\xc3\xa9/m__message_attachment__.xml", payload);
        const qint64 other = a.sized("Other/A/m__message_attachment__.xml", payload);
        const qint64 attachment = a.sized("Local/Caf\xc3\xa9.bin", "x");
        a.sized("Local/a/Tasks.xml/b", "x");
        const qint64 nameless = a.sized("", "y");
        QTest::newRow("entry-names-ascii-and-not")
            << a.bytes
            << QStringList{payloadLine(QStringLiteral("F1"), account, payload), payloadLine(QStringLiteral("x"), empty, payload),
                           payloadLine(QStringLiteral("Caf\u00e9"), accented, payload), payloadLine(QString(), other, payload),
                           QStringLiteral("attach Local/Caf\u00e9.bin %1+1").arg(attachment),
                           QStringLiteral("attach  %1+1").arg(nameless)};
    }
    {
        const QByteArray bytes = "xx<emails a=\"1\"><email>open";
        QTest::newRow("unclosed-element-ends-at-end-of-file")
            << bytes << QStringList{payloadLine(QString(), 2, bytes.mid(2))};
    }
}

void TestOlmWalker::handsOnEntriesAndElements()
{
    QFETCH(QByteArray, archive);
    QFETCH(QStringList, expected);
    QCOMPARE(walk(archive, olm::WalkMode::Fast), expected);
    QCOMPARE(walk(archive, olm::WalkMode::Reference), expected);
}

void TestOlmWalker::hostileInputsEndInsideTheFile_data()
{
    QTest::addColumn<QByteArray>("archive");
    // Each damaged entry is told: a diagnostic and a report.
    QTest::addColumn<int>("handOvers");

    const QByteArray data(64, 'd');
    const QByteArray name = "Local/att/x";
    const auto withExtra = [&](const QByteArray &extra, quint32 size32) {
        return localHeader(name, 7, size32, size32, extra) + data;
    };
    QTest::newRow("size-2^63") << withExtra(zip64Block(quint64(1) << 63, quint64(1) << 63), 0xFFFFFFFF) << 2;
    QTest::newRow("size-minus-1") << withExtra(zip64Block(~quint64(0), ~quint64(0)), 0xFFFFFFFF) << 2;
    QTest::newRow("size-past-the-end") << withExtra(zip64Block(65, 65), 0xFFFFFFFF) << 2;
    QTest::newRow("sizes-that-disagree") << withExtra(zip64Block(10, 12), 0xFFFFFFFF) << 2;
    QTest::newRow("huge-name-length") << localHeader(name, 7, 1, 1, QByteArray(), 0, 0xFFFF) + data << 2;
    QTest::newRow("extra-length-0-with-size-marker") << withExtra(QByteArray(), 0xFFFFFFFF) << 2;
    QTest::newRow("extra-length-19") << withExtra(zip64Block(4, 4).left(19), 0xFFFFFFFF) << 2;
    QTest::newRow("extra-length-40")
        << localHeader(name, 7, 0xFFFFFFFF, 0xFFFFFFFF, zip64Block(4, 4) + zip64Block(5, 5)) + data.left(4) << 1;
    QTest::newRow("truncated-header") << localHeader(name, 7, 1, 1, QByteArray()).left(20) << 2;
    QTest::newRow("unclosed-element") << QByteArray("<emails <emails <notes ") << 1;
    QTest::newRow("signature-bytes-only") << QByteArray("PK\3\4PK\1\2PK\1\2PK") << 2;
    // What is told of a run of damaged headers: each one, and a line for
    // each of the first 100 and one for the rest.
    QTest::newRow("signatures-back-to-back") << damagedHeaders(false, 4096) << 4096 + 101;
    QTest::newRow("headers-claiming-long-names") << damagedHeaders(true, 2048) << 2048 + 101;
    // Every prefix of a whole backup is walked in the test below.
    QTest::newRow("prefixes-of-a-backup") << sampleArchive() << -1;
}

void TestOlmWalker::hostileInputsEndInsideTheFile()
{
    QFETCH(QByteArray, archive);
    QFETCH(int, handOvers);
    const int first = handOvers < 0 ? 0 : archive.size();
    for (int length = first; length <= archive.size(); ++length) {
        const QByteArray bytes = archive.left(length);
        bool fastInside = false;
        bool referenceInside = false;
        const QStringList fast = walk(bytes, olm::WalkMode::Fast, &fastInside);
        QCOMPARE(walk(bytes, olm::WalkMode::Reference, &referenceInside), fast);
        QVERIFY2(fastInside && referenceInside, qPrintable(QString::number(length)));
        if (handOvers >= 0)
            QCOMPARE(fast.size(), handOvers);
    }
}

void TestOlmWalker::walksAlikeAtEveryWindowSize_data()
{
    QTest::addColumn<QByteArray>("archive");
    QTest::newRow("backup") << sampleArchive();
    Archive a;
    a.streamed("s.xml", "PK P < <no <emails x=\"1\">" + QByteArray(300, 'P') + "</emai</emails>");
    a.sized("Local/Mail/F/m__message_attachment__.xml", emails({simpleMessage("s", QByteArray(500, '<'))}));
    a.centralDirectory();
    QTest::newRow("crawled-and-sized") << a.bytes;
}

void TestOlmWalker::walksAlikeAtEveryWindowSize()
{
    // Windows smaller than a header, than a closing tag, and than a payload.
    QFETCH(QByteArray, archive);
    const QStringList reference = walk(archive, olm::WalkMode::Reference);
    QVERIFY(!reference.isEmpty());
    for (const qint64 window : {1, 2, 7, 29, 64, 257, 4096}) {
        bool inside = false;
        QCOMPARE(walk(archive, olm::WalkMode::Fast, &inside, window), reference);
        QVERIFY(inside);
    }
}

void TestOlmWalker::cutsFolderPathsOfEntryNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("folderPath");
    QTest::newRow("accounts-two-folders") << "Accounts/A/B/F1/F2/E" << "F1/F2";
    QTest::newRow("local-one-folder") << "Local/A/F1/E" << "F1";
    QTest::newRow("accounts-last-component-only") << "Accounts/A/B/E" << "E";
    QTest::newRow("accounts-prefix-only") << "Accounts/A/E" << "";
    QTest::newRow("accounts-two-components") << "Accounts/E" << "";
    QTest::newRow("other-first-component") << "Other/A/B/F/E" << "";
}

void TestOlmWalker::cutsFolderPathsOfEntryNames()
{
    QFETCH(QString, name);
    QFETCH(QString, folderPath);
    QCOMPARE(olm::folderPathOfEntry(name), folderPath);
}

namespace {

// The signals of a scan as short words; progress values are not listed.
QStringList scanSignals(QMessageSavingThread &scan, QObject *context, QStringList *tree = nullptr)
{
    QStringList *log = new QStringList;
    QObject::connect(&scan, &QMessageSavingThread::OnShowProgressDlg, context, [log] { log->append(QStringLiteral("show")); });
    QObject::connect(&scan, &QMessageSavingThread::OnSubProgressHide, context, [log] { log->append(QStringLiteral("subhide")); });
    QObject::connect(&scan, &QMessageSavingThread::ProgressDailogHide, context, [log] { log->append(QStringLiteral("hide")); });
    QObject::connect(&scan, &QMessageSavingThread::FinishScaning, context, [log] { log->append(QStringLiteral("finish")); });
    QObject::connect(&scan, &QMessageSavingThread::NoDataIntoFile, context, [log] { log->append(QStringLiteral("nodata")); });
    QObject::connect(&scan, &QMessageSavingThread::MakeTreeWidget, context,
                     [tree](qlonglong id, const QString &name, qlonglong parent, const QString &path) {
                         if (tree)
                             tree->append(QStringLiteral("%1 %2 %3 '%4'").arg(id).arg(name).arg(parent).arg(path));
                     });
    scan.m_nClientIndex = 5;
    QMetaObject::invokeMethod(&scan, [&scan] { scan.CreateFile(); }, Qt::DirectConnection);
    const QStringList result = *log;
    delete log;
    return result;
}

// Runs a whole scan (run() on this thread) of the file at path.
class DirectScan : public QMessageSavingThread
{
public:
    void runHere() { run(); }
};

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Scans archive, written to a file, on the scanning thread; returns how many
// entries it could not read, or -1 when the scan did not run.
int scanOnThread(const QByteArray &archive)
{
    QTemporaryDir dir;
    m_selectedFile = dir.filePath(QStringLiteral("backup.olm"));
    if (!writeFile(m_selectedFile, archive))
        return -1;
    QMessageSavingThread scan;
    scan.m_nClientIndex = 5;
    scan.SetInitialSettings();
    return scan.wait(60000) ? int(scan.nSkippedFiles) : -1;
}

} // namespace

void TestOlmWalker::scansABackupIntoRecordsAndFolders()
{
    QTemporaryDir dir;
    const QByteArray archive = sampleArchive();
    m_selectedFile = dir.filePath(QStringLiteral("backup.olm"));
    QVERIFY(writeFile(m_selectedFile, archive));
    DirectScan scan;
    QStringList log;
    QStringList tree;
    connect(&scan, &QMessageSavingThread::FinishScaning, this, [&log] { log.append(QStringLiteral("finish")); });
    connect(&scan, &QMessageSavingThread::MakeTreeWidget, this,
            [&tree](qlonglong id, const QString &name, qlonglong parent, const QString &path) {
                tree.append(QStringLiteral("%1 %2 %3 '%4'").arg(id).arg(name).arg(parent).arg(path));
            });
    scan.m_nClientIndex = 5;
    scan.runHere();

    QCOMPARE(log, QStringList{QStringLiteral("finish")});
    QCOMPARE(tree, (QStringList{QStringLiteral("502 Inbox 501 ''"), QStringLiteral("503 Projects 502 ''"),
                                QStringLiteral("504 Unfiled 501 ''")}));
    QList<const MailMLRC *> records;
    for (const MailMLRC *r = TmpMlrcPtrStart; r; r = r->pNext)
        records.append(r);
    QCOMPARE(records.size(), 3);

    // Bodies are found byte for byte where the records say.
    const auto body = [&archive](const MailMLRC *r) { return archive.mid(int(r->llBodyOffset), int(r->llBodyLength)); };
    QCOMPARE(body(records[0]), QByteArray("&lt;b&gt;Hello&lt;/b&gt;"));
    QCOMPARE(records[0]->szSubject, QByteArray("With attachments"));
    QCOMPARE(records[0]->llFolderId, quint64(503));
    QCOMPARE(records[0]->szFolderPath, QByteArray("Inbox/Projects"));
    QCOMPARE(records[0]->pAttachURLs,
             QByteArray("Local/com.microsoft.__Attachments/a1;Local/com.microsoft.__Attachments/a2;"));
    QCOMPARE(records[0]->pAttachNames, QByteArray("a.txt;b.txt;"));
    QCOMPARE(records[0]->pAttachContentIDs, QByteArray("c1;;"));
    QCOMPARE(records[0]->pAttachSizes, QByteArray("16;6;"));
    const QList<QByteArray> offsets = records[0]->pAttachOffsets.split(';');
    QCOMPARE(archive.mid(offsets[0].toInt(), 16), QByteArray("first attachment"));
    QCOMPARE(archive.mid(offsets[1].toInt(), 6), QByteArray("second"));

    QCOMPARE(records[1]->szSubject, QByteArray("No body"));
    QCOMPARE(records[1]->llFolderId, quint64(502));
    QVERIFY(records[1]->llBodyOffset == 0 && records[1]->llBodyLength == 0 && !records[1]->hasAttachments());

    QCOMPARE(body(records[2]), QByteArray("streamed body"));
    QCOMPARE(records[2]->llFolderId, quint64(504));
    QCOMPARE(records[2]->szFolderPath, QByteArray("Unfiled"));
    QCOMPARE(records[2]->szFromAddress, QByteArray("from@example.org;"));
    QCOMPARE(olmpreview::readBodyRange(m_selectedFile, records[2]->llBodyOffset, records[2]->llBodyLength),
             QByteArray("streamed body"));
    QCOMPARE(fileDescriptor, -1);
}

void TestOlmWalker::endsEveryScanWithItsSignals_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("expected");
    const QString show = QStringLiteral("show");
    const QString subhide = QStringLiteral("subhide");
    const QString hide = QStringLiteral("hide");
    QTest::newRow("records-made") << "backup" << QStringList{show, subhide, hide, QStringLiteral("finish")};
    QTest::newRow("no-message") << "empty" << QStringList{show, subhide, hide, QStringLiteral("nodata")};
    QTest::newRow("missing-file") << "missing" << QStringList{show, subhide, hide, QStringLiteral("nodata")};
    QTest::newRow("directory") << "directory" << QStringList{show, subhide, hide, QStringLiteral("nodata")};
    QTest::newRow("stopped") << "stop" << QStringList{show};
}

void TestOlmWalker::endsEveryScanWithItsSignals()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    m_selectedFile = dir.filePath(QStringLiteral("backup.olm"));
    if (kind == QLatin1String("directory"))
        QVERIFY(QDir().mkpath(m_selectedFile));
    else if (kind != QLatin1String("missing"))
        QVERIFY(writeFile(m_selectedFile, kind == QLatin1String("empty") ? QByteArray("PK\3\4 nothing") : sampleArchive()));
    QMessageSavingThread scan;
    if (kind == QLatin1String("stop"))
        connect(&scan, &QMessageSavingThread::OnIndivisibleProgressvalue, this, [] { bStopFlag = true; });
    QCOMPARE(scanSignals(scan, this), expected);
    QCOMPARE(fileDescriptor, -1);
    QCOMPARE(bool(bStopFlag), kind != QLatin1String("backup"));
    QCOMPARE(TmpMlrcPtrStart == nullptr, kind != QLatin1String("backup"));
}

void TestOlmWalker::readsAMessageBeyondTwoGigabytes()
{
    QTemporaryDir dir;
    m_selectedFile = dir.filePath(QStringLiteral("large.olm"));
    const qint64 hole = (qint64(5) << 29) + 3; // 2.5 GiB and 3 bytes, never written
    const QByteArray header = localHeader("Local/att/big", 7, 0xFFFFFFFF, 0xFFFFFFFF, zip64Block(hole, hole));
    Archive tail;
    tail.sized("Local/Mail/Inbox/m__message_attachment__.xml", emails({simpleMessage("Far", "far body")}));
    tail.centralDirectory();
    QFile file(m_selectedFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.write(header) == header.size() && file.seek(header.size() + hole));
    QVERIFY(file.write(tail.bytes) == tail.bytes.size());
    file.close();

    QMessageSavingThread scan;
    QCOMPARE(scanSignals(scan, this).last(), QStringLiteral("finish"));
    QVERIFY(TmpMlrcPtrStart && TmpMlrcPtrStart == TmpMlrcPtrEnd);
    QVERIFY(TmpMlrcPtrStart->llBodyOffset > (qint64(1) << 31));
    QCOMPARE(olmpreview::readBodyRange(m_selectedFile, TmpMlrcPtrStart->llBodyOffset, TmpMlrcPtrStart->llBodyLength),
             QByteArray("far body"));
    QCOMPARE(olmPendingAttachments.offsets, QString::number(header.size()) + QLatin1Char(';'));
    QCOMPARE(olmPendingAttachments.sizes, QString::number(hole) + QLatin1Char(';'));
}

void TestOlmWalker::keepsTheWalkOrderAcrossBatches()
{
    // More entries than one hand-over to the record-making thread holds.
    Archive a;
    QStringList expected;
    for (int i = 0; i < 700; ++i) {
        const QByteArray n = QByteArray::number(i);
        a.sized("Local/com.microsoft.__Attachments/a" + n, n);
        const QByteArray list = attachment("c", "t", "n", "Local/com.microsoft.__Attachments/a" + n);
        a.sized("Local/Mail/F" + QByteArray::number(i % 3) + "/m" + n + "__message_attachment__.xml",
                emails({message({element("OPFMessageCopySubject", "s" + n),
                                 element("OPFMessageCopyAttachmentList", list)})}));
        expected.append(QStringLiteral("s%1 %2 a%1;").arg(i).arg(502 + i % 3));
    }
    a.centralDirectory();
    QTemporaryDir dir;
    m_selectedFile = dir.filePath(QStringLiteral("many.olm"));
    QVERIFY(writeFile(m_selectedFile, a.bytes));
    QMessageSavingThread scan;
    QCOMPARE(scanSignals(scan, this).last(), QStringLiteral("finish"));
    QStringList found;
    for (const MailMLRC *r = TmpMlrcPtrStart; r; r = r->pNext)
        found.append(QStringLiteral("%1 %2 %3").arg(QString::fromUtf8(r->szSubject)).arg(r->llFolderId)
                         .arg(QString::fromUtf8(r->pAttachURLs).remove(QStringLiteral("Local/com.microsoft.__Attachments/"))));
    QCOMPARE(found, expected);
}

void TestOlmWalker::keepsEntriesAfterADamagedLength_data()
{
    QTest::addColumn<QByteArray>("archive");
    QTest::addColumn<QStringList>("expected"); // subject, folder, attachment names
    QTest::addColumn<bool>("told");            // whether the scan counts an entry it could not read
    // A message in Inbox, the message whose header is damaged, an attachment
    // and the message that lists it, 25 more messages, a large attachment.
    const QByteArray damagedName = "Local/Mail/Projects/m1__message_attachment__.xml";
    const auto backup = [&damagedName](bool zip64, int field, int change) {
        Archive a;
        const auto entry = [&a, zip64](const QByteArray &name, const QByteArray &data) {
            zip64 ? a.sized(name, data) : a.sized32(name, data);
        };
        entry("Local/Mail/Inbox/m0__message_attachment__.xml", emails({simpleMessage("m0", "b")}));
        const qint64 header = a.bytes.size();
        entry(damagedName, emails({simpleMessage("m1", "b")}));
        entry("Local/com.microsoft.__Attachments/a2", "attachment two");
        entry("Local/Mail/Sent/m2__message_attachment__.xml",
              emails({message({element("OPFMessageCopySubject", "m2"),
                               element("OPFMessageCopyAttachmentList",
                                       attachment("c", "text/plain", "a2.txt", "Local/com.microsoft.__Attachments/a2"))})}));
        for (int i = 3; i < 28; ++i) {
            const QByteArray n = QByteArray::number(i);
            entry("Local/Mail/Inbox/m" + n + "__message_attachment__.xml", emails({simpleMessage("m" + n, "b")}));
        }
        entry("Local/com.microsoft.__Attachments/big", QByteArray(70000, 'x'));
        a.centralDirectory();
        const int length = field == kNameLengthField ? damagedName.size() : (zip64 ? 20 : 0);
        setHeaderLength(a.bytes, header, field, quint16(length + change));
        return a.bytes;
    };
    // The damaged entry's message, found by the crawl, has no folder of its own.
    QStringList crawled{QStringLiteral("m0 Inbox "), QStringLiteral("m1 Unfiled "), QStringLiteral("m2 Sent a2.txt;")};
    for (int i = 3; i < 28; ++i)
        crawled.append(QStringLiteral("m%1 Inbox ").arg(i));
    QTest::newRow("extra-length-65535") << backup(true, kExtraLengthField, 65535 - 20) << crawled << true;
    QTest::newRow("extra-length-one-too-many") << backup(true, kExtraLengthField, 1) << crawled << true;
    QTest::newRow("name-length-65535") << backup(false, kNameLengthField, 65535 - damagedName.size()) << crawled << true;
    QTest::newRow("name-length-one-too-few") << backup(false, kNameLengthField, -1) << crawled << true;

    // m0, a1, a2 (a ZIP file of three members, with its own local and
    // central headers, or plain text), m1 listing a1 and a2, m2 to m5.
    // Besides: a2 streamed under a directory that only ZIP64 records or one
    // trailing byte keep from being found; empty entries; a streamed entry
    // before a1 holding a message document or an orphan attachment.
    enum Damage {
        None,
        Streamed,
        ExtraLength,
        NameLength,
        CutInLastMessage,
        Zip64RecordsWithRealValues,
        ByteAfterEndRecord,
        EmptyEntries,
        StreamedDocument,
        StreamedOrphan
    };
    const QByteArray a2Name = "Local/com.microsoft.__Attachments/a2";
    const auto withZip = [&a2Name](bool zipA2, Damage damage, bool zip64) {
        Archive zip;
        for (const QByteArray n : {"0", "1", "2"})
            zip.sized32("word/part" + n + ".xml", "<w:t>member " + n + "</w:t>");
        zip.centralDirectory();
        const QByteArray a2 = zipA2 ? zip.bytes : QByteArray("plain second attachment");
        Archive a;
        a.sized("Local/Mail/Inbox/m0__message_attachment__.xml", emails({simpleMessage("m0", "b")}));
        if (damage == StreamedDocument)
            a.streamed("Local/Mail/Inbox/messages.xml",
                       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + emails({simpleMessage("mx", "b")}));
        if (damage == StreamedOrphan)
            a.streamed("Local/com.microsoft.__Attachments/orphan", "orphan data");
        a.sized("Local/com.microsoft.__Attachments/a1", "first attachment");
        if (damage == EmptyEntries)
            a.streamed("Local/com.microsoft.__Attachments/empty", QByteArray(), true);
        const qint64 header = a.bytes.size();
        const bool streamed = damage == Streamed || damage == Zip64RecordsWithRealValues || damage == ByteAfterEndRecord;
        streamed ? a.streamed(a2Name, a2, true) : a.sized(a2Name, a2);
        a.sized("Local/Mail/Projects/m1__message_attachment__.xml",
                emails({message({element("OPFMessageCopySubject", "m1"),
                                 element("OPFMessageCopyAttachmentList",
                                         attachment("c1", "text/plain", "a.txt", "Local/com.microsoft.__Attachments/a1")
                                             + attachment("c2", "application/zip", "b.zip", a2Name))})}));
        qint64 last = 0;
        for (const QByteArray n : {"2", "3", "4", "5"})
            last = a.sized("Local/Mail/Inbox/m" + n + "__message_attachment__.xml", emails({simpleMessage("m" + n, "b")}));
        if (damage == EmptyEntries) {
            a.streamed("Local/Mail/Inbox/", QByteArray());
            a.streamed("Local/com.microsoft.__Attachments/last", QByteArray());
        }
        a.centralDirectory(zip64, damage == Zip64RecordsWithRealValues);
        if (damage == ByteAfterEndRecord)
            a.bytes += '\n';
        if (damage == ExtraLength)
            setHeaderLength(a.bytes, header, kExtraLengthField, 20 + 1);
        if (damage == NameLength)
            setHeaderLength(a.bytes, header, kNameLengthField, quint16(a2Name.size() + 7));
        if (damage == CutInLastMessage)
            a.bytes.truncate(int(last) + 40);
        return a.bytes;
    };
    const auto found = [](const QString &m1Attachments, bool m5, const QString &afterM0 = QString()) {
        QStringList list{QStringLiteral("m0 Inbox ")};
        if (!afterM0.isEmpty())
            list.append(afterM0);
        list.append(QStringLiteral("m1 Projects ") + m1Attachments);
        for (int i = 2; i < (m5 ? 6 : 5); ++i)
            list.append(QStringLiteral("m%1 Inbox ").arg(i));
        return list;
    };
    const QString both = QStringLiteral("a.txt;b.zip;");
    const QString first = QStringLiteral("a.txt;");
    QTest::newRow("zip-attachment-whole") << withZip(true, None, false) << found(both, true) << false;
    QTest::newRow("zip-attachment-whole-zip64-directory") << withZip(true, None, true) << found(both, true) << false;
    QTest::newRow("zip-attachment-streamed") << withZip(true, Streamed, false) << found(first, true) << true;
    QTest::newRow("zip-attachment-extra-length-plus-1") << withZip(true, ExtraLength, false) << found(first, true) << true;
    QTest::newRow("zip-attachment-name-length-plus-7") << withZip(true, NameLength, true) << found(first, true) << true;
    QTest::newRow("plain-attachment-extra-length-plus-1") << withZip(false, ExtraLength, false) << found(first, true) << true;
    QTest::newRow("file-cut-inside-the-last-message") << withZip(true, CutInLastMessage, false) << found(both, false) << true;
    QTest::newRow("zip-attachment-streamed-zip64-records-with-real-values")
        << withZip(true, Zip64RecordsWithRealValues, false) << found(first, true) << true;
    QTest::newRow("zip-attachment-streamed-byte-after-end-record")
        << withZip(true, ByteAfterEndRecord, false) << found(first, true) << true;
    QTest::newRow("empty-entries-in-the-middle-and-last") << withZip(true, EmptyEntries, true) << found(both, true) << false;
    QTest::newRow("streamed-message-document-after-xml-declaration")
        << withZip(true, StreamedDocument, false) << found(both, true, QStringLiteral("mx Unfiled ")) << false;
    QTest::newRow("streamed-orphan-before-listed-attachments")
        << withZip(true, StreamedOrphan, false) << found(both, true) << true;
}

void TestOlmWalker::keepsEntriesAfterADamagedLength()
{
    // Every other entry is read into its own folder, and a damage is told.
    QFETCH(QByteArray, archive);
    QFETCH(QStringList, expected);
    QFETCH(bool, told);
    const int unreadable = scanOnThread(archive);
    QVERIFY(unreadable >= 0);

    QStringList found;
    for (const MailMLRC *r = TmpMlrcPtrStart; r; r = r->pNext)
        found.append(QStringLiteral("%1 %2 %3").arg(QString::fromUtf8(r->szSubject), objMapFID_Name.value(qint64(r->llFolderId)),
                                                    QString::fromUtf8(r->pAttachNames)));
    QCOMPARE(found, expected);
    QCOMPARE(unreadable > 0, told);
}

void TestOlmWalker::boundsWhatDamagedHeadersTell_data()
{
    QTest::addColumn<QByteArray>("archive");
    QTest::addColumn<int>("headers");
    QTest::newRow("signatures-back-to-back") << damagedHeaders(false, 4096) << 4096;
    QTest::newRow("headers-claiming-long-names") << damagedHeaders(true, 2048) << 2048;
}

void TestOlmWalker::boundsWhatDamagedHeadersTell()
{
    // Each damaged header is counted; 100 lines and one for the rest are
    // written, and no more names wait for a message than a list can name,
    // none longer than 1 KiB.
    QFETCH(QByteArray, archive);
    QFETCH(int, headers);
    int unreadable = -1;
    const CapturedOutput output = captureOutput("converter.scan", false, [&] { unreadable = scanOnThread(archive); });
    const QList<QByteArray> lines = output.standardError.trimmed().split('\n');
    QCOMPARE(lines.size(), 101);
    const QString first = QString::fromUtf8(lines.first());
    QVERIFY(first.startsWith(QLatin1String("Skipped damaged entry at byte 0 ")));
    QCOMPARE(first.size(), 32 + 1024);
    QCOMPARE(lines.last(), "Skipped " + QByteArray::number(headers - 100) + " more unreadable entries");
    QCOMPARE(unreadable, headers);
    QCOMPARE(olmPendingAttachments.optionalCount, opf::kMostOptionalPending);
    int longest = 0;
    for (const QString &name : olmPendingAttachments.names.split(QLatin1Char(';')))
        longest = qMax(longest, int(name.size()));
    QCOMPARE(longest, 1024);
}

QTEST_GUILESS_MAIN(TestOlmWalker)
#include "tst_olmwalker.moc"
