// The locale codec: every byte string round-trips through a file name,
// valid UTF-8 reads as itself, a text stream fed in pieces reads the same as
// one fed whole, and directory listings show every name.

#include "platform/filenamecodec.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

class TestFileNameCodec : public QObject
{
    Q_OBJECT

private slots:
    void isTheLocaleCodec();
    void namesRoundTrip_data();
    void namesRoundTrip();
    void everyByteAloneRoundTrips();
    void piecesDecodeLikeTheWhole_data() { namesRoundTrip_data(); }
    void piecesDecodeLikeTheWhole();
    void directoryListingsShowEveryName_data() { namesRoundTrip_data(); }
    void directoryListingsShowEveryName();
};

void TestFileNameCodec::isTheLocaleCodec()
{
    QCOMPARE(QTextCodec::codecForLocale(), platform::fileNameCodec());
    QCOMPARE(QTextCodec::codecForName("UTF-8")->mibEnum(), 106);
}

void TestFileNameCodec::namesRoundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    const auto esc = [](int byte) { return QChar(ushort(platform::kEscapedByteBase + byte)); };
    QTest::newRow("ascii") << QByteArray("Inbox") << QStringLiteral("Inbox");
    QTest::newRow("utf8-accent") << QByteArray("Caf\xc3\xa9") << QStringLiteral("Caf\u00e9");
    QTest::newRow("utf8-four-bytes") << QByteArray("\xf0\x9f\x93\xa7") << QString::fromUtf8("\xf0\x9f\x93\xa7");
    QTest::newRow("latin1-byte") << QByteArray("Caf\xe9") << QStringLiteral("Caf") + esc(0xe9);
    QTest::newRow("cut-sequence-at-end") << QByteArray("a\xc3") << QStringLiteral("a") + esc(0xc3);
    QTest::newRow("cut-sequence-before-ascii") << QByteArray("\xe2\x82z") << QString(esc(0xe2)) + esc(0x82) + QLatin1Char('z');
    QTest::newRow("overlong-slash") << QByteArray("\xc0\xaf") << QString(esc(0xc0)) + esc(0xaf);
    QTest::newRow("encoded-surrogate") << QByteArray("\xed\xb3\xa9") << QString(esc(0xed)) + esc(0xb3) + esc(0xa9);
    QTest::newRow("above-unicode") << QByteArray("\xf4\x90\x80\x80")
                                   << QString(esc(0xf4)) + esc(0x90) + esc(0x80) + esc(0x80);
    QTest::newRow("escape-after-pair") << QByteArray("\xf0\x9f\x93\xa7\xff")
                                       << QString::fromUtf8("\xf0\x9f\x93\xa7") + esc(0xff);
    QTest::newRow("blanks-kept") << QByteArray(" a\xff ") << QStringLiteral(" a") + esc(0xff) + QLatin1Char(' ');
}

void TestFileNameCodec::namesRoundTrip()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(QFile::decodeName(bytes), text);
    QCOMPARE(QFile::encodeName(QFile::decodeName(bytes)), bytes);
    QCOMPARE(platform::encodeEscapedUtf8(text), bytes);
}

void TestFileNameCodec::everyByteAloneRoundTrips()
{
    for (int byte = 1; byte < 256; ++byte) {
        const QByteArray bytes = QByteArray("x") + char(byte) + QByteArray("\x80y");
        QCOMPARE(QFile::encodeName(QFile::decodeName(bytes)), bytes);
    }
}

void TestFileNameCodec::piecesDecodeLikeTheWhole()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    // A line end after the pieces settles a sequence still waiting at their end.
    for (int cut = 0; cut <= bytes.size(); ++cut) {
        QTextDecoder decoder(platform::fileNameCodec());
        QString read = decoder.toUnicode(bytes.left(cut));
        read += decoder.toUnicode(bytes.mid(cut));
        read += decoder.toUnicode("\n");
        QCOMPARE(read, text + QLatin1Char('\n'));
    }
    const QString whole = text;
    for (int cut = 0; cut <= whole.size(); ++cut) {
        QTextEncoder encoder(platform::fileNameCodec());
        QByteArray written = encoder.fromUnicode(whole.left(cut));
        written += encoder.fromUnicode(whole.mid(cut));
        QCOMPARE(written, bytes);
    }
}

void TestFileNameCodec::directoryListingsShowEveryName()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray path = QFile::encodeName(dir.path()) + '/' + bytes;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    QVERIFY(fd >= 0);
    ::close(fd);

    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList(text));
    QDirIterator it(dir.path(), QDir::Files);
    QVERIFY(it.hasNext());
    QCOMPARE(QFile::encodeName(it.next()), path);
    QVERIFY(QFile::remove(QFile::decodeName(path)));
}

QTEST_GUILESS_MAIN(TestFileNameCodec)
#include "tst_filenamecodec.moc"
