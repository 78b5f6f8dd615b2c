#include "platform/urlopener.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Records every URL it is asked to open and starts nothing.
class RecordingOpener : public platform::UrlOpener
{
public:
    bool openUrl(const QUrl &url) override
    {
        opened.append(url);
        return result;
    }

    QList<QUrl> opened;
    bool result = true;
};

} // namespace

class TestUrlOpener : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void percentEscape_data();
    void percentEscape();
    void urlFromText_data();
    void urlFromText();
    void bundleFileOpensUnderAwkwardDirectory_data();
    void bundleFileOpensUnderAwkwardDirectory();
    void supportLink_data();
    void supportLink();
    void openerFailureIsReported();
    void desktopOpenerRestored();

private:
    RecordingOpener *m_opener = nullptr;
};

void TestUrlOpener::init()
{
    m_opener = new RecordingOpener;
    platform::setUrlOpener(m_opener);
}

void TestUrlOpener::cleanup()
{
    platform::setUrlOpener(nullptr);
    delete m_opener;
    m_opener = nullptr;
}

void TestUrlOpener::percentEscape_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("blank-in-path")
        << QStringLiteral("file:///Applications/Mail Converter.app/Contents/Resources/Eula.pdf")
        << QStringLiteral("file:///Applications/Mail%20Converter.app/Contents/Resources/Eula.pdf");
    QTest::newRow("non-ascii-folder-by-utf8-bytes")
        << QStringLiteral("file:///Users/anna/B\u00fcro/help.htm")
        << QStringLiteral("file:///Users/anna/B%C3%BCro/help.htm");
    QTest::newRow("letter-outside-basic-plane")
        << QStringLiteral("a\U0001F600b") << QStringLiteral("a%F0%9F%98%80b");
    QTest::newRow("legal-characters-kept")
        << QStringLiteral("https://user@a.example:8080/p-q_r.s~t?x=1&y=(2)*3+4,5;6!$'[]#frag")
        << QStringLiteral("https://user@a.example:8080/p-q_r.s~t?x=1&y=(2)*3+4,5;6!$'[]#frag");
    QTest::newRow("percent-kept-so-no-double-escape")
        << QStringLiteral("file:///a%20b/100%") << QStringLiteral("file:///a%20b/100%");
    QTest::newRow("unsafe-ascii-escaped")
        << QStringLiteral("\"<>\\^`{|}") << QStringLiteral("%22%3C%3E%5C%5E%60%7B%7C%7D");
    QTest::newRow("controls-escaped-upper-case-hex")
        << QStringLiteral("a\tb\nc\x7f") << QStringLiteral("a%09b%0Ac%7F");
}

void TestUrlOpener::percentEscape()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(platform::percentEscapeUrlText(text), expected);
}

void TestUrlOpener::urlFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("forms");
    QTest::addColumn<QString>("scheme");

    QTest::newRow("web-link") << QStringLiteral("https://a.example/support/") << true
                              << QStringLiteral("https");
    QTest::newRow("escaped-file-url") << QStringLiteral("file:///a%20b/Eula.pdf") << true
                                      << QStringLiteral("file");
    QTest::newRow("mailto-alone") << QStringLiteral("mailto:") << true
                                  << QStringLiteral("mailto");
    QTest::newRow("mailto-with-address") << QStringLiteral("mailto:support@corvane.example")
                                         << true << QStringLiteral("mailto");
    QTest::newRow("empty") << QString() << false << QString();
    QTest::newRow("blank-inside") << QStringLiteral("https://a.example/x y") << false
                                  << QString();
    QTest::newRow("trailing-blank") << QStringLiteral("https://a.example/x ") << false
                                    << QString();
    QTest::newRow("non-ascii-unescaped") << QStringLiteral("file:///B\u00fcro/help.htm")
                                         << false << QString();
    QTest::newRow("angle-brackets") << QStringLiteral("https://a.example/<x>") << false
                                    << QString();
    QTest::newRow("broken-percent-escape") << QStringLiteral("https://a.example/%zz") << false
                                           << QString();
}

void TestUrlOpener::urlFromText()
{
    QFETCH(QString, text);
    QFETCH(bool, forms);
    QFETCH(QString, scheme);

    const QUrl url = platform::urlFromText(text);
    QCOMPARE(url.isValid(), forms);
    if (forms) {
        QCOMPARE(url.scheme(), scheme);
        QCOMPARE(url.toString(QUrl::FullyEncoded), text);
    }
}

void TestUrlOpener::bundleFileOpensUnderAwkwardDirectory_data()
{
    QTest::addColumn<QString>("bundleDir");

    QTest::newRow("plain") << QStringLiteral("Converter.app");
    QTest::newRow("blank-in-directory") << QStringLiteral("Mail Converter.app");
    QTest::newRow("non-ascii-directory") << QStringLiteral("B\u00fcro/Converter.app");
    QTest::newRow("brackets-and-quote-in-directory") << QStringLiteral("Anna's [old]/Converter.app");
}

void TestUrlOpener::bundleFileOpensUnderAwkwardDirectory()
{
    QFETCH(QString, bundleDir);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString resources = root.path() + QLatin1Char('/') + bundleDir
                              + QStringLiteral("/Contents/Resources");
    QVERIFY(QDir().mkpath(resources));
    const QString pdf = resources + QStringLiteral("/Eula.pdf");
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    QVERIFY(platform::openBundleFileUrl(QStringLiteral("file://") + pdf));
    QCOMPARE(m_opener->opened.size(), 1);
    const QUrl opened = m_opener->opened.first();
    QVERIFY(opened.isLocalFile());
    QCOMPARE(opened.toLocalFile(), pdf);
}

void TestUrlOpener::supportLink_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("opens");

    QTest::newRow("web-link-opens-unchanged") << QStringLiteral("https://a.example/kb?id=7")
                                              << true;
    QTest::newRow("mailto-alone-opens") << QStringLiteral("mailto:") << true;
    QTest::newRow("mailto-address-opens") << QStringLiteral("mailto:help@corvane.example")
                                          << true;
    QTest::newRow("empty-opens-nothing") << QString() << false;
    QTest::newRow("blank-inside-opens-nothing")
        << QStringLiteral("https://a.example/submit enquiry") << false;
    QTest::newRow("unescaped-link-is-not-escaped")
        << QStringLiteral("https://a.example/B\u00fcro") << false;
}

void TestUrlOpener::supportLink()
{
    QFETCH(QString, text);
    QFETCH(bool, opens);

    QCOMPARE(platform::openLinkUrl(text), opens);
    if (opens) {
        QCOMPARE(m_opener->opened.size(), 1);
        QCOMPARE(m_opener->opened.first().toString(QUrl::FullyEncoded), text);
    } else {
        QVERIFY(m_opener->opened.isEmpty());
    }
}

void TestUrlOpener::openerFailureIsReported()
{
    m_opener->result = false;
    QVERIFY(!platform::openLinkUrl(QStringLiteral("https://a.example/")));
    QVERIFY(!platform::openBundleFileUrl(QStringLiteral("file:///nowhere/Eula.pdf")));
    QCOMPARE(m_opener->opened.size(), 2);
}

void TestUrlOpener::desktopOpenerRestored()
{
    QCOMPARE(&platform::urlOpener(), static_cast<platform::UrlOpener *>(m_opener));
    platform::setUrlOpener(nullptr);
    QVERIFY(&platform::urlOpener() != static_cast<platform::UrlOpener *>(m_opener));
    QVERIFY(dynamic_cast<RecordingOpener *>(&platform::urlOpener()) == nullptr);
}

QTEST_GUILESS_MAIN(TestUrlOpener)
#include "tst_urlopener.moc"
