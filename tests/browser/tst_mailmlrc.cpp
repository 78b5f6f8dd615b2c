// Backup message records: the list, the copy rule of their text fields and
// the folder stamp; and the least preview of a record (header lines as plain
// text, the body range checked against the backup file).

#include "app/mainwindowfixture.h"

#include "app/converterresources.h"
#include "olm/mailmlrc.h"
#include "olm/olmpreview.h"
#include "support/testfiles.h"

#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QtTest>


namespace {

QStringList subjectsInList()
{
    QStringList subjects;
    for (const MailMLRC *record = TmpMlrcPtrStart; record; record = record->pNext)
        subjects.append(fieldText(record->szSubject));
    return subjects;
}

} // namespace

class TestMailMLRC : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void appendsAndReleasesInOrder();
    void storesWholeValuesWithinLimits_data();
    void storesWholeValuesWithinLimits();
    void readsFieldsWithinTheirWidth();
    void storesCutTimeTexts();
    void stampsFolder_data();
    void stampsFolder();
    void picksSenderOfAddressList_data();
    void picksSenderOfAddressList();
    void buildsHeaderLines();
    void restoresBodyMarkup_data();
    void restoresBodyMarkup();
    void readsBodyRangeWithinFile_data();
    void readsBodyRangeWithinFile();
    void boundsLargeBodies_data();
    void boundsLargeBodies();
    void readsAtMostTheReadBound();
    void showsHeaderValuesAsPlainText();

private:
    MainWindowFixture fixture;
};

void TestMailMLRC::initTestCase()
{
    initConverterResources();
}

void TestMailMLRC::init()
{
    fixture.setUp();
}

void TestMailMLRC::cleanup()
{
    fixture.tearDown();
}

void TestMailMLRC::appendsAndReleasesInOrder()
{
    releaseMailMLRCs();
    QVERIFY(!TmpMlrcPtrStart && !TmpMlrcPtrEnd);

    MailMLRC *first = appendMailMLRC();
    QVERIFY(*first == MailMLRC());
    QCOMPARE(TmpMlrcPtrStart, first);
    QCOMPARE(TmpMlrcPtrEnd, first);
    storeText(first->szSubject, mlrclimits::kSubject, "one");
    first->pAttachNames = "a.txt;";
    MailMLRC *second = appendMailMLRC();
    storeText(second->szSubject, mlrclimits::kSubject, "two");
    QCOMPARE(TmpMlrcPtrStart, first);
    QCOMPARE(TmpMlrcPtrEnd, second);
    QCOMPARE(first->pNext, second);
    QVERIFY(!second->pNext);
    QCOMPARE(subjectsInList(), (QStringList{QStringLiteral("one"), QStringLiteral("two")}));

    releaseMailMLRCs();
    QVERIFY(!TmpMlrcPtrStart && !TmpMlrcPtrEnd);
    releaseMailMLRCs();
    QVERIFY(!TmpMlrcPtrStart && !TmpMlrcPtrEnd);
}

void TestMailMLRC::storesWholeValuesWithinLimits_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("stored");

    const QString eAcute = QStringLiteral("é");
    QTest::newRow("subject-of-1023-bytes") << "subject" << QByteArray(1023, 's') << true;
    QTest::newRow("subject-of-1024-bytes") << "subject" << QByteArray(1024, 's') << false;
    QTest::newRow("subject-of-1000-characters-and-1030-bytes")
        << "subject" << (QString(970, QLatin1Char('s')) + QString(30, eAcute.at(0))).toUtf8() << false;
    QTest::newRow("cc-address-of-3000-bytes") << "cc" << QByteArray(3000, 'c') << true;
    QTest::newRow("to-address-of-3000-bytes") << "to" << QByteArray(3000, 't') << false;
    QTest::newRow("to-address-of-2999-bytes") << "to" << QByteArray(2999, 't') << true;
    QTest::newRow("from-names-of-99-bytes") << "fromName" << QByteArray(99, 'f') << true;
    QTest::newRow("from-names-of-100-bytes-in-wide-field") << "fromName" << QByteArray(100, 'f') << false;
    QTest::newRow("priority-3") << "priority" << QByteArray("3") << true;
    QTest::newRow("priority-of-4-characters") << "priority" << QByteArray("1234") << false;
    QTest::newRow("empty-value") << "subject" << QByteArray() << false;
    QTest::newRow("utf-8-kept-as-bytes") << "subject" << QByteArray("Caf\xc3\xa9 \xf0\x9f\x93\xa7") << true;
}

void TestMailMLRC::storesWholeValuesWithinLimits()
{
    QFETCH(QString, field);
    QFETCH(QByteArray, value);
    QFETCH(bool, stored);
    MailMLRC *record = appendMailMLRC();
    bool result = false;
    QByteArray kept;
    if (field == QLatin1String("subject")) {
        result = storeText(record->szSubject, mlrclimits::kSubject, value);
        kept = record->szSubject;
    } else if (field == QLatin1String("cc")) {
        result = storeText(record->szCcAddress, mlrclimits::kCcAddress, value);
        kept = record->szCcAddress;
    } else if (field == QLatin1String("to")) {
        result = storeText(record->szToAddress, mlrclimits::kToAddress, value);
        kept = record->szToAddress;
    } else if (field == QLatin1String("fromName")) {
        result = storeText(record->szFromName, mlrclimits::kFromName, value);
        kept = record->szFromName;
    } else {
        result = storeText(record->szPriority, mlrclimits::kPriority, value);
        kept = record->szPriority;
    }
    QCOMPARE(result, stored);
    QCOMPARE(kept, stored ? value : QByteArray());
    // Nothing of the record beside the field was touched.
    QVERIFY(!record->pNext && record->llFolderId == 0 && record->szSentTime.isEmpty());
}

void TestMailMLRC::readsFieldsWithinTheirWidth()
{
    MailMLRC *record = appendMailMLRC();
    record->szPriority = QByteArray("ab\0cd", 5);
    QCOMPARE(fieldText(record->szPriority), QStringLiteral("ab"));
    storeText(record->szFromName, mlrclimits::kFromName, "Caf\xc3\xa9;");
    QCOMPARE(fieldText(record->szFromName), QStringLiteral("Café;"));
}

void TestMailMLRC::storesCutTimeTexts()
{
    // Time texts are cut to 31 bytes before the whole-or-nothing rule.
    MailMLRC *record = appendMailMLRC();
    QVERIFY(storeTimeText(record->szSentTime, QByteArray("Fri, 19 Dec 2014 05:07:38 +0000 (UTC)")));
    QCOMPARE(record->szSentTime, QByteArray("Fri, 19 Dec 2014 05:07:38 +0000"));
    QVERIFY(!storeTimeText(record->szReceivedTime, QByteArray()));
    QVERIFY(!record->hasAttachments());
}

void TestMailMLRC::stampsFolder_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("storedPath");
    QTest::addColumn<quint64>("folderId");
    QTest::newRow("folder-path") << QStringLiteral("Inbox/Work") << QStringLiteral("Inbox/Work") << quint64(503);
    QTest::newRow("no-folder-path") << QString() << QString() << kNoFolderId;
    QTest::newRow("path-of-1023-bytes") << QString(1023, QLatin1Char('p')) << QString(1023, QLatin1Char('p'))
                                        << quint64(503);
    QTest::newRow("path-of-1024-bytes-keeps-its-folder") << QString(1024, QLatin1Char('p')) << QString()
                                                         << quint64(503);
}

void TestMailMLRC::stampsFolder()
{
    QFETCH(QString, path);
    QFETCH(QString, storedPath);
    QFETCH(quint64, folderId);
    MailMLRC *record = appendMailMLRC();
    stampFolder(record, path, 503);
    QCOMPARE(fieldText(record->szFolderPath), storedPath);
    QCOMPARE(record->llFolderId, folderId);
}

void TestMailMLRC::picksSenderOfAddressList_data()
{
    QTest::addColumn<QString>("addresses");
    QTest::addColumn<QString>("sender");
    QTest::newRow("one-address") << "a@x;" << "a@x";
    QTest::newRow("three-addresses-give-the-third") << "a@x;b@x;c@x;" << "c@x";
    QTest::newRow("two-joined-without-final-separator") << "a@x;b@x" << "a@xb@x";
}

void TestMailMLRC::picksSenderOfAddressList()
{
    QFETCH(QString, addresses);
    QFETCH(QString, sender);
    QCOMPARE(olmpreview::senderOfList(addresses), sender);
}

void TestMailMLRC::buildsHeaderLines()
{
    MailMLRC *record = appendMailMLRC();
    QVERIFY(olmpreview::headerLines(*record).isEmpty());

    storeText(record->szFromAddress, mlrclimits::kFromAddress, "a@x;b@x;");
    storeText(record->szToAddress, mlrclimits::kToAddress, "t@x;u@x;");
    storeText(record->szSubject, mlrclimits::kSubject, "Hello");
    storeText(record->szBccAddress, mlrclimits::kBccAddress, "h@x;");
    record->pAttachNames = "a.pdf;b.txt;";
    QCOMPARE(olmpreview::headerLines(*record),
             (QStringList{QStringLiteral("b@x"), QStringLiteral("To: t@x;u@x;"), QStringLiteral("Hello"),
                          QStringLiteral("h@x;"), QStringLiteral("Attachments: a.pdf\nb.txt\n")}));
}

void TestMailMLRC::restoresBodyMarkup_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("document"); // stored and page inside <html> ... </html>
    QTest::addColumn<QString>("page");
    QTest::newRow("escaped-bold-word") << QByteArray("&lt;b&gt;bold&lt;/b&gt;") << true << QStringLiteral("<b>bold</b>");
    QTest::newRow("escaped-less-than-stays-text") << QByteArray("&amp;lt;") << true << QStringLiteral("&lt;");
    QTest::newRow("escaped-greater-than-becomes-markup") << QByteArray("&amp;gt;") << true << QStringLiteral(">");
    QTest::newRow("escaped-no-break-space-becomes-blank") << QByteArray("&amp;nbsp;") << true << QStringLiteral(" ");
    QTest::newRow("twice-escaped-less-than") << QByteArray("&amp;amp;lt;") << true << QStringLiteral("<");
    QTest::newRow("other-entities-stay") << QByteArray("&quot;") << true << QStringLiteral("&quot;");
    QTest::newRow("utf-8-text") << QByteArray("Caf\xc3\xa9") << true << QStringLiteral("Café");
    QTest::newRow("plain-text-shows-markup-characters-and-keeps-lines")
        << QByteArray("Reply to &lt;addr@x&gt;\r\n\ta &lt; b &amp;&amp; c &gt; d\r\n-- \rAnn\n") << false
        << QStringLiteral("<html><pre style=\"white-space: pre-wrap\">Reply to &lt;addr@x&gt;\n\ta &lt; b &amp;&amp; c &gt; d\n-- \nAnn\n</pre></html>");
    QTest::newRow("plain-text-with-markup-but-no-document")
        << QByteArray("&lt;b&gt;bold&lt;/b&gt; &lt;html&gt;") << false
        << QStringLiteral("<html><pre style=\"white-space: pre-wrap\">&lt;b&gt;bold&lt;/b&gt; &lt;html&gt;</pre></html>");
}

void TestMailMLRC::restoresBodyMarkup()
{
    QFETCH(QByteArray, stored);
    QFETCH(bool, document);
    QFETCH(QString, page);
    if (document) {
        stored = "&lt;html&gt;" + stored + "&lt;/HTML&gt;";
        page = QStringLiteral("<html>") + page + QStringLiteral("</HTML>");
    }
    QCOMPARE(olmpreview::bodyPage(stored), page);
}

void TestMailMLRC::readsBodyRangeWithinFile_data()
{
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<qint64>("length");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("ok");
    QTest::newRow("inside") << qint64(2) << qint64(3) << QByteArray("234") << true;
    QTest::newRow("past-the-end-is-cut") << qint64(8) << qint64(5) << QByteArray("89") << true;
    QTest::newRow("last-byte") << qint64(9) << qint64(1) << QByteArray("9") << true;
    QTest::newRow("length-beyond-any-file") << qint64(0) << std::numeric_limits<qint64>::max()
                                            << QByteArray("0123456789") << true;
    QTest::newRow("offset-at-the-end") << qint64(10) << qint64(1) << QByteArray() << false;
    QTest::newRow("negative-offset") << qint64(-1) << qint64(2) << QByteArray() << false;
    QTest::newRow("zero-length") << qint64(0) << qint64(0) << QByteArray() << false;
    QTest::newRow("negative-length") << qint64(0) << qint64(-5) << QByteArray() << false;
}

void TestMailMLRC::readsBodyRangeWithinFile()
{
    QFETCH(qint64, offset);
    QFETCH(qint64, length);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, ok);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("backup.olm"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("0123456789");
    file.close();

    bool read = !ok;
    QCOMPARE(olmpreview::readBodyRange(path, offset, length, &read), bytes);
    QCOMPARE(read, ok);
    QVERIFY(olmpreview::readBodyRange(dir.filePath(QStringLiteral("missing.olm")), 0, 4).isEmpty());
}

void TestMailMLRC::boundsLargeBodies_data()
{
    const int limit = preview::kMaxShownBodyBytes;
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("storedCut");
    QTest::addColumn<QString>("shownTail"); // the last characters shown
    QTest::addColumn<int>("shownSize");
    QTest::addColumn<bool>("note");
    // An HTML document ("<html></html>" restored) of limit - 1 bytes.
    const QByteArray filler = "&lt;html&gt;&lt;/html&gt;" + QByteArray(limit - 14, 'a');
    QTest::newRow("4-mib-shown-whole") << filler + 'b' << false << QStringLiteral("ab") << limit << false;
    QTest::newRow("one-byte-over-cut-with-note") << filler + "bc" << false << QStringLiteral("ab") << limit << true;
    QTest::newRow("cut-never-splits-a-character")
        << filler + "\xc3\xa9" << false << QStringLiteral("aa") << limit - 1 << true;
    QTest::newRow("restored-entity-fits") << filler + "&lt;" << false << QStringLiteral("a<") << limit << false;
    QTest::newRow("cut-stored-document-gets-the-note")
        << QByteArray("&lt;html&gt;short") << true << QStringLiteral("rt") << 11 << true;
    QTest::newRow("plain-text-cut-before-its-markup-is-escaped")
        << QByteArray(limit - 1, 'a') + "&lt;&lt;" << false << QStringLiteral("a&lt;</pre></html>") << limit + 57 << true;
}

void TestMailMLRC::boundsLargeBodies()
{
    QFETCH(QByteArray, stored);
    QFETCH(bool, storedCut);
    QFETCH(QString, shownTail);
    QFETCH(int, shownSize);
    QFETCH(bool, note);
    const QString noteHtml = QStringLiteral("<p><i>") + preview::kBodyCutNote + QStringLiteral("</i></p>");
    QString page = olmpreview::bodyPage(stored, storedCut);
    QCOMPARE(page.endsWith(noteHtml), note);
    if (note)
        page.chop(noteHtml.size());
    QCOMPARE(page.size(), shownSize);
    QCOMPARE(page.right(shownTail.size()), shownTail);
}

void TestMailMLRC::readsAtMostTheReadBound()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("backup.olm"));
    QVERIFY(testfiles::writeFile(path, QByteArray(int(olmpreview::kMaxStoredBodyBytes) + 10, 'x')));

    bool read = false;
    bool cut = false;
    const qint64 bound = olmpreview::kMaxStoredBodyBytes;
    QCOMPARE(olmpreview::readBodyRange(path, 10, bound, &read, &cut).size(), int(bound));
    QVERIFY(read && !cut);
    QCOMPARE(olmpreview::readBodyRange(path, 9, bound + 1, &read, &cut).size(), int(bound));
    QVERIFY(read && cut);
    QCOMPARE(olmpreview::readBodyRange(path, 0, std::numeric_limits<qint64>::max(), &read, &cut).size(), int(bound));
    QVERIFY(read && cut);
}

void TestMailMLRC::showsHeaderValuesAsPlainText()
{
    MailMLRC *record = appendMailMLRC();
    storeText(record->szFromAddress, mlrclimits::kFromAddress, "<i>a@x</i>;");
    storeText(record->szSubject, mlrclimits::kSubject, "<b>bold</b> &amp; more");
    QConverterMainWindow *window = fixture.window;
    window->m_pHeaderBox->setPlainText(QStringLiteral("stale header"));

    window->MessageFieldsForThePreview(record, 0);

    QTextDocument *document = window->m_pHeaderBox->document();
    const QString text = document->toPlainText();
    QVERIFY2(text.contains(QStringLiteral("<b>bold</b> &amp; more")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("<i>a@x</i>")));
    QVERIFY(!text.contains(QStringLiteral("stale header")));
    // The sender line is bold, the subject line is not.
    QStringList weights;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (!block.text().isEmpty())
            weights.append(QString::number(block.begin().fragment().charFormat().fontWeight()));
    }
    QCOMPARE(weights, (QStringList{QStringLiteral("75"), QStringLiteral("50")}));
}

QTEST_MAIN(TestMailMLRC)
#include "tst_mailmlrc.moc"
