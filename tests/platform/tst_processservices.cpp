#include "platform/consoleuser.h"
#include "platform/resourcelimit.h"
#include "platform/scratchdir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

class TestProcessServices : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void consoleUserIsLoginName();
    void consoleUserOverride_data();
    void consoleUserOverride();

    void scratchDirectoryIsPrivateAndStable();

    void openFileLimit_data();
    void openFileLimit();

private:
    rlimit m_savedLimit{};
};

void TestProcessServices::initTestCase()
{
    QCOMPARE(getrlimit(RLIMIT_NOFILE, &m_savedLimit), 0);
}

void TestProcessServices::cleanupTestCase()
{
    platform::clearConsoleUserNameForTest();
    setrlimit(RLIMIT_NOFILE, &m_savedLimit);
}

void TestProcessServices::consoleUserIsLoginName()
{
    platform::clearConsoleUserNameForTest();
    const passwd *entry = getpwuid(getuid());
    QVERIFY(entry && entry->pw_name);
    QCOMPARE(platform::consoleUserName(), QFile::decodeName(entry->pw_name));
    QVERIFY(!platform::consoleUserName().isEmpty());
}

void TestProcessServices::consoleUserOverride_data()
{
    QTest::addColumn<QString>("name");

    QTest::newRow("root") << QStringLiteral("root");
    QTest::newRow("capitalised-root") << QStringLiteral("Root");
    QTest::newRow("no-user-at-console") << QString();
    QTest::newRow("non-ascii-name") << QStringLiteral("j\u00fcrgen");
}

void TestProcessServices::consoleUserOverride()
{
    QFETCH(QString, name);

    platform::clearConsoleUserNameForTest();
    const QString real = platform::consoleUserName();
    platform::setConsoleUserNameForTest(name);
    QCOMPARE(platform::consoleUserName(), name);
    platform::clearConsoleUserNameForTest();
    QCOMPARE(platform::consoleUserName(), real);
}

void TestProcessServices::scratchDirectoryIsPrivateAndStable()
{
    const QString path = platform::privateScratchDirectory();
    QVERIFY(!path.isEmpty());
    QVERIFY(QDir::isAbsolutePath(path));

    struct stat info{};
    QCOMPARE(lstat(QFile::encodeName(path).constData(), &info), 0);
    QVERIFY(S_ISDIR(info.st_mode));
    QCOMPARE(int(info.st_mode & 07777), 0700);
    QCOMPARE(info.st_uid, getuid());

    QCOMPARE(platform::privateScratchDirectory(), path);

    QFile probe(path + QStringLiteral("/probe"));
    QVERIFY(probe.open(QIODevice::WriteOnly));
    QCOMPARE(probe.write("x"), qint64(1));
    probe.close();
    QVERIFY(probe.remove());
}

void TestProcessServices::openFileLimit_data()
{
    QTest::addColumn<quint64>("startSoft");
    QTest::addColumn<quint64>("wanted");

    const quint64 hard = m_savedLimit.rlim_max == RLIM_INFINITY ? quint64(1) << 20
                                                                : quint64(m_savedLimit.rlim_max);
    QTest::newRow("raise-from-low-soft-limit") << qMin<quint64>(256, hard)
                                               << qMin<quint64>(2048, hard);
    QTest::newRow("never-lowered") << qMin<quint64>(512, hard) << quint64(16);
    QTest::newRow("equal-to-current") << qMin<quint64>(300, hard) << qMin<quint64>(300, hard);
    QTest::newRow("capped-at-hard-limit") << qMin<quint64>(256, hard) << hard + 1000;
}

void TestProcessServices::openFileLimit()
{
    QFETCH(quint64, startSoft);
    QFETCH(quint64, wanted);

    rlimit limit = m_savedLimit;
    limit.rlim_cur = rlim_t(startSoft);
    QCOMPARE(setrlimit(RLIMIT_NOFILE, &limit), 0);

    QVERIFY(platform::raiseOpenFileLimit(static_cast<unsigned long>(wanted)));

    rlimit after{};
    QCOMPARE(getrlimit(RLIMIT_NOFILE, &after), 0);
    QCOMPARE(after.rlim_max, m_savedLimit.rlim_max);
    quint64 expected = qMax(startSoft, wanted);
    if (m_savedLimit.rlim_max != RLIM_INFINITY)
        expected = qMin<quint64>(expected, m_savedLimit.rlim_max);
    QCOMPARE(quint64(after.rlim_cur), expected);
}

QTEST_GUILESS_MAIN(TestProcessServices)
#include "tst_processservices.moc"
