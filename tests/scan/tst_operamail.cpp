// Opera Mail files: the folder location of a message, the index node with
// its decoded sender and subject, and the filing of a file into the tree.

#include "scan/foldermodel.h"
#include "scan/messagesavingthread.h"
#include "scan/operamail.h"
#include "scan/scanglobals.h"
#include "support/globalsreset.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString visible(const QString &text)
{
    QString shown = text;
    shown.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    shown.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    return shown;
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QStringList indexNodes()
{
    QStringList nodes;
    for (const MboxMbx *node = TmpMboxMbxPtrStart; node; node = node->pNext)
        nodes.append(QStringLiteral("%1 @%2+%3 [%4] from[%5] subject[%6]")
                         .arg(QFileInfo(node->szFilePath).fileName())
                         .arg(node->llOffset)
                         .arg(node->llLength)
                         .arg(node->szLocation, visible(node->szFrom), visible(node->szSubject)));
    return nodes;
}

} // namespace

class TestOperaMail : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetAllGlobalsForTest(); }

    void locationNamesTheFolder_data();
    void locationNamesTheFolder();
    void indexesHeaders_data();
    void indexesHeaders();
    void fieldsKeepTheirWidths();
    void fileThatDoesNotOpenAddsNoNode();
    void filesMessagesUnderAccountAndLocation();
    void discoveryReadingServesTheIndex();
};

void TestOperaMail::locationNamesTheFolder_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("treePath");

    QTest::newRow("plain-folder") << QByteArray("X-Opera-Location: Inbox\n")
                                  << QStringLiteral("Inbox") << QStringLiteral("/Work/Inbox");
    QTest::newRow("message-number-after-colon") << QByteArray("X-Opera-Location: Inbox:12\n")
                                                << QStringLiteral("Inbox") << QStringLiteral("/Work/Inbox");
    QTest::newRow("nested-location") << QByteArray("X-Opera-Location: Lists/Qt\n")
                                     << QStringLiteral("Qt") << QStringLiteral("/Work/Lists/Qt");
    QTest::newRow("last-colon-cuts") << QByteArray("X-Opera-Location: a:b:c\n")
                                     << QStringLiteral("a:b") << QStringLiteral("/Work/a:b");
    QTest::newRow("trailing-colon") << QByteArray("X-Opera-Location: Inbox:\n")
                                    << QStringLiteral("Inbox") << QStringLiteral("/Work/Inbox");
    QTest::newRow("path-and-number") << QByteArray("X-Opera-Location: Mail/Inbox:12\n")
                                     << QStringLiteral("Inbox") << QStringLiteral("/Work/Mail/Inbox");
    QTest::newRow("number-only") << QByteArray("X-Opera-Location: :7\n") << QString()
                                 << QStringLiteral("/Work/");
    QTest::newRow("no-marker-line") << QByteArray("Subject: x\n\nbody\n")
                                    << QStringLiteral("Mails") << QStringLiteral("/Work/Mails");
    QTest::newRow("marker-in-body-wins") << QByteArray("X-Opera-Location: Inbox\n\nX-Opera-Location: Sent\n")
                                         << QStringLiteral("Sent") << QStringLiteral("/Work/Sent");
}

void TestOperaMail::locationNamesTheFolder()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, location);
    QFETCH(QString, treePath);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("1.mbs"));
    QVERIFY(writeFile(path, content));
    const operamail::MbsFile file = operamail::readMbsFile(path);
    QVERIFY(file.opened);
    QCOMPARE(operamail::indexLocation(file), location);
    QCOMPARE(operamail::treePathFor(QStringLiteral("Work"), file), treePath);
    // The message list finds the file under the folder named like its location.
    const QString tree = QStringLiteral("Mail") + treePath;
    QCOMPARE(tree.split(QLatin1Char('/')).constLast(), location);
}

void TestOperaMail::indexesHeaders_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("location");

    const QString jorg = QStringLiteral("J\u00f6rg");
    const QString mails = QStringLiteral("Mails");
    QTest::newRow("no-header-at-all") << QByteArray("just a body line\n") << QString() << QString() << mails;
    QTest::newRow("plain-from-without-line-feed")
        << QByteArray("From: Ann Example <ann@example.org>\nSubject: Hi\n\nbody\n")
        << QStringLiteral("Ann Example <ann@example.org>") << QStringLiteral("Hi") << mails;
    QTest::newRow("q-word-then-address")
        << QByteArray("From: =?ISO-8859-1?Q?J=F6rg?= <j@example.org>\n")
        << jorg + QStringLiteral(" <j@example.org>") << QString() << mails;
    QTest::newRow("b-word-then-address")
        << QByteArray("From: =?UTF-8?B?SsO2cmc=?= <j@example.org>\n")
        << jorg + QStringLiteral(" <j@example.org>") << QString() << mails;
    QTest::newRow("b-word-read-in-its-charset")
        << QByteArray("Subject: =?ISO-8859-1?B?SvZyZw==?=\n") << QString() << jorg << mails;
    QTest::newRow("lower-case-letter-decoded")
        << QByteArray("Subject: =?utf-8?q?J=C3=B6rg?=\n") << QString() << jorg << mails;
    QTest::newRow("korean-charset-alias")
        << QByteArray("Subject: =?ks_c_5601-1987?Q?=B0=A1?=\n") << QString()
        << QStringLiteral("\uac00") << mails;
    QTest::newRow("quoted-from-decoded")
        << QByteArray("From: \"=?UTF-8?B?SsO2cmc=?=\" <j@example.org>\n")
        << QStringLiteral("\"") + jorg + QStringLiteral("\" <j@example.org>") << QString() << mails;
    QTest::newRow("folded-subject-joins-words")
        << QByteArray("Subject: =?UTF-8?Q?Hello?=\n =?UTF-8?Q?_World?=\n") << QString()
        << QStringLiteral("Hello World") << mails;
    QTest::newRow("folded-from-with-address")
        << QByteArray("From: =?UTF-8?Q?J=C3=B6rg?=\n\t<j@example.org>\n")
        << jorg + QStringLiteral("\t<j@example.org>") << QString() << mails;
    QTest::newRow("subject-name-only") << QByteArray("Subject:\n") << QString() << QString() << mails;
    QTest::newRow("reply-prefix-then-word-decoded")
        << QByteArray("Subject: Re: =?UTF-8?Q?x?=\n") << QString()
        << QStringLiteral("Re: x") << mails;
    QTest::newRow("unknown-encoding-letter-stays")
        << QByteArray("Subject: =?UTF-8?X?abc?= tail\n") << QString()
        << QStringLiteral("=?UTF-8?X?abc?= tail") << mails;
    QTest::newRow("cr-lf-line-ends")
        << QByteArray("From: =?UTF-8?Q?J=C3=B6rg?=\r\nSubject: Hi\r\nX-Opera-Location: Inbox\r\n")
        << jorg << QStringLiteral("Hi") << QStringLiteral("Inbox");
    QTest::newRow("text-before-marker-is-the-value")
        << QByteArray("Folder X-Opera-Location: Inbox\n") << QString() << QString()
        << QStringLiteral("Folder");
    QTest::newRow("location-right-after-from")
        << QByteArray("From: =?UTF-8?Q?A?=\nX-Opera-Location: Work\n") << QStringLiteral("A")
        << QString() << QStringLiteral("Work");
    QTest::newRow("marker-in-folded-from-is-no-location")
        << QByteArray("X-Opera-Location: Inbox\nFrom: A\n X-Opera-Location: Hidden\n")
        << QStringLiteral("A X-Opera-Location: Hidden") << QString() << QStringLiteral("Inbox");
    QTest::newRow("body-lines-are-no-headers")
        << QByteArray("X-Other: 1\n\nFrom: body@example.org\nSubject: in body\n")
        << QString() << QString() << mails;
    QTest::newRow("first-from-only") << QByteArray("From: one\nFrom: two\n") << QStringLiteral("one")
                                     << QString() << mails;
    QTest::newRow("zero-byte-ends-line")
        << QByteArray("Subject: abc\0def\nFrom: x\n", 25) << QStringLiteral("x")
        << QStringLiteral("abc") << mails;

    QByteArray largeBody;
    for (int i = 0; i < 5000; ++i)
        largeBody += QByteArray(70, 'x') + "\r\n";
    QTest::newRow("headers-after-large-body")
        << largeBody + "From: late\r\nX-Opera-Location: Late\r\n" << QStringLiteral("late")
        << QString() << QStringLiteral("Late");
    QTest::newRow("overlong-line-read-past")
        << QByteArray(operamail::kLineByteLimit + 5000, 'y') + "\nSubject: after\n" << QString()
        << QStringLiteral("after") << mails;
}

void TestOperaMail::indexesHeaders()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, from);
    QFETCH(QString, subject);
    QFETCH(QString, location);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("store/acc1/7.mbs"));
    QVERIFY(writeFile(path, content));
    QMessageSavingThread thread;
    thread.GetAllFieldsForMbsCentarTree(path);

    QVERIFY(TmpMboxMbxPtrStart);
    QCOMPARE(TmpMboxMbxPtrStart, TmpMboxMbxPtrEnd);
    const MboxMbx &node = *TmpMboxMbxPtrStart;
    QCOMPARE(visible(node.szFrom), visible(from));
    QCOMPARE(visible(node.szSubject), visible(subject));
    QCOMPARE(node.szLocation, location);
    QCOMPARE(node.szFilePath, path);
    QCOMPARE(node.llOffset, qint64(0));
    QCOMPARE(node.llLength, qint64(0));
}

void TestOperaMail::fieldsKeepTheirWidths()
{
    QTemporaryDir dir;
    // A path of more than 511 units, and a location as long.
    QString path = dir.path();
    while (path.size() < 600)
        path += QLatin1Char('/') + QString(60, QLatin1Char('d'));
    path += QStringLiteral("/1.mbs");
    const QString location = QString(600, QLatin1Char('L'));
    const QString emoji = QStringLiteral("\U0001F600");
    const QByteArray content = "From: " + QByteArray(300, 'f') + "\nSubject: "
                               + QByteArray(253, 's') + emoji.toUtf8() + "\nX-Opera-Location: "
                               + location.toUtf8() + "\n";
    QVERIFY(writeFile(path, content));

    QMessageSavingThread thread;
    thread.GetAllFieldsForMbsCentarTree(path);
    QVERIFY(TmpMboxMbxPtrStart);
    QCOMPARE(TmpMboxMbxPtrStart->szFrom, QString(254, QLatin1Char('f')));
    // The cut never splits a surrogate pair.
    QCOMPARE(TmpMboxMbxPtrStart->szSubject, QString(253, QLatin1Char('s')));
    QCOMPARE(TmpMboxMbxPtrStart->szFilePath, path);
    QCOMPARE(TmpMboxMbxPtrStart->szLocation, location);
}

void TestOperaMail::fileThatDoesNotOpenAddsNoNode()
{
    QTemporaryDir dir;
    QMessageSavingThread thread;
    thread.GetAllFieldsForMbsCentarTree(dir.filePath(QStringLiteral("missing.mbs")));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("folder.mbs"))));
    thread.GetAllFieldsForMbsCentarTree(dir.filePath(QStringLiteral("folder.mbs")));
    thread.GetAllFieldsForMbsCentarTree(QString());
    QVERIFY(!TmpMboxMbxPtrStart);
    QVERIFY(!TmpMboxMbxPtrEnd);
}

void TestOperaMail::filesMessagesUnderAccountAndLocation()
{
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("store/acc1/1.mbs"));
    const QString second = dir.filePath(QStringLiteral("store/acc1/2.mbs"));
    const QString blanks = dir.filePath(QStringLiteral("store/acc1/ 3.mbs "));
    const QString missing = dir.filePath(QStringLiteral("store/acc1/4.mbs"));
    QVERIFY(writeFile(first, "From: a\nX-Opera-Location: Inbox:1\n"));
    QVERIFY(writeFile(second, "Subject: s\nX-Opera-Location: Inbox/Old\n"));
    QVERIFY(writeFile(blanks, "X-Opera-Location: Inbox\n"));

    QMessageSavingThread thread;
    const QString unused = QStringLiteral("unused");
    thread.TreeCreatorOperaMail(unused, unused, QStringLiteral("/Home/Inbox"), first);
    thread.TreeCreatorOperaMail(unused, unused, QStringLiteral("/Home/Inbox/Old"), second);
    thread.TreeCreatorOperaMail(unused, unused, QStringLiteral("/Home/Inbox"), blanks);
    thread.TreeCreatorOperaMail(unused, unused, QStringLiteral("/Home/Mails"), missing);

    QCOMPARE(objMapFID_Name.values(), (QStringList{QStringLiteral("Mail"), QStringLiteral("Home"),
                                                   QStringLiteral("Inbox"), QStringLiteral("Old"),
                                                   QStringLiteral("Mails")}));
    QCOMPARE(objMapFID_PID.values(), (QList<qint64>{501, 502, 503, 504, 503}));
    QCOMPARE(MapLeftTreePath.values(), (QStringList{first, first, first, second, missing}));

    QStringList items;
    for (const MailItem *item = StartMailItem; item; item = item->pNext)
        items.append(QStringLiteral("%1 %2").arg(item->llFolderId).arg(item->pPath));
    QCOMPARE(items, (QStringList{QStringLiteral("504 ") + first, QStringLiteral("505 ") + second,
                                 QStringLiteral("504 ") + blanks, QStringLiteral("506 ") + missing}));
    QCOMPARE(listOfPathOfOnlyForTree, (QStringList{first, second, blanks, missing}));

    // The file that does not open has folder, item and path, but no node.
    QCOMPARE(indexNodes(),
             (QStringList{QStringLiteral("1.mbs @0+0 [Inbox] from[a] subject[]"),
                          QStringLiteral("2.mbs @0+0 [Old] from[] subject[s]"),
                          QStringLiteral(" 3.mbs  @0+0 [Inbox] from[] subject[]")}));
}

void TestOperaMail::discoveryReadingServesTheIndex()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("1.mbs"));
    QVERIFY(writeFile(path, "Subject: first\nX-Opera-Location: Inbox\n"));
    const operamail::MbsFile kept = operamail::readAndKeepMbsFile(path);
    QCOMPARE(operamail::treePathFor(QStringLiteral("Home"), kept), QStringLiteral("/Home/Inbox"));

    // Same size and time: the index takes the kept reading, not the file.
    const QDateTime modified = QFileInfo(path).lastModified();
    QVERIFY(writeFile(path, "Subject: other\nX-Opera-Location: Inbox\n"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
    }
    QMessageSavingThread thread;
    thread.GetAllFieldsForMbsCentarTree(path);
    // Taken once: the next index of the path reads the file.
    thread.GetAllFieldsForMbsCentarTree(path);

    // A file changed after the discovery read it is read again.
    operamail::readAndKeepMbsFile(path);
    QVERIFY(writeFile(path, "Subject: changed again\n"));
    thread.GetAllFieldsForMbsCentarTree(path);

    QCOMPARE(indexNodes(), (QStringList{QStringLiteral("1.mbs @0+0 [Inbox] from[] subject[first]"),
                                        QStringLiteral("1.mbs @0+0 [Inbox] from[] subject[other]"),
                                        QStringLiteral("1.mbs @0+0 [Mails] from[] subject[changed again]")}));
}

QTEST_GUILESS_MAIN(TestOperaMail)
#include "tst_operamail.moc"
