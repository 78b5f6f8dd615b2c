// Default source directories of the mail clients, as pure functions of the
// client index and the console user's name.

#include "source/defaultlocations.h"

#include <QtTest>

using namespace defaultlocations;

class TestDefaultLocations : public QObject
{
    Q_OBJECT

private slots:
    void homeDirectory_data();
    void homeDirectory();
    void locationPerClient_data();
    void locationPerClient();
    void eudoraSharesThunderbirdDirectory();
    void mboxFamilyEntries_data();
    void mboxFamilyEntries();
};

void TestDefaultLocations::homeDirectory_data()
{
    QTest::addColumn<QString>("userName");
    QTest::addColumn<QString>("expected");

    QTest::newRow("ordinary-user") << QStringLiteral("alice") << QStringLiteral("/Users/alice");
    QTest::newRow("root-lives-in-private-var") << QStringLiteral("root")
                                               << QStringLiteral("/private/var/root");
    QTest::newRow("capital-Root-is-an-ordinary-user") << QStringLiteral("Root")
                                                      << QStringLiteral("/Users/Root");
    QTest::newRow("ROOT-is-an-ordinary-user") << QStringLiteral("ROOT")
                                              << QStringLiteral("/Users/ROOT");
    QTest::newRow("root-with-trailing-blank-is-not-root") << QStringLiteral("root ")
                                                          << QStringLiteral("/Users/root ");
    QTest::newRow("rootless-prefix-is-not-root") << QStringLiteral("roots")
                                                 << QStringLiteral("/Users/roots");
    QTest::newRow("no-console-user") << QString() << QStringLiteral("/Users/");
    QTest::newRow("name-with-blank-kept-whole") << QStringLiteral("jo ann")
                                                << QStringLiteral("/Users/jo ann");
}

void TestDefaultLocations::homeDirectory()
{
    QFETCH(QString, userName);
    QFETCH(QString, expected);
    QCOMPARE(homeDirectoryForUser(userName), expected);
}

void TestDefaultLocations::locationPerClient_data()
{
    QTest::addColumn<int>("clientIndex");
    QTest::addColumn<QString>("userName");
    QTest::addColumn<QString>("expected");

    const QString alice = QStringLiteral("alice");
    QTest::newRow("no-client-has-no-default") << 0 << alice << QString();
    QTest::newRow("apple-mail-mbox-has-no-default") << 1 << alice << QString();
    QTest::newRow("apple-mail-emlx") << 2 << alice << QStringLiteral("/Users/alice/Library/Mail");
    QTest::newRow("thunderbird") << 3 << alice << QStringLiteral("/Users/alice/Library/Thunderbird");
    QTest::newRow("postbox") << 4 << alice
                             << QStringLiteral("/Users/alice/Library/Application Support/Postbox");
    QTest::newRow("olm-backup-has-no-default") << 5 << alice << QString();
    QTest::newRow("eudora") << 6 << alice << QStringLiteral("/Users/alice/Library/Thunderbird");
    QTest::newRow("seamonkey") << 7 << alice
                               << QStringLiteral("/Users/alice/Library/Application Support/SeaMonkey");
    QTest::newRow("mailmate") << 8 << alice
                              << QStringLiteral("/Users/alice/Library/Application Support/MailMate");
    QTest::newRow("outspring-mail")
        << 9 << alice << QStringLiteral("/Users/alice/Library/Application Support/Outspring Mail");
    QTest::newRow("opera-mail") << 10 << alice
                                << QStringLiteral("/Users/alice/Library/Application Support/Opera Mail");
    QTest::newRow("index-past-the-list") << 11 << alice << QString();
    QTest::newRow("negative-index") << -1 << alice << QString();
    QTest::newRow("root-apple-mail-emlx") << 2 << QStringLiteral("root")
                                          << QStringLiteral("/private/var/root/Library/Mail");
    QTest::newRow("Root-apple-mail-emlx") << 2 << QStringLiteral("Root")
                                          << QStringLiteral("/Users/Root/Library/Mail");
    QTest::newRow("no-console-user-keeps-double-slash") << 2 << QString()
                                                        << QStringLiteral("/Users//Library/Mail");
    QTest::newRow("no-console-user-without-default") << 5 << QString() << QString();
}

void TestDefaultLocations::locationPerClient()
{
    QFETCH(int, clientIndex);
    QFETCH(QString, userName);
    QFETCH(QString, expected);
    QCOMPARE(defaultLocationForClient(clientIndex, userName), expected);
}

void TestDefaultLocations::eudoraSharesThunderbirdDirectory()
{
    for (const QString &user : {QStringLiteral("alice"), QStringLiteral("root"), QString()}) {
        QCOMPARE(defaultLocationForClient(Eudora, user), defaultLocationForClient(Thunderbird, user));
        QVERIFY(!defaultLocationForClient(Eudora, user).isEmpty());
    }
}

void TestDefaultLocations::mboxFamilyEntries_data()
{
    QTest::addColumn<int>("clientIndex");
    QTest::addColumn<bool>("expected");

    QTest::newRow("no-client") << 0 << false;
    QTest::newRow("apple-mail-mbox-has-none") << 1 << false;
    QTest::newRow("apple-mail-emlx-is-not-mbox") << 2 << false;
    QTest::newRow("thunderbird") << 3 << true;
    QTest::newRow("postbox") << 4 << true;
    QTest::newRow("olm-backup") << 5 << false;
    QTest::newRow("eudora") << 6 << true;
    QTest::newRow("seamonkey") << 7 << true;
    QTest::newRow("mailmate") << 8 << false;
    QTest::newRow("outspring-mail") << 9 << false;
    QTest::newRow("opera-mail") << 10 << false;
}

void TestDefaultLocations::mboxFamilyEntries()
{
    QFETCH(int, clientIndex);
    QFETCH(bool, expected);
    QCOMPARE(hasMboxDefaultLocation(clientIndex), expected);
}

QTEST_APPLESS_MAIN(TestDefaultLocations)
#include "tst_defaultlocations.moc"
