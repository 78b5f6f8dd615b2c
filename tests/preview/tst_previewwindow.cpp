// The preview as the main window shows it: header box paragraphs and the
// web view's page for an mbox byte range and for a message file, the range
// checks, and that a stranger's message stays inert: no script runs, no
// request leaves, and nothing of it is written to a shared directory.

#include "../app/mainwindowfixture.h"

#include "app/converterresources.h"
#include "app/safewebview.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QWebFrame>
#include <QtTest>

namespace {

const QByteArray kFirstMessage("From a@x Tue Mar  4 21:05:09 2014\n"
                               "From: first@x\nSubject: first\nContent-Type: text/plain; charset=utf-8\n\n"
                               "first body, long enough for the scan\n");
const QByteArray kSecondMessage("From j@x Tue Mar  4 21:05:09 2014\n"
                                "From: =?UTF-8?B?SsO8cmdlbg==?= <j@x>\nTo: b@x\n"
                                "Subject: =?UTF-8?Q?Gr=C3=BC=C3=9Fe?=\nDate: Tue, 4 Mar 2014 21:05:09 +0000\n"
                                "Content-Type: text/html; charset=utf-8\nContent-Transfer-Encoding: quoted-printable\n\n"
                                "<p id=3D\"m\">Gr=C3=BC=C3=9Fe <b>from</b> here</p>\n");
const QString kSecondHeader = QStringLiteral("J\u00fcrgen <j@x>\nTo: b@x\nGr\u00fc\u00dfe\n"
                                             "Date: 04 Mar 2014 09:05:09 PM");

// Runs the event loop for the given time, so a load gets every chance to
// reach the network.
void processEventsFor(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

QStringList entriesOf(const QString &path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

class TestPreviewWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void mboxMessageShown();
    void rangeChecks_data();
    void rangeChecks();
    void messageFileShown();
    void attachmentsOfOneMessageOnly();
    void scriptDoesNotRun();
    void noRequestLeaves();
    void nothingWrittenToSharedDirectories();
    void measurementMembers_data();
    void measurementMembers();

private:
    // Writes bytes to name in the test directory and returns its path.
    QString writeFile(const QString &name, const QByteArray &bytes);
    // Calls a preview entry point and waits until the page it set has loaded.
    void waitForPage(const std::function<void()> &preview);
    QString headerText() const { return window->m_pHeaderBox->toPlainText(); }
    QString pageText() const { return window->m_pWebView->page()->mainFrame()->toPlainText(); }
    bool blockIsBold(int index) const;

    MainWindowFixture fixture;
    QConverterMainWindow *window = nullptr;
    std::unique_ptr<QTemporaryDir> files;
};

void TestPreviewWindow::initTestCase()
{
    initConverterResources();
}

void TestPreviewWindow::init()
{
    fixture.setUp();
    window = fixture.window;
    window->show();
    files = std::make_unique<QTemporaryDir>();
    QVERIFY(files->isValid());
}

void TestPreviewWindow::cleanup()
{
    files.reset();
    fixture.tearDown();
    window = nullptr;
}

QString TestPreviewWindow::writeFile(const QString &name, const QByteArray &bytes)
{
    const QString path = files->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

void TestPreviewWindow::waitForPage(const std::function<void()> &preview)
{
    QSignalSpy loaded(window->m_pWebView, &QWebView::loadFinished);
    preview();
    if (!window->m_pWebView->isHidden() && loaded.isEmpty())
        loaded.wait(5000);
}

bool TestPreviewWindow::blockIsBold(int index) const
{
    const QTextBlock block = window->m_pHeaderBox->document()->findBlockByNumber(index);
    return block.isValid() && block.begin().fragment().charFormat().fontWeight() == QFont::Bold;
}

void TestPreviewWindow::mboxMessageShown()
{
    const QString path = writeFile(QStringLiteral("Inbox"), kFirstMessage + kSecondMessage);
    const QString offset = QString::number(kFirstMessage.size());
    const QString length = QString::number(kSecondMessage.size());
    waitForPage([&] { window->OnWebViewForMboxFileInHTML(path, offset, length); });

    QCOMPARE(headerText(), kSecondHeader);
    QVERIFY(blockIsBold(0));
    QVERIFY(!blockIsBold(1));
    QVERIFY(!window->m_pWebView->isHidden());
    QCOMPARE(pageText().simplified(), QStringLiteral("Gr\u00fc\u00dfe from here"));
    QVERIFY(window->m_previewSource.isEmpty());
}

void TestPreviewWindow::rangeChecks_data()
{
    QTest::addColumn<QString>("offset");
    QTest::addColumn<QString>("length");
    QTest::addColumn<bool>("shown");

    const QString offset = QString::number(kFirstMessage.size());
    const QString length = QString::number(kSecondMessage.size());
    QTest::newRow("exact-range") << offset << length << true;
    QTest::newRow("length-past-end-clamped") << offset << QStringLiteral("99999999999") << true;
    QTest::newRow("negative-offset") << QStringLiteral("-1") << length << false;
    QTest::newRow("negative-length") << offset << QStringLiteral("-5") << false;
    QTest::newRow("length-not-a-number") << offset << QStringLiteral("many") << false;
    QTest::newRow("zero-length") << offset << QStringLiteral("0") << false;
    QTest::newRow("offset-past-end") << QStringLiteral("999999") << length << false;
    QTest::newRow("offset-near-end-of-64-bits") << QStringLiteral("9223372036854775807") << length << false;
}

void TestPreviewWindow::rangeChecks()
{
    QFETCH(QString, offset);
    QFETCH(QString, length);
    QFETCH(bool, shown);
    const QString path = writeFile(QStringLiteral("Inbox"), kFirstMessage + kSecondMessage);
    // A message shown before must not linger.
    waitForPage([&] { window->OnWebViewForMboxFileInHTML(path, QStringLiteral("0"), QString::number(kFirstMessage.size())); });
    QVERIFY(!headerText().isEmpty());

    waitForPage([&] { window->OnWebViewForMboxFileInHTML(path, offset, length); });
    QCOMPARE(headerText(), shown ? kSecondHeader : QString());
    QCOMPARE(window->m_pWebView->isHidden(), !shown);
}

void TestPreviewWindow::messageFileShown()
{
    const QByteArray message("From: Ann <a@x>\nCC: d@x\nSubject: <img src=x>\n"
                             "Content-Type: text/plain; charset=utf-8\n\n"
                             "if a < b then\nsecond line\n\nForwarded:\nFrom: Other <o@x>\n");
    const QString path = writeFile(QStringLiteral("one.eml"), message);
    waitForPage([&] { window->OnWebViewInHTML(path); });

    QCOMPARE(headerText(), QStringLiteral("Ann <a@x>\nCc: d@x\n<img src=x>"));
    QVERIFY(blockIsBold(0));
    QVERIFY(!window->m_pHeaderBox->document()->toHtml().contains(QLatin1String("<img")));
    QVERIFY(!window->m_pWebView->isHidden());
    QVERIFY2(pageText().contains(QLatin1String("if a < b then\nsecond line")), qPrintable(pageText()));
    QVERIFY(pageText().contains(QLatin1String("From: Other <o@x>")));
}

void TestPreviewWindow::attachmentsOfOneMessageOnly()
{
    const QByteArray withNames("From: a@x\nSubject: files\nContent-Type: multipart/mixed; boundary=\"b\"\n\n"
                               "--b\nContent-Type: text/html; charset=utf-8\n\n<p>see files</p>\n\n"
                               "--b\nContent-Type: application/pdf\nContent-Disposition: attachment; filename=\"a.pdf\"\n\n"
                               "JVBERi0=\n--b\nContent-Type: image/png\nContent-Disposition: attachment; filename=b.png\n\n"
                               "iVBORw0=\n--b--\n");
    const QByteArray plain("From: c@x\nSubject: plain\nContent-Type: text/plain; charset=utf-8\n\n"
                           "nothing attached here at all\n");
    const QString first = writeFile(QStringLiteral("first.eml"), withNames);
    const QString second = writeFile(QStringLiteral("second.eml"), plain);

    waitForPage([&] { window->OnWebViewInHTML(first); });
    QVERIFY2(headerText().endsWith(QLatin1String("\nAttachments: a.pdf\nb.png")), qPrintable(headerText()));
    QCOMPARE(pageText().simplified(), QStringLiteral("see files"));

    const QString mbox = writeFile(QStringLiteral("Files"), QByteArray("From a@x Tue Mar  4 21:05:09 2014\n") + withNames);
    waitForPage([&] { window->OnWebViewForMboxFileInHTML(mbox, QStringLiteral("0"), QStringLiteral("100000")); });
    QVERIFY2(headerText().endsWith(QLatin1String("\nAttachments: a.pdf, b.png")), qPrintable(headerText()));

    waitForPage([&] { window->OnWebViewInHTML(second); });
    QVERIFY(!headerText().contains(QLatin1String("Attachments")));
    QVERIFY(pageText().contains(QLatin1String("nothing attached here at all")));
}

void TestPreviewWindow::scriptDoesNotRun()
{
    const QByteArray message("From: a@x\nContent-Type: text/html; charset=utf-8\n\n"
                             "<p id=\"t\">before</p><script>document.getElementById('t').textContent='after';"
                             "document.title='ran';</script><img src=\"x\" onerror=\"document.title='ran'\">\n");
    const QString path = writeFile(QStringLiteral("script.eml"), message);
    waitForPage([&] { window->OnWebViewInHTML(path); });
    processEventsFor(300);
    QCOMPARE(pageText().simplified(), QStringLiteral("before"));
    QVERIFY(window->m_pWebView->title() != QLatin1String("ran"));
}

void TestPreviewWindow::noRequestLeaves()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const QByteArray base = "http://127.0.0.1:" + QByteArray::number(server.serverPort());
    const QByteArray message("From: a@x\nContent-Type: text/html; charset=utf-8\n\n"
                             "<html><head><link rel=\"stylesheet\" href=\"" + base + "/s.css\"></head><body>"
                             "<img src=\"" + base + "/a.png\"><iframe src=\"" + base + "/f.html\"></iframe>"
                             "<img src=\"file:///etc/hostname\"><p>text</p></body></html>\n");
    const QString path = writeFile(QStringLiteral("remote.eml"), message);
    const int refusedBefore = window->m_pWebView->refusedRequestCount();
    waitForPage([&] { window->OnWebViewInHTML(path); });
    processEventsFor(1000);

    QVERIFY2(!server.hasPendingConnections(), "the preview connected to the server");
    QVERIFY(window->m_pWebView->refusedRequestCount() > refusedBefore);
    QVERIFY(pageText().contains(QLatin1String("text")));
}

void TestPreviewWindow::nothingWrittenToSharedDirectories()
{
    const QStringList sharedDirectories{QStringLiteral("/var/tmp"), QStringLiteral("/private/var/tmp"),
                                        QDir::tempPath()};
    QHash<QString, QStringList> before;
    for (const QString &directory : sharedDirectories)
        before.insert(directory, entriesOf(directory));

    const QByteArray marker("Marker-7f3c1e-private-text");
    const QByteArray message = "From: =?UTF-8?B?SsO8cmdlbg==?= <j@x>\nSubject: " + marker + "\n "
                               + marker + "\nContent-Type: text/html; charset=utf-8\n"
                               "Content-Transfer-Encoding: quoted-printable\n\n<p>" + marker + "</p>\n";
    const QString eml = writeFile(QStringLiteral("secret.eml"), message);
    const QString mbox = writeFile(QStringLiteral("Secret"), "From j@x Tue Mar  4 21:05:09 2014\n" + message);
    waitForPage([&] { window->OnWebViewInHTML(eml); });
    QVERIFY(pageText().contains(QString::fromLatin1(marker)));
    waitForPage([&] { window->OnWebViewForMboxFileInHTML(mbox, QStringLiteral("0"), QStringLiteral("5000")); });
    QVERIFY(headerText().contains(QString::fromLatin1(marker)));

    for (const QString &directory : sharedDirectories) {
        for (const QString &name : {QStringLiteral("CorvaneMailConverter.html"),
                                    QStringLiteral("CorvaneMailConverter1.html"), QStringLiteral("tmpMail"),
                                    QStringLiteral("tmpMailForSubject")}) {
            QVERIFY2(!QFile::exists(directory + QLatin1Char('/') + name), qPrintable(directory + QLatin1Char('/') + name));
        }
        // Other programs may write here too; none of the new files may hold the message.
        for (const QString &name : entriesOf(directory)) {
            if (before.value(directory).contains(name))
                continue;
            QFile file(directory + QLatin1Char('/') + name);
            if (file.open(QIODevice::ReadOnly))
                QVERIFY2(!file.read(1 << 20).contains(marker), qPrintable(file.fileName()));
        }
    }
}

void TestPreviewWindow::measurementMembers_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("member");
    QTest::addColumn<qulonglong>("position");
    QTest::addColumn<qulonglong>("bufferLength");
    QTest::addColumn<qulonglong>("expected");

    const QByteArray folded("\nFrom: a\n b\n\tc\nTo: x\n");
    const QByteArray foldedCrLf("\r\nFrom: a\r\n b\r\n\tc\r\nTo: x\r\n");
    const QByteArray firstLine("From: a\n b\nTo: x\n");
    const QByteArray quoted("filename=\"a.pdf\"\nx\"\nEnd");
    QTest::newRow("folded-field") << folded << "folded" << 0ULL << qulonglong(folded.size()) << 14ULL;
    QTest::newRow("folded-field-cr-lf") << foldedCrLf << "folded" << 1ULL << qulonglong(foldedCrLf.size()) << 17ULL;
    QTest::newRow("field-on-first-line") << firstLine << "folded" << qulonglong(~0ULL) << 0ULL << 11ULL;
    QTest::newRow("folded-past-end") << folded << "folded" << qulonglong(folded.size() + 5) << 0ULL << 0ULL;
    QTest::newRow("single-line") << QByteArray("charset=utf-8\nX") << "line" << 0ULL << 15ULL << 13ULL;
    QTest::newRow("single-line-at-end-does-not-wrap") << QByteArray("abc") << "line" << 2ULL << 3ULL << 0ULL;
    QTest::newRow("quoted-name") << quoted << "quoted" << 0ULL << qulonglong(quoted.size()) << 17ULL;
    QTest::newRow("quoted-name-tiny-buffer-does-not-wrap") << quoted << "quoted" << 0ULL << 2ULL << 0ULL;
    QTest::newRow("no-message-being-previewed") << QByteArray() << "folded" << 0ULL << 0ULL << 0ULL;
}

void TestPreviewWindow::measurementMembers()
{
    QFETCH(QByteArray, source);
    QFETCH(QString, member);
    QFETCH(qulonglong, position);
    QFETCH(qulonglong, bufferLength);
    QFETCH(qulonglong, expected);
    window->m_previewSource = source;
    unsigned long count = 0;
    if (member == QLatin1String("folded"))
        count = window->FieldValueInEmlFile(position, bufferLength);
    else if (member == QLatin1String("line"))
        count = window->FieldValueAppleMailFile(position, bufferLength);
    else
        count = window->FieldValueInEmlFileName(position, bufferLength);
    QCOMPARE(qulonglong(count), expected);
}

QTEST_MAIN(TestPreviewWindow)
#include "tst_previewwindow.moc"
