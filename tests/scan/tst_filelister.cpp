// The in-process file lister that stands in for `find DIR -name PATTERN`.

#include "scan/filelister.h"
#include "support/globalsreset.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using filelister::EntryTypes;

namespace {
QStringList names(std::initializer_list<const char *> items)
{
    QStringList list;
    for (const char *item : items)
        list.append(QString::fromUtf8(item));
    return list;
}
} // namespace

Q_DECLARE_METATYPE(EntryTypes)

class TestFileLister : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void matchesNamesLikeFind_data();
    void matchesNamesLikeFind();
    void listsTreeInSortedPreOrder_data();
    void listsTreeInSortedPreOrder();
    void neverFollowsSymbolicLinks_data();
    void neverFollowsSymbolicLinks();
    void walksOnlyAbsoluteDirectoryRoots_data();
    void walksOnlyAbsoluteDirectoryRoots();
    void keepsShellCharactersInNames();
    void passesOverUnreadableDirectories();
    void endsWhenStopIsRequested();

private:
    // Makes a file (and its directories) below the fixture; content "x".
    void makeFile(const QString &relativePath);
    void makeDirectory(const QString &relativePath);
    void makeLink(const QString &target, const QString &relativeLink);
    // The found paths relative to the fixture root.
    QStringList relative(const QStringList &paths) const;

    QScopedPointer<QTemporaryDir> m_dir;
};

void TestFileLister::init()
{
    resetAllGlobalsForTest();
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void TestFileLister::makeFile(const QString &relativePath)
{
    const QString path = m_dir->filePath(relativePath);
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.write("x") == 1);
}

void TestFileLister::makeDirectory(const QString &relativePath)
{
    QVERIFY(QDir().mkpath(m_dir->filePath(relativePath)));
}

void TestFileLister::makeLink(const QString &target, const QString &relativeLink)
{
    QVERIFY(::symlink(QFile::encodeName(target).constData(),
                      QFile::encodeName(m_dir->filePath(relativeLink)).constData())
            == 0);
}

QStringList TestFileLister::relative(const QStringList &paths) const
{
    QStringList result;
    const QString prefix = m_dir->path() + QLatin1Char('/');
    for (const QString &path : paths)
        result.append(path.startsWith(prefix) ? path.mid(prefix.size()) : QStringLiteral("<") + path + QLatin1Char('>'));
    return result;
}

void TestFileLister::matchesNamesLikeFind_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("matches");

    QTest::newRow("star-suffix") << QStringLiteral("*.emlx") << QStringLiteral("12.emlx") << true;
    QTest::newRow("other-suffix") << QStringLiteral("*.emlx") << QStringLiteral("12.emlxpart") << false;
    QTest::newRow("case-sensitive") << QStringLiteral("*.eml") << QStringLiteral("A.EML") << false;
    QTest::newRow("star-matches-leading-dot") << QStringLiteral("*.eml") << QStringLiteral(".hidden.eml") << true;
    QTest::newRow("exact-name") << QStringLiteral("accounts.ini") << QStringLiteral("accounts.ini") << true;
    QTest::newRow("bracket-class") << QStringLiteral("[0-9].mbs") << QStringLiteral("a.mbs") << false;
}

void TestFileLister::matchesNamesLikeFind()
{
    QFETCH(QString, pattern);
    QFETCH(QString, name);
    QFETCH(bool, matches);
    QCOMPARE(filelister::nameMatches(pattern, name), matches);
}

void TestFileLister::listsTreeInSortedPreOrder_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<EntryTypes>("types");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("every-entry-pre-order-byte-sorted")
        << QStringLiteral("*") << EntryTypes::Any
        << names({".hidden.eml", "A", "A/a.eml", "A/sub", "A/sub/deep.eml", "B.eml", "C",
                       "a.eml", "b", "b/B.eml", "b/x.txt"});
    QTest::newRow("eml-files-at-every-depth")
        << QStringLiteral("*.eml") << EntryTypes::Any
        << names({".hidden.eml", "A/a.eml", "A/sub/deep.eml", "B.eml", "a.eml", "b/B.eml"});
    QTest::newRow("directories-match-like-files")
        << QStringLiteral("sub") << EntryTypes::Any << names({"A/sub"});
    QTest::newRow("files-only-drops-directories")
        << QStringLiteral("*") << EntryTypes::RegularFiles
        << names({".hidden.eml", "A/a.eml", "A/sub/deep.eml", "B.eml", "C", "a.eml", "b/B.eml",
                       "b/x.txt"});
    QTest::newRow("nothing-matches") << QStringLiteral("*.mbs") << EntryTypes::Any << QStringList{};
}

void TestFileLister::listsTreeInSortedPreOrder()
{
    QFETCH(QString, pattern);
    QFETCH(EntryTypes, types);
    QFETCH(QStringList, expected);

    makeFile(QStringLiteral("b/x.txt"));
    makeFile(QStringLiteral("b/B.eml"));
    makeFile(QStringLiteral("a.eml"));
    makeFile(QStringLiteral("C"));
    makeFile(QStringLiteral("B.eml"));
    makeFile(QStringLiteral("A/sub/deep.eml"));
    makeFile(QStringLiteral("A/a.eml"));
    makeFile(QStringLiteral(".hidden.eml"));

    const QStringList first = filelister::findPaths(m_dir->path(), pattern, types);
    QCOMPARE(relative(first), expected);
    // Every run over the same tree gives the same order.
    QCOMPARE(filelister::findPaths(m_dir->path(), pattern, types), first);
}

void TestFileLister::neverFollowsSymbolicLinks_data()
{
    QTest::addColumn<EntryTypes>("types");
    QTest::addColumn<QStringList>("expected");

    // The links are entries of their own (as plain find lists them) but
    // nothing behind them is walked.
    QTest::newRow("links-listed-as-entries")
        << EntryTypes::Any << names({"real", "real/loop.eml", "real/m.eml", "seen.eml"});
    QTest::newRow("links-are-no-regular-files")
        << EntryTypes::RegularFiles << names({"real/m.eml"});
}

void TestFileLister::neverFollowsSymbolicLinks()
{
    QFETCH(EntryTypes, types);
    QFETCH(QStringList, expected);

    QTemporaryDir outside;
    QVERIFY(outside.isValid());
    QFile outsideFile(outside.filePath(QStringLiteral("other.eml")));
    QVERIFY(outsideFile.open(QIODevice::WriteOnly));
    outsideFile.close();

    makeFile(QStringLiteral("real/m.eml"));
    makeLink(m_dir->path(), QStringLiteral("real/loop.eml"));      // back to the root: a loop
    makeLink(outside.path(), QStringLiteral("seen.eml"));          // a directory elsewhere

    const QString pattern = types == EntryTypes::Any ? QStringLiteral("*") : QStringLiteral("*.eml");
    QCOMPARE(relative(filelister::findPaths(m_dir->path(), pattern, types)), expected);
}

void TestFileLister::walksOnlyAbsoluteDirectoryRoots_data()
{
    QTest::addColumn<QString>("root");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("empty-root") << QString() << QStringList{};
    QTest::newRow("relative-root") << QStringLiteral("relative/dir") << QStringList{};
    QTest::newRow("dot-root") << QStringLiteral(".") << QStringList{};
    QTest::newRow("missing-root") << QStringLiteral("/no/such/directory/anywhere") << QStringList{};
    QTest::newRow("file-root") << QStringLiteral("@/inbox/1.eml") << QStringList{};
    QTest::newRow("matching-directory-root-not-listed") << QStringLiteral("@/inbox.eml") << names({"@/inbox.eml/4.eml"});
    QTest::newRow("symbolic-link-root-followed") << QStringLiteral("@/inbox-link") << names({"@/inbox-link/1.eml"});
    QTest::newRow("trailing-slash-root") << QStringLiteral("@/inbox/") << names({"@/inbox/1.eml"});
}

void TestFileLister::walksOnlyAbsoluteDirectoryRoots()
{
    QFETCH(QString, root);
    QFETCH(QStringList, expected);

    makeFile(QStringLiteral("inbox/1.eml"));
    makeFile(QStringLiteral("inbox/2.txt"));
    makeFile(QStringLiteral("inbox.eml/4.eml"));
    makeLink(m_dir->filePath(QStringLiteral("inbox")), QStringLiteral("inbox-link"));
    // A relative root must not be walked against the working directory.
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    makeFile(QStringLiteral("relative/dir/3.eml"));

    root.replace(QLatin1Char('@'), m_dir->path());
    QStringList found = filelister::findPaths(root, QStringLiteral("*.eml"));
    QDir::setCurrent(before);
    found.replaceInStrings(m_dir->path(), QStringLiteral("@"));
    QCOMPARE(found, expected);
}

void TestFileLister::keepsShellCharactersInNames()
{
    const QString odd = QStringLiteral("it's $HOME `x` & \"q\" ");
    makeFile(odd + QStringLiteral("/msg 1.eml"));
    makeFile(odd + QStringLiteral("/ lead.eml"));
    const QString root = m_dir->filePath(odd);

    const QStringList found = filelister::findPaths(root, QStringLiteral("*.eml"));
    QCOMPARE(found, (QStringList{root + QStringLiteral("/ lead.eml"), root + QStringLiteral("/msg 1.eml")}));
    for (const QString &path : found)
        QVERIFY2(QFileInfo::exists(path), qPrintable(path));
    // The lister writes nothing into the tree it walks.
    QCOMPARE(QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size(), 2);
}

void TestFileLister::passesOverUnreadableDirectories()
{
    if (::geteuid() == 0)
        QSKIP("permissions do not bind the super-user");
    makeFile(QStringLiteral("a/1.eml"));
    makeFile(QStringLiteral("locked/2.eml"));
    makeFile(QStringLiteral("z/3.eml"));
    const QByteArray locked = QFile::encodeName(m_dir->filePath(QStringLiteral("locked")));
    QVERIFY(::chmod(locked.constData(), 0) == 0);

    const filelister::ListResult result = filelister::findByName(m_dir->path(), QStringLiteral("*.eml"));
    ::chmod(locked.constData(), 0755);
    QCOMPARE(relative(result.paths), (names({"a/1.eml", "z/3.eml"})));
    QCOMPARE(result.unreadableDirectories, 1);
}

void TestFileLister::endsWhenStopIsRequested()
{
    makeFile(QStringLiteral("a/1.eml"));
    makeFile(QStringLiteral("b/2.eml"));
    std::atomic<bool> stop{true};
    filelister::ListOptions options;
    options.stopFlag = &stop;
    QVERIFY(filelister::findByName(m_dir->path(), QStringLiteral("*.eml"), options).paths.isEmpty());
    stop = false;
    QCOMPARE(filelister::findByName(m_dir->path(), QStringLiteral("*.eml"), options).paths.size(), 2);
}

QTEST_GUILESS_MAIN(TestFileLister)
#include "tst_filelister.moc"
