// What a source walk may enter and open: pseudo file systems recognised,
// and only regular files opened, never waiting on a FIFO or device.

#include "platform/safefiles.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

class TestSafeFiles : public QObject
{
    Q_OBJECT

private slots:
    void pseudoFileSystemsAreRecognised_data();
    void pseudoFileSystemsAreRecognised();
    void opensRegularFilesOnly_data();
    void opensRegularFilesOnly();
};

void TestSafeFiles::pseudoFileSystemsAreRecognised_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("pseudo");
    QTest::newRow("proc") << QStringLiteral("/proc") << true;
    QTest::newRow("inside-proc") << QStringLiteral("/proc/self") << true;
    QTest::newRow("sysfs") << QStringLiteral("/sys") << true;
    QTest::newRow("devtmpfs") << QStringLiteral("/dev") << true;
    QTest::newRow("devpts") << QStringLiteral("/dev/pts") << true;
    QTest::newRow("temporary-directory") << QDir::tempPath() << false;
    QTest::newRow("root") << QStringLiteral("/") << false;
}

void TestSafeFiles::pseudoFileSystemsAreRecognised()
{
    QFETCH(QString, path);
    QFETCH(bool, pseudo);
    const QByteArray encoded = QFile::encodeName(path);
    struct stat info;
    if (::stat(encoded.constData(), &info) != 0)
        QSKIP("not present here");
    QCOMPARE(platform::isOnPseudoFileSystem(encoded, info), pseudo);
}

void TestSafeFiles::opensRegularFilesOnly_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("opens");
    QTest::newRow("regular-file") << QStringLiteral("file") << true;
    QTest::newRow("link-to-regular-file") << QStringLiteral("link") << true;
    QTest::newRow("fifo-without-writer") << QStringLiteral("fifo") << false;
    QTest::newRow("directory") << QStringLiteral("directory") << false;
    QTest::newRow("character-device") << QStringLiteral("device") << false;
    QTest::newRow("missing") << QStringLiteral("missing") << false;
}

void TestSafeFiles::opensRegularFilesOnly()
{
    QFETCH(QString, kind);
    QFETCH(bool, opens);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("file"));
    QFile writer(file);
    QVERIFY(writer.open(QIODevice::WriteOnly) && writer.write("From x\n") == 7);
    writer.close();
    QString path = dir.filePath(kind);
    if (kind == QLatin1String("link"))
        QCOMPARE(::symlink(QFile::encodeName(file).constData(), QFile::encodeName(path).constData()), 0);
    else if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == QLatin1String("directory"))
        QVERIFY(QDir().mkdir(path));
    else if (kind == QLatin1String("device"))
        path = QStringLiteral("/dev/null");

    // A FIFO opened for reading would wait here for a writer.
    QFile opened;
    QCOMPARE(platform::openRegularFile(opened, path), opens);
    if (opens)
        QCOMPARE(opened.readAll(), QByteArray("From x\n"));
}

QTEST_GUILESS_MAIN(TestSafeFiles)
#include "tst_safefiles.moc"
