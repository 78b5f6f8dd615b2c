// A message holding audio or video is previewed without the system's media
// framework: no process is started and nothing is written below the
// user's home or cache folder.

#include "app/safewebview.h"

#include <QDir>
#include <QDirIterator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Every entry below path, hidden ones included.
QStringList entriesBelow(const QString &path)
{
    QStringList found;
    QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found.append(it.next());
    return found;
}

// The child processes of every thread of this process.
QStringList childProcesses()
{
    QStringList children;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile file(tasks.filePath(task + QStringLiteral("/children")));
        if (file.open(QIODevice::ReadOnly)) {
            const QString text = QString::fromLatin1(file.readAll()).trimmed();
            if (!text.isEmpty())
                children.append(text);
        }
    }
    return children;
}

} // namespace

class TestMediaPreview : public QObject
{
    Q_OBJECT

private slots:
    void mediaElementsStartNothingAndWriteNothing_data();
    void mediaElementsStartNothingAndWriteNothing();
};

void TestMediaPreview::mediaElementsStartNothingAndWriteNothing_data()
{
    QTest::addColumn<QString>("html");
    QTest::newRow("video") << QStringLiteral("<p>clip</p><video src=\"data:video/mp4;base64,AAAAIGZ0eXBpc29t\" autoplay></video>");
    QTest::newRow("audio") << QStringLiteral("<audio controls><source src=\"data:audio/ogg;base64,T2dnUw==\" type=\"audio/ogg\"></audio>");
    QTest::newRow("video-with-sources") << QStringLiteral("<video><source src=\"a.webm\" type=\"video/webm\"><source src=\"b.mp4\"></video>");
}

void TestMediaPreview::mediaElementsStartNothingAndWriteNothing()
{
    QFETCH(QString, html);
    QTemporaryDir home;
    QTemporaryDir cache;
    QVERIFY(home.isValid() && cache.isValid());
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + QStringLiteral("/.local/share")));

    {
        SafeWebView view;
        QSignalSpy loaded(&view, &QWebView::loadFinished);
        view.setHtml(html);
        QVERIFY(!loaded.isEmpty() || loaded.wait(10000));
        QTest::qWait(500);
        QCOMPARE(childProcesses(), QStringList());
    }
    QCOMPARE(entriesBelow(home.path()), QStringList());
    QCOMPARE(entriesBelow(cache.path()), QStringList());
    QCOMPARE(childProcesses(), QStringList());
}

QTEST_MAIN(TestMediaPreview)
#include "tst_mediapreview.moc"
