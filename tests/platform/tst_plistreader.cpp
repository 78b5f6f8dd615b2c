#include "platform/plistreader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const char plistHead[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
    "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n";
const char plistTail[] = "</plist>\n";

// A whole property list around the given root element.
QByteArray plist(const QByteArray &root)
{
    return QByteArray(plistHead) + root + QByteArray(plistTail);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size();
}

} // namespace

class TestPlistReader : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void readString_data();
    void readString();
    void missingFileReadsEmpty();
    void editBetweenReadsIsSeen();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestPlistReader::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void TestPlistReader::readString_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QByteArray links = plist(
        "<dict>\n"
        "\t<key>EmailToSupport</key>\n\t<string>support@corvane.example</string>\n"
        "\t<key>KBLink</key>\n\t<string>https://a.example/kb</string>\n"
        "</dict>\n");

    QTest::newRow("first-key") << links << QStringLiteral("EmailToSupport")
                               << QStringLiteral("support@corvane.example");
    QTest::newRow("second-key") << links << QStringLiteral("KBLink")
                                << QStringLiteral("https://a.example/kb");
    QTest::newRow("key-absent") << links << QStringLiteral("ViewSupportLink") << QString();
    QTest::newRow("key-is-case-sensitive") << links << QStringLiteral("kblink") << QString();
    QTest::newRow("value-is-not-a-key")
        << links << QStringLiteral("https://a.example/kb") << QString();
    QTest::newRow("empty-string-element")
        << plist("<dict><key>SkypeID</key><string/></dict>") << QStringLiteral("SkypeID")
        << QString();
    QTest::newRow("entities-decoded")
        << plist("<dict><key>SupText</key>"
                 "<string>Q&amp;A &lt;here&gt; &#x41;&#66; &quot;x&apos;</string></dict>")
        << QStringLiteral("SupText") << QStringLiteral("Q&A <here> AB \"x'");
    QTest::newRow("non-ascii-and-blanks-kept")
        << plist("<dict><key>ReachUsName1</key><string>  B\xc3\xbcro Z\xc3\xbcrich </string></dict>")
        << QStringLiteral("ReachUsName1") << QStringLiteral("  B\u00fcro Z\u00fcrich ");
    QTest::newRow("key-in-nested-dict-not-matched")
        << plist("<dict><key>Inner</key><dict><key>KBLink</key><string>nested</string></dict>"
                 "<key>Other</key><string>o</string></dict>")
        << QStringLiteral("KBLink") << QString();
    QTest::newRow("top-level-key-after-nested-dict")
        << plist("<dict><key>Inner</key><dict><key>KBLink</key><string>nested</string></dict>"
                 "<key>KBLink</key><string>top</string></dict>")
        << QStringLiteral("KBLink") << QStringLiteral("top");
    QTest::newRow("string-inside-array-not-matched")
        << plist("<dict><key>List</key><array><string>KBLink</string><string>x</string>"
                 "</array><key>After</key><string>a</string></dict>")
        << QStringLiteral("KBLink") << QString();
    QTest::newRow("key-after-array-still-found")
        << plist("<dict><key>List</key><array><string>KBLink</string><string>x</string>"
                 "</array><key>After</key><string>a</string></dict>")
        << QStringLiteral("After") << QStringLiteral("a");
    QTest::newRow("integer-value-reads-empty")
        << plist("<dict><key>UpdateInterval</key><integer>7</integer></dict>")
        << QStringLiteral("UpdateInterval") << QString();
    QTest::newRow("boolean-value-reads-empty")
        << plist("<dict><key>CheckForUpdate</key><true/><key>Next</key><string>n</string></dict>")
        << QStringLiteral("CheckForUpdate") << QString();
    QTest::newRow("boolean-value-does-not-shift-pairs")
        << plist("<dict><key>CheckForUpdate</key><true/><key>Next</key><string>n</string></dict>")
        << QStringLiteral("Next") << QStringLiteral("n");
    QTest::newRow("later-entry-of-same-key-wins")
        << plist("<dict><key>KBLink</key><string>old</string>"
                 "<key>KBLink</key><string>new</string></dict>")
        << QStringLiteral("KBLink") << QStringLiteral("new");
    QTest::newRow("root-is-array")
        << plist("<array><key>KBLink</key><string>x</string></array>")
        << QStringLiteral("KBLink") << QString();
    QTest::newRow("malformed-unclosed-dict")
        << QByteArray(plistHead) + "<dict><key>KBLink</key><string>x</string>"
        << QStringLiteral("KBLink") << QString();
    QTest::newRow("malformed-after-the-value")
        << plist("<dict><key>KBLink</key><string>x</string><key>B</key><string>y</dict>")
        << QStringLiteral("KBLink") << QString();
    QTest::newRow("markup-inside-string")
        << plist("<dict><key>KBLink</key><string>a<b>c</b></string></dict>")
        << QStringLiteral("KBLink") << QString();
    QTest::newRow("not-xml") << QByteArray("KBLink = https://a.example/kb\n")
                             << QStringLiteral("KBLink") << QString();
    QTest::newRow("binary-property-list") << QByteArray("bplist00\xd1\x01\x02", 11)
                                          << QStringLiteral("KBLink") << QString();
    QTest::newRow("empty-file") << QByteArray() << QStringLiteral("KBLink") << QString();
}

void TestPlistReader::readString()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, key);
    QFETCH(QString, expected);

    const QString path = m_dir->filePath(QStringLiteral("MailConverterLink.plist"));
    QVERIFY(writeFile(path, content));
    QCOMPARE(platform::readPlistString(path, key), expected);
}

void TestPlistReader::missingFileReadsEmpty()
{
    QCOMPARE(platform::readPlistString(m_dir->filePath(QStringLiteral("absent.plist")),
                                       QStringLiteral("KBLink")),
             QString());
    // A directory in place of the file reads the same.
    QCOMPARE(platform::readPlistString(m_dir->path(), QStringLiteral("KBLink")), QString());
}

void TestPlistReader::editBetweenReadsIsSeen()
{
    const QString path = m_dir->filePath(QStringLiteral("MailConverterLink.plist"));
    const QString key = QStringLiteral("ViewSupportLink");

    QVERIFY(writeFile(path, plist("<dict><key>ViewSupportLink</key>"
                                  "<string>https://a.example/one</string></dict>")));
    QCOMPARE(platform::readPlistString(path, key), QStringLiteral("https://a.example/one"));

    QVERIFY(writeFile(path, plist("<dict><key>ViewSupportLink</key>"
                                  "<string>https://a.example/two</string></dict>")));
    QCOMPARE(platform::readPlistString(path, key), QStringLiteral("https://a.example/two"));

    QVERIFY(QFile::remove(path));
    QCOMPARE(platform::readPlistString(path, key), QString());
}

QTEST_GUILESS_MAIN(TestPlistReader)
#include "tst_plistreader.moc"
