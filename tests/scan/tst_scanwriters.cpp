// The scanning thread's writers: their path tables and the bytes they write.

#include "app/appglobals.h"
#include "platform/finderinfo.h"
#include "scan/messagesavingthread.h"
#include "scan/scanglobals.h"
#include "scan/scanwriterpaths.h"
#include "support/globalsreset.h"
#include "support/testfiles.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using testfiles::readAll;
using testfiles::filesBelow;

} // namespace

class TestScanWriters : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetAllGlobalsForTest(); }
    void cleanup() { resetAllGlobalsForTest(); }

    void mboxPaths_data();
    void mboxPaths();
    void operaPaths_data();
    void operaPaths();
    void writtenBytes();
};

void TestScanWriters::mboxPaths_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("treeRoot");
    QTest::addColumn<QString>("expectedFile"); // "" for skip

    const QString tb = QStringLiteral("/Users/a/Library/Thunderbird");
    const QString lf = tb + QStringLiteral("/Profiles/p.default/Mail/Local Folders");
    const QString root = QStringLiteral("/out/Main Identity.mbox");
    const QString mail = root + QStringLiteral("/Mail/Profiles/p.default/Mail/Local Folders");
    QTest::newRow("local-folder") << lf + QStringLiteral("/Inbox") << tb << root << mail + QStringLiteral("/Inbox/Inbox.mbox");
    QTest::newRow("sbd-level-joined") << lf + QStringLiteral("/Inbox.sbd/Work") << tb << root
                                      << mail + QStringLiteral("/Inbox/Work/Work.mbox");
    QTest::newRow("three-sbd-levels-keep-every-part")
        << lf + QStringLiteral("/Inbox.sbd/Work.sbd/Old") << tb << root << mail + QStringLiteral("/Inbox/Work/Old/Old.mbox");
    QTest::newRow("three-sbd-levels-sibling-stays-apart")
        << lf + QStringLiteral("/Inbox.sbd/Work.sbd/New") << tb << root << mail + QStringLiteral("/Inbox/Work/New/New.mbox");
    QTest::newRow("imap-account") << tb + QStringLiteral("/Profiles/p.default/ImapMail/acct/INBOX") << tb << root
                                  << root + QStringLiteral("/Mail/acct/INBOX/INBOX.mbox");
    QTest::newRow("imap-leaf-earlier-in-tail")
        << tb + QStringLiteral("/Profiles/p.default/ImapMail/INBOXes/INBOX") << tb << root
        << root + QStringLiteral("/Mail/INBOXes/INBOX/INBOX.mbox");
    QTest::newRow("apple-mbox-folder") << QStringLiteral("/Users/a/Library/Mail/V2/Mailboxes/Work.mbox/mbox")
                                       << QStringLiteral("/Users/a/Library/Mail") << root
                                       << root + QStringLiteral("/Mail/V2/Mailboxes/Work/Work.mbox");
    QTest::newRow("apple-mbox-folder-selected")
        << QStringLiteral("/Users/a/Library/Mail/V2/Mailboxes/Work.mbox/mbox")
        << QStringLiteral("/Users/a/Library/Mail/V2/Mailboxes/Work.mbox") << root
        << root + QStringLiteral("/Mail/Work/Work.mbox");
    QTest::newRow("only-leading-selected-prefix-cut")
        << QStringLiteral("/s/Mail/s/Inbox") << QStringLiteral("/s") << root
        << root + QStringLiteral("/Mail/Mail/s/Inbox/Inbox.mbox");
    QTest::newRow("dotdot-neutralised") << QStringLiteral("/s/../../etc/x") << QStringLiteral("/s") << root
                                        << root + QStringLiteral("/Mail/%2E%2E/%2E%2E/etc/x/x.mbox");
    QTest::newRow("empty-output-root-skips") << lf + QStringLiteral("/Inbox") << tb << QString() << QString();
}

void TestScanWriters::mboxPaths()
{
    QFETCH(QString, source);
    QFETCH(QString, selected);
    QFETCH(QString, treeRoot);
    QFETCH(QString, expectedFile);

    const auto target = scanwriterpaths::mboxTarget(source, selected, treeRoot);
    QCOMPARE(target.file, expectedFile);
    if (!expectedFile.isEmpty())
        QCOMPARE(target.folder, expectedFile.left(expectedFile.lastIndexOf(QLatin1Char('/'))));
}

void TestScanWriters::operaPaths_data()
{
    QTest::addColumn<QString>("folderPath");
    QTest::addColumn<QString>("treeRoot");
    QTest::addColumn<QString>("expectedFile");

    const QString rge = QStringLiteral("/out/Main Identity.rge");
    QTest::newRow("account-and-folder") << QStringLiteral("/A/F") << rge << rge + QStringLiteral("/Mail/A/F/F.mbox");
    QTest::newRow("one-component") << QStringLiteral("/F") << rge << rge + QStringLiteral("/Mail/F/F.mbox");
    QTest::newRow("no-leading-slash-stays-below-mail") << QStringLiteral("Inbox") << rge
                                                       << rge + QStringLiteral("/Mail/Inbox/Inbox.mbox");
    QTest::newRow("empty-folder-path") << QString() << rge << rge + QStringLiteral("/Mail/Mail.mbox");
    QTest::newRow("dot-and-dotdot-neutralised") << QStringLiteral("/A/./../../x") << rge
                                                << rge + QStringLiteral("/Mail/A/%2E%2E/%2E%2E/x/x.mbox");
    QTest::newRow("empty-output-root-skips") << QStringLiteral("/A/F") << QString() << QString();
}

void TestScanWriters::operaPaths()
{
    QFETCH(QString, folderPath);
    QFETCH(QString, treeRoot);
    QFETCH(QString, expectedFile);

    QCOMPARE(scanwriterpaths::operaTarget(folderPath, treeRoot).file, expectedFile);
}

void TestScanWriters::writtenBytes()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QMessageSavingThread thread;
    const QByteArray text("From x\nFrom : y\n\xe9\xc3\xa9\0z", 20);

    // Without a destination nothing is written anywhere.
    GetAllFilePathInStrList = dir.path() + QLatin1String("/src/Mail/Inbox");
    QVERIFY(!thread.writeMailForPostBoxOutlook(text));
    QVERIFY(!thread.writeMailForOperaAppleMail(text, QStringLiteral("/A/F"), QString()));

    saveDir = dir.path() + QLatin1String("/out");
    m_selectedFile = dir.path() + QLatin1String("/src");
    QVERIFY(thread.writeMailForPostBoxOutlook(text));
    QVERIFY(thread.writeMailForPostBoxOutlook(QByteArray("second\n")));
    QVERIFY(thread.writeMailForOperaMail(text, saveDir + QLatin1String("/Main Identity.rge"), QStringLiteral("/A/F"),
                                         QStringLiteral("/unused.mbs")));
    QVERIFY(thread.writeMailForOperaAppleMail(text, QStringLiteral("/A/F"), QString()));

    const QString rge = saveDir + QLatin1String("/Main Identity.rge");
    QCOMPARE(filesBelow(saveDir),
             (QStringList{QStringLiteral("Main Identity.mbox/Mail/A/F/F.mbox"),
                          QStringLiteral("Main Identity.rge/Archive.xml"),
                          QStringLiteral("Main Identity.rge/Contents/Info.plist"),
                          QStringLiteral("Main Identity.rge/Contents/PkgInfo"),
                          QStringLiteral("Main Identity.rge/Mail/A/F/F.mbox"),
                          QStringLiteral("Main Identity.rge/Mail/Mail/Inbox/Inbox.mbox")}));
    QCOMPARE(readAll(rge + QLatin1String("/Mail/Mail/Inbox/Inbox.mbox")), text + "\nsecond\n\n");
    QCOMPARE(readAll(rge + QLatin1String("/Contents/PkgInfo")), QByteArray("rge OPIM"));
    QCOMPARE(readAll(rge + QLatin1String("/Contents/Info.plist")).size(), 433);
    QCOMPARE(readAll(rge + QLatin1String("/Archive.xml")).size(), 278);
    QCOMPARE(readAll(rge + QLatin1String("/Mail/A/F/F.mbox")),
             "From ???@??? Fri Dec 19 10:37:38 2014\n" + text + '\n');
    QCOMPARE(readAll(saveDir + QLatin1String("/Main Identity.mbox/Mail/A/F/F.mbox")),
             "From - Wed Nov 12 14:38:04 2014\n" + text + '\n');

    quint32 type = 1, creator = 0;
    if (platform::finderInfo(rge + QLatin1String("/Mail/A/F/F.mbox"), &type, &creator)) {
        QCOMPARE(type, platform::kFourCharMBOX);
        QCOMPARE(creator, platform::kFourCharOPIM);
    }
}

QTEST_GUILESS_MAIN(TestScanWriters)
#include "tst_scanwriters.moc"
