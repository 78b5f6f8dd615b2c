// Path rules of the message writers: where each source path lands below the
// output tree, that no folder name leaves the tree, and where a mbox source
// goes when another source of the save writes its place already.

#include "convert/outputpaths.h"

#include <QtTest>

using outputpaths::OutputTarget;

class TestOutputPaths : public QObject
{
    Q_OBJECT

private slots:
    void writerPaths_data();
    void writerPaths();
    void keptApartPlaces_data();
    void keptApartPlaces();
};

void TestOutputPaths::writerPaths_data()
{
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QString>("source"); // for "opera": the folder path
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("treeRoot");
    QTest::addColumn<QString>("expectedFile"); // "" for skip

    const QString rge = QStringLiteral("/D/Main Identity.rge");
    const QString lib = QStringLiteral("/U/Library/Mail");
    QTest::newRow("emlx-selection-above-mailbox")
        << QStringLiteral("emlx") << lib + QStringLiteral("/V2/Mailboxes/Work.mbox/Sub.mbox/X/Data/Messages/5.emlx") << lib << rge
        << rge + QStringLiteral("/Mail/V2/Mailboxes/Work/Sub/Sub.mbox");
    QTest::newRow("emlx-selection-is-mailbox")
        << QStringLiteral("emlx") << lib + QStringLiteral("/V2/Mailboxes/Work.mbox/Sub.mbox/X/Data/Messages/5.emlx")
        << lib + QStringLiteral("/V2/Mailboxes/Work.mbox/Sub.mbox") << rge << rge + QStringLiteral("/Mail/Sub/Sub.mbox");
    QTest::newRow("emlx-imapmbox") << QStringLiteral("emlx") << lib + QStringLiteral("/V2/Acct/INBOX.imapmbox/X/Messages/7.emlx") << lib << rge
                                   << rge + QStringLiteral("/Mail/V2/Acct/INBOX/INBOX.mbox");
    QTest::newRow("emlx-imapmbox-wins-over-later-mbox")
        << QStringLiteral("emlx") << lib + QStringLiteral("/V2/Acct/INBOX.imapmbox/Old.mbox/Messages/8.emlx") << lib << rge
        << rge + QStringLiteral("/Mail/V2/Acct/INBOX/INBOX.mbox");
    QTest::newRow("emlx-no-marker-file-takes-folder-name")
        << QStringLiteral("emlx") << lib + QStringLiteral("/V2/loose/1.emlx") << lib << rge << rge + QStringLiteral("/Mail/Mail.mbox");
    QTest::newRow("emlx-selection-elsewhere-falls-back-inside-tree")
        << QStringLiteral("emlx") << lib + QStringLiteral("/V2/Work.mbox/Messages/1.emlx") << QStringLiteral("/Other") << rge << rge + QStringLiteral("/Mail/Work/Work.mbox");
    QTest::newRow("emlx-dotdot-neutralised")
        << QStringLiteral("emlx") << lib + QStringLiteral("/../../x.mbox/Messages/1.emlx") << lib << rge << rge + QStringLiteral("/Mail/%2E%2E/%2E%2E/x/x.mbox");

    const QString out = QStringLiteral("/Users/ann/Out/Main Identity.rge");
    const QString apple = QStringLiteral("/Users/ann/Out/Main Identity.mbox");
    const QString store = QStringLiteral("/Users/ann/Store");
    QTest::newRow("mailmate-below-selection-drops-messages-account")
        << QStringLiteral("mailmate") << store + QStringLiteral("/Messages/Mine/Home/Work.mailbox/Messages/7.eml") << store << out
        << out + QStringLiteral("/Mail/Home/Work/Work.mbox");
    QTest::newRow("mailmate-apple-tree-same-layout")
        << QStringLiteral("mailmate") << store + QStringLiteral("/Messages/Mine/Home/Work.mailbox/Messages/7.eml") << store << apple
        << apple + QStringLiteral("/Mail/Home/Work/Work.mbox");
    QTest::newRow("mailmate-nested-mailbox")
        << QStringLiteral("mailmate") << store + QStringLiteral("/Messages/Mine/Home/Work.mailbox/Projects.mailbox/Messages/9.eml") << store << out
        << out + QStringLiteral("/Mail/Home/Work/Projects/Projects.mbox");
    QTest::newRow("mailmate-deeper-selection-cuts-nothing")
        << QStringLiteral("mailmate") << store + QStringLiteral("/Messages/Mine/Home/Work.mailbox/Messages/7.eml") << store + QStringLiteral("/Messages/Mine")
        << out << out + QStringLiteral("/Mail/Home/Work/Work.mbox");
    QTest::newRow("mailmate-mailbox-selected")
        << QStringLiteral("mailmate") << store + QStringLiteral("/Home/Work.mailbox/Messages/7.eml") << store + QStringLiteral("/Home/Work.mailbox") << out
        << out + QStringLiteral("/Mail/Work/Work.mbox");
    QTest::newRow("mailmate-folder-inside-mailbox-selected")
        << QStringLiteral("mailmate") << store + QStringLiteral("/Home/Work.mailbox/Messages/7.eml") << store + QStringLiteral("/Home/Work.mailbox/Messages")
        << out << out + QStringLiteral("/Mail/Messages/Work/Work.mbox");
    QTest::newRow("mailmate-long-account-name-not-mangled")
        << QStringLiteral("mailmate") << store + QStringLiteral("/Messages/Accounts/Work.mailbox/Messages/7.eml") << store << out
        << out + QStringLiteral("/Mail/Work/Work.mbox");
    QTest::newRow("mailmate-cut-leaves-nothing")
        << QStringLiteral("mailmate") << store + QStringLiteral("/Messages/Work.mailbox/Messages/7.eml") << store << out << out + QStringLiteral("/Mail/Work.mbox");
    QTest::newRow("mailmate-sub-mailbox-beside-selected-parent")
        << QStringLiteral("mailmate") << store + QStringLiteral("/Home/Work.mailbox/Projects.mailbox/Messages/9.eml") << store + QStringLiteral("/Home/Work.mailbox")
        << out << out + QStringLiteral("/Mail/Projects/Projects.mbox");
    QTest::newRow("mailmate-mbox-folder") << QStringLiteral("mailmate") << QStringLiteral("/Users/ann/Old/Box.mbox/Messages/3.eml")
                                          << QStringLiteral("/Users/ann/Old") << out << out + QStringLiteral("/Mail/Box/Box.mbox");
    QTest::newRow("mailmate-mailbox-wins-over-later-mbox")
        << QStringLiteral("mailmate") << store + QStringLiteral("/Home/A.mailbox/B.mbox/Messages/1.eml") << store << out << out + QStringLiteral("/Mail/Home/A/A.mbox");
    QTest::newRow("mailmate-mbox-in-name-kept-in-file-only")
        << QStringLiteral("mailmate") << store + QStringLiteral("/Old.mbox.mailbox/Messages/1.eml") << store << out << out + QStringLiteral("/Mail/Old/Old.mbox.mbox");
    QTest::newRow("mailmate-loose-file-takes-folder-name")
        << QStringLiteral("mailmate") << store + QStringLiteral("/loose.eml") << store << out << out + QStringLiteral("/Mail/Users/ann/Store/Store.mbox");
    QTest::newRow("mailmate-dotdot-neutralised")
        << QStringLiteral("mailmate") << store + QStringLiteral("/../../etc.mailbox/Messages/1.eml") << store << out
        << out + QStringLiteral("/Mail/%2E%2E/%2E%2E/etc/etc.mbox");

    const QString o = QStringLiteral("/out/Main Identity.rge");
    const QString oa = QStringLiteral("/out/Main Identity.mbox");
    const QString src = QStringLiteral("/src/Store");
    QTest::newRow("outspring-directory") << QStringLiteral("outspring") << src + QStringLiteral("/Inbox/12.eml") << src << o
                                         << o + QStringLiteral("/Mail/Inbox/Inbox.mbox");
    QTest::newRow("outspring-apple-tree") << QStringLiteral("outspring") << src + QStringLiteral("/Inbox/13.f.eml") << src << oa
                                          << oa + QStringLiteral("/Mail/Inbox/Inbox.mbox");
    QTest::newRow("outspring-nested") << QStringLiteral("outspring") << src + QStringLiteral("/Work/Projects/7.eml") << src << o
                                      << o + QStringLiteral("/Mail/Work/Projects/Projects.mbox");
    QTest::newRow("outspring-mbox-dropped-from-folders")
        << QStringLiteral("outspring") << src + QStringLiteral("/Archive.mbox/2014.mbox/3.eml") << src << o << o + QStringLiteral("/Mail/Archive/2014/2014.mbox.mbox");
    QTest::newRow("outspring-mbox-inside-longer-name")
        << QStringLiteral("outspring") << src + QStringLiteral("/Old.mboxes/5.eml") << src << o << o + QStringLiteral("/Mail/Oldes/Old.mboxes.mbox");
    QTest::newRow("outspring-directly-in-selection")
        << QStringLiteral("outspring") << src + QStringLiteral("/9.eml") << src << o << o + QStringLiteral("/Mail/Store/Store.mbox");
    QTest::newRow("outspring-selection-named-mbox")
        << QStringLiteral("outspring") << QStringLiteral("/src/Inbox.mbox/4.eml") << QStringLiteral("/src/Inbox.mbox") << o << o + QStringLiteral("/Mail/Inbox/Inbox.mbox.mbox");
    QTest::newRow("outspring-sibling-with-longer-name-falls-back")
        << QStringLiteral("outspring") << QStringLiteral("/src/Store2/Box/1.eml") << src << o << o + QStringLiteral("/Mail/Box/Box.mbox");
    QTest::newRow("outspring-dotdot-neutralised")
        << QStringLiteral("outspring") << src + QStringLiteral("/../x/1.eml") << src << o << o + QStringLiteral("/Mail/%2E%2E/x/x.mbox");

    QTest::newRow("opera-account-and-location") << QStringLiteral("opera") << QStringLiteral("/Work/Inbox") << QStringLiteral("") << o
                                                << o + QStringLiteral("/Mail/Work/Inbox/Inbox.mbox");
    QTest::newRow("opera-apple-tree") << QStringLiteral("opera") << QStringLiteral("/Work/Mails") << QStringLiteral("") << oa << oa + QStringLiteral("/Mail/Work/Mails/Mails.mbox");
    QTest::newRow("opera-nested-location") << QStringLiteral("opera") << QStringLiteral("/Work/Archive/2014") << QStringLiteral("") << o
                                           << o + QStringLiteral("/Mail/Work/Archive/2014/2014.mbox");
    QTest::newRow("opera-empty-folder-path-skips") << QStringLiteral("opera") << QStringLiteral("") << QStringLiteral("") << o << QStringLiteral("");
    QTest::newRow("opera-location-climbing-out") << QStringLiteral("opera") << QStringLiteral("/Work/../../x") << QStringLiteral("") << o
                                                 << o + QStringLiteral("/Mail/Work/%2E%2E/%2E%2E/x/x.mbox");
    QTest::newRow("opera-location-only-dotdot") << QStringLiteral("opera") << QStringLiteral("/Work/..") << QStringLiteral("") << o
                                                << o + QStringLiteral("/Mail/Work/%2E%2E/%2E%2E.mbox");
    QTest::newRow("opera-trailing-slash-file-takes-folder-name")
        << QStringLiteral("opera") << QStringLiteral("/Work/Inbox/") << QStringLiteral("") << o << o + QStringLiteral("/Mail/Work/Inbox/Inbox.mbox");
    QTest::newRow("opera-no-leading-slash") << QStringLiteral("opera") << QStringLiteral("Inbox") << QStringLiteral("") << o << o + QStringLiteral("/Mail/Inbox/Inbox.mbox");
    QTest::newRow("opera-shell-characters-are-names")
        << QStringLiteral("opera") << QStringLiteral("/a'b/x;touch PWNED/$(touch PWNED)") << QStringLiteral("") << o
        << o + QStringLiteral("/Mail/a'b/x;touch PWNED/$(touch PWNED)/$(touch PWNED).mbox");
    QTest::newRow("opera-empty-tree-root-skips") << QStringLiteral("opera") << QStringLiteral("/Work/Inbox") << QStringLiteral("") << QStringLiteral("") << QStringLiteral("");

    const QString tb = QStringLiteral("/Users/u1/Library/Thunderbird");
    const QString prof = tb + QStringLiteral("/Profiles/p7q.default");
    QTest::newRow("mbox-apple-local-folder") << QStringLiteral("mbox-apple") << prof + QStringLiteral("/Mail/Local Folders/Inbox") << tb << oa
                                             << oa + QStringLiteral("/Mail/Local Folders/Inbox/Inbox.mbox");
    QTest::newRow("mbox-apple-sbd") << QStringLiteral("mbox-apple") << prof + QStringLiteral("/Mail/Local Folders/Projects.sbd/Receipts") << tb << oa
                                    << oa + QStringLiteral("/Mail/Local Folders/Projects.sbd/Receipts/Receipts.mbox");
    QTest::newRow("mbox-apple-imapmail") << QStringLiteral("mbox-apple") << prof + QStringLiteral("/ImapMail/Work Account/INBOX") << tb << oa
                                         << oa + QStringLiteral("/Mail/Work Account/INBOX/INBOX.mbox");
    QTest::newRow("mbox-apple-name-earlier-in-path")
        << QStringLiteral("mbox-apple") << prof + QStringLiteral("/Mail/Local Folders/Archives.sbd/Archive") << tb << oa
        << oa + QStringLiteral("/Mail/Local Folders/Archives.sbd/Archive/Archive.mbox");
    QTest::newRow("mbox-apple-mbox-component-kept")
        << QStringLiteral("mbox-apple") << QStringLiteral("/Users/u1/Library/Mail/Mailboxes/Garden.mbox/Old mail") << tb << oa
        << oa + QStringLiteral("/Mail/Mailboxes/Garden.mbox/Old mail/Old mail.mbox");
    QTest::newRow("mbox-apple-last-mail-wins-over-imapmail")
        << QStringLiteral("mbox-apple") << QStringLiteral("/p/ImapMail/a/Mail/b") << tb << oa << oa + QStringLiteral("/Mail/b/b.mbox");
    QTest::newRow("mbox-apple-folder-named-mail")
        << QStringLiteral("mbox-apple") << prof + QStringLiteral("/Mail/Local Folders/Mail") << tb << oa
        << oa + QStringLiteral("/Mail/Local Folders/Mail/Mail.mbox");
    QTest::newRow("mbox-apple-no-store-level-falls-back")
        << QStringLiteral("mbox-apple") << QStringLiteral("/Users/u1/Desktop/Exported/Inbox") << tb << oa << oa + QStringLiteral("/Mail/Inbox/Inbox.mbox");
    QTest::newRow("mbox-apple-dotdot-neutralised")
        << QStringLiteral("mbox-apple") << QStringLiteral("/p/Mail/../../x") << tb << oa << oa + QStringLiteral("/Mail/%2E%2E/%2E%2E/x/x.mbox");

    QTest::newRow("mbox-bundle-local-folder") << QStringLiteral("mbox-bundle") << prof + QStringLiteral("/Mail/Local Folders/Inbox") << tb << o
                                              << o + QStringLiteral("/Mail/Local Folders/Inbox/Inbox.mbox");
    QTest::newRow("mbox-bundle-sbd") << QStringLiteral("mbox-bundle") << prof + QStringLiteral("/Mail/Local Folders/Projects.sbd/Receipts") << tb << o
                                     << o + QStringLiteral("/Mail/Local Folders/Projects.sbd/Receipts/Receipts.mbox");
    QTest::newRow("mbox-bundle-imapmail") << QStringLiteral("mbox-bundle") << prof + QStringLiteral("/ImapMail/Work Account/INBOX") << tb << o
                                          << o + QStringLiteral("/Mail/Work Account/INBOX/INBOX.mbox");
    QTest::newRow("mbox-bundle-mbox-component-file-beside")
        << QStringLiteral("mbox-bundle") << QStringLiteral("/Users/u1/Library/Mail/Mailboxes/Garden.mbox/Old mail") << tb << o
        << o + QStringLiteral("/Mail/Mailboxes/Garden.mbox/Old mail.mbox");
    QTest::newRow("mbox-bundle-mbox-removed-from-name")
        << QStringLiteral("mbox-bundle") << QStringLiteral("/Users/u1/Library/Mail/Mailboxes/Garden.mbox.old") << tb << o
        << o + QStringLiteral("/Mail/Mailboxes/Garden.old.mbox");
    QTest::newRow("mbox-bundle-apple-export-below-selection")
        << QStringLiteral("mbox-bundle") << QStringLiteral("/Users/u1/Desktop/Exported/Projects/Garden.mbox/mbox") << QStringLiteral("/Users/u1/Desktop/Exported") << o
        << o + QStringLiteral("/Mail/Projects/Garden/Garden.mbox");
    QTest::newRow("mbox-bundle-apple-export-selected")
        << QStringLiteral("mbox-bundle") << QStringLiteral("/Users/u1/Desktop/Exported/Garden.mbox/mbox") << QStringLiteral("/Users/u1/Desktop/Exported/Garden.mbox")
        << o << o + QStringLiteral("/Mail/Garden/Garden.mbox");
    QTest::newRow("mbox-bundle-apple-export-outside-selection-falls-back")
        << QStringLiteral("mbox-bundle") << QStringLiteral("/elsewhere/Box.mbox/mbox") << QStringLiteral("/Users/u1/Desktop/Exported") << o << o + QStringLiteral("/Mail/Box/Box.mbox");
    QTest::newRow("mbox-bundle-no-store-level-falls-back")
        << QStringLiteral("mbox-bundle") << QStringLiteral("/Users/u1/Desktop/Exported/Inbox") << tb << o << o + QStringLiteral("/Mail/Inbox/Inbox.mbox");
    QTest::newRow("mbox-bundle-dotdot-neutralised")
        << QStringLiteral("mbox-bundle") << QStringLiteral("/p/Mail/../x/y") << tb << o << o + QStringLiteral("/Mail/%2E%2E/x/y/y.mbox");
}

void TestOutputPaths::writerPaths()
{
    QFETCH(QString, rule);
    QFETCH(QString, source);
    QFETCH(QString, selected);
    QFETCH(QString, treeRoot);
    QFETCH(QString, expectedFile);

    OutputTarget target;
    if (rule == QLatin1String("emlx"))
        target = outputpaths::emlxBundleTarget(source, selected, treeRoot);
    else if (rule == QLatin1String("mailmate"))
        target = outputpaths::mailMateTarget(source, selected, treeRoot);
    else if (rule == QLatin1String("outspring"))
        target = outputpaths::outspringTarget(source, selected, treeRoot);
    else if (rule == QLatin1String("opera"))
        target = outputpaths::operaTarget(source, treeRoot);
    else if (rule == QLatin1String("mbox-apple"))
        target = outputpaths::mboxAppleTarget(source, treeRoot);
    else
        target = outputpaths::mboxBundleTarget(source, selected, treeRoot);

    QCOMPARE(target.file, expectedFile);
    if (expectedFile.isEmpty()) {
        QVERIFY(target.folder.isEmpty());
        return;
    }
    QCOMPARE(target.folder, expectedFile.left(expectedFile.lastIndexOf(QLatin1Char('/'))));
    QVERIFY(QDir::cleanPath(target.file).startsWith(treeRoot + QLatin1String("/Mail/")));
}

void TestOutputPaths::keptApartPlaces_data()
{
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("attempt");
    QTest::addColumn<QString>("expectedFile");

    const QString sel = QStringLiteral("/E");
    const QString oa = QStringLiteral("/o/Main Identity.mbox");
    const QString o = QStringLiteral("/o/Main Identity.rge");
    QTest::newRow("eudora-subfolder-below-selection")
        << QStringLiteral("mbox-apple") << sel + QStringLiteral("/Mail Folder/Work.fol/In") << 1
        << oa + QStringLiteral("/Mail/Mail Folder/Work.fol/In/In.mbox");
    QTest::newRow("eudora-subfolder-bundle") << QStringLiteral("mbox-bundle") << sel + QStringLiteral("/Mail Folder/Work.fol/In") << 1
                                             << o + QStringLiteral("/Mail/Mail Folder/Work.fol/In/In.mbox");
    QTest::newRow("second-profile-same-folder")
        << QStringLiteral("mbox-apple") << sel + QStringLiteral("/p2/Mail/Local Folders/Inbox") << 1
        << oa + QStringLiteral("/Mail/p2/Mail/Local Folders/Inbox/Inbox.mbox");
    QTest::newRow("apple-export-mailbox-folder") << QStringLiteral("mbox-bundle") << sel + QStringLiteral("/b/Garden.mbox/mbox") << 1
                                                 << o + QStringLiteral("/Mail/b/Garden.mbox/Garden/Garden.mbox");
    QTest::newRow("taken-again-numbered") << QStringLiteral("mbox-apple") << sel + QStringLiteral("/Mail Folder/Work.fol/In") << 2
                                          << oa + QStringLiteral("/Mail/Mail Folder/Work.fol/In/In~2.mbox");
    QTest::newRow("outside-selection-whole-path") << QStringLiteral("mbox-apple") << QStringLiteral("/F/x/In") << 1
                                                  << oa + QStringLiteral("/Mail/F/x/In/In.mbox");
}

void TestOutputPaths::keptApartPlaces()
{
    QFETCH(QString, rule);
    QFETCH(QString, source);
    QFETCH(int, attempt);
    QFETCH(QString, expectedFile);

    const QString selected = QStringLiteral("/E");
    const bool bundle = rule == QLatin1String("mbox-bundle");
    const QString root = bundle ? QStringLiteral("/o/Main Identity.rge") : QStringLiteral("/o/Main Identity.mbox");
    const OutputTarget taken = bundle ? outputpaths::mboxBundleTarget(source, selected, root)
                                      : outputpaths::mboxAppleTarget(source, root);
    const OutputTarget apart = outputpaths::keptApartPlace(taken, source, selected, root, attempt);
    QCOMPARE(apart.file, expectedFile);
    QCOMPARE(apart.folder, expectedFile.left(expectedFile.lastIndexOf(QLatin1Char('/'))));
    QVERIFY(apart.file != taken.file);
}

QTEST_GUILESS_MAIN(TestOutputPaths)
#include "tst_outputpaths.moc"
