// Whole saves on generated stores: every source kind to each of its targets,
// exact output files and bytes, the signals of a run and of a stop, skipped
// files counted, hostile names kept inside the tree, names cut to what a file
// system takes, mailboxes of one name kept apart, nothing left behind by a
// save that wrote nothing, and the output split by Python's own mbox reader
// into exactly the messages that went in.

#include "app/appglobals.h"
#include "browser/folderrecords.h"
#include "convert/convertglobals.h"
#include "convert/importwindow.h"
#include "convert/mailsaving.h"
#include "olm/mailmlrc.h"
#include "scan/foldermodel.h"
#include "scan/mboxindexer.h"
#include "scan/scanglobals.h"
#include "support/globalsreset.h"
#include "support/testfiles.h"

#include <QDirIterator>
#include <QProcess>
#include <QStyle>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

Q_DECLARE_METATYPE(SaveTarget)
Q_DECLARE_METATYPE(SaveSource)

// Part files beside a message: name to bytes; a name ending in "/" is a directory.
using PartFiles = QMap<QString, QByteArray>;

namespace {

const QByteArray kAppleSep("From - Wed Nov 12 14:38:04 2014\n");
const QByteArray kOutlookSep("From ???@???\n");
const QByteArray kEmlxSep("From - &&&&&@@@####\n");

// A message whose body carries the bytes the conversion must keep: a "From "
// line, UTF-8 and cp1252 letters, a NUL, and (optionally) no final line feed.
QByteArray message(const QByteArray &id, bool finalLineFeed = true)
{
    QByteArray m = "Message-ID: <" + id + "@test>\nSubject: caf\xc3\xa9\nContent-Type: text/plain; charset=utf-8\n\n"
                   "Hello \xe2\x82\xac and \x80 cp1252\nFrom the start of a line\nnul";
    m.append('\0');
    m.append("inside\nlast line");
    if (finalLineFeed)
        m.append('\n');
    return m;
}

// message() as it must stand in a record: "From " lines quoted.
QByteArray quoted(const QByteArray &m)
{
    QByteArray q = m;
    q.replace("\nFrom the start", "\n>From the start");
    return q;
}

// A record as the writers end it: one more line feed, two when the text has none.
QByteArray record(const QByteArray &separator, const QByteArray &text)
{
    return separator + text + (text.endsWith('\n') ? "\n" : "\n\n");
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing " + path.toUtf8() + ">");
}

// The file whose close reports EIO, as a file system that tells a failed
// write only at the close would; empty: every close succeeds.
char failingClose[4096];

} // namespace

// Every close of the test process comes here, so that a save meets a close
// that fails after its writes succeeded.
extern "C" int close(int fd)
{
    char path[sizeof failingClose];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t size = failingClose[0] ? readlink(link.c_str(), path, sizeof path) : 0;
    const int closed = int(syscall(SYS_close, fd));
    if (size > 0 && size_t(size) == strlen(failingClose) && memcmp(path, failingClose, size_t(size)) == 0) {
        errno = EIO;
        return -1;
    }
    return closed;
}

class TestSaveEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void mailMateBothTargets_data();
    void mailMateBothTargets();
    void outspringBothTargets();
    void emlxWithPartialMessage();
    void messageTextEndsAtTheTrailer_data();
    void messageTextEndsAtTheTrailer();
    void partialMessageStaysOneRecord_data();
    void partialMessageStaysOneRecord();
    void mboxMessagesStayApart();
    void mboxProfileBothTargets_data();
    void mboxProfileBothTargets();
    void operaWithAccounts();
    void hostileNamesStayInsideTheTree();
    void stopEndsAfterTheMessageInHand();
    void entryStopAndNoDriverEmitNothing();
    void shortWritesAreRolledBackAndReported();
    void failingDestinationIsToldInMessages_data();
    void failingDestinationIsToldInMessages();
    void longNamesFitTheFileSystem_data();
    void longNamesFitTheFileSystem();
    void sameNamedMailboxesKeptApart_data();
    void sameNamedMailboxesKeptApart();
    void messageFileOf2GiBCountedUnreadable();
    void failedSourceLeavesTheNextAlone();
    void mboxToBundleWritingNothingLeavesNoBundle_data();
    void mboxToBundleWritingNothingLeavesNoBundle();

private:
    QString src(const QString &rel = QString()) const { return m_dir->path() + QStringLiteral("/src") + rel; }
    QString out(const QString &rel = QString()) const { return m_dir->path() + QStringLiteral("/out") + rel; }
    // Writes a source file and registers it as the scan would, in folderId.
    void addFile(const QString &rel, const QByteArray &bytes, qint64 folderId, bool registered = true);
    void addFolder(qint64 id);
    // Runs one save to the end and returns its signals in order; a
    // fileSizeLimit above 0 caps the size of every file the save writes.
    QStringList save(SaveSource source, SaveTarget target, QMailSaving *saving = nullptr, rlim_t fileSizeLimit = 0);
    // The Python reader's split of one mbox file: Message-ID -> body bytes.
    QList<QPair<QString, QByteArray>> pythonSplit(const QString &mbox);
    // Every file below the temporary directory outside src/ and out/.
    QStringList strayFiles() const;
    // The Message-IDs of every mbox file below root as Python reads them,
    // one "relative path: ids" line per file, sorted.
    QStringList messagesPerFile(const QString &root);
    // A Thunderbird-style mbox file with one message, in folder folderId.
    void addMbox(const QString &rel, const QByteArray &id, qint64 folderId);
    // An Opera Mail profile with one account "Work" and a message filed at
    // each of the locations, all in folder 502.
    void addOperaMessages(const QStringList &locations);

    std::unique_ptr<QTemporaryDir> m_dir;
    QSet<qint64> m_folders;
};

void TestSaveEndToEnd::init()
{
    resetAllGlobalsForTest();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir().mkpath(src()) && QDir().mkpath(out()));
    m_selectedFile = src();
    saveDir = out();
    m_folders.clear();
    addFolder(501);
}

void TestSaveEndToEnd::cleanup()
{
    resetAllGlobalsForTest();
    m_dir.reset();
}

void TestSaveEndToEnd::addFolder(qint64 id)
{
    if (m_folders.contains(id))
        return;
    m_folders.insert(id);
    appendFldrAtrib(id, id == 501 ? 0 : 501)->chState = FolderChecked;
}

void TestSaveEndToEnd::addFile(const QString &rel, const QByteArray &bytes, qint64 folderId, bool registered)
{
    const QString path = src(rel);
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
    addFolder(folderId);
    appendMailItem(path, folderId);
    if (registered)
        foldermodel::registerTreePath(path);
}

QStringList TestSaveEndToEnd::save(SaveSource source, SaveTarget target, QMailSaving *given, rlim_t fileSizeLimit)
{
    QMailSaving local;
    QMailSaving *saving = given ? given : &local;
    bForAppleMail = target == SaveTarget::AppleMail;
    bForOutlookMail = target == SaveTarget::Outlook;
    SaveSnapshot snapshot = takeSaveSnapshot(target);
    snapshot.source = source;
    saving->prepareSave(snapshot);
    QStringList log;
    const auto direct = Qt::DirectConnection;
    connect(saving, &QMailSaving::OnShowProgressDlg, this, [&] { log << QStringLiteral("show"); }, direct);
    connect(saving, &QMailSaving::OnIndivisibleProgressvalue, this,
            [&](double v) { log << QString::number(v); }, direct);
    connect(saving, &QMailSaving::OnSubProgressHide, this, [&] { log << QStringLiteral("subhide"); }, direct);
    connect(saving, &QMailSaving::ProgressDailogHide, this, [&] { log << QStringLiteral("hide"); }, direct);
    connect(saving, &QMailSaving::FinishSaving, this, [&] { log << QStringLiteral("finish"); }, direct);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limit = saved;
    limit.rlim_cur = fileSizeLimit > 0 ? fileSizeLimit : saved.rlim_cur;
    setrlimit(RLIMIT_FSIZE, &limit);
    saving->SetInitialSettings();
    if (!saving->wait(60000))
        log << QStringLiteral("timeout");
    setrlimit(RLIMIT_FSIZE, &saved);
    disconnect(saving, nullptr, this, nullptr);
    return log;
}

// What mbox_split.py prints for the files, or "FAILED" and its errors.
static QByteArray mboxSplit(const QStringList &files)
{
    QProcess python;
    python.start(QStringLiteral("python3"),
                 QStringList{qEnvironmentVariable("CONVERTER_SOURCE_DIR") + QStringLiteral("/tests/convert/mbox_split.py")}
                     + files);
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        return "FAILED " + python.readAllStandardError();
    return python.readAllStandardOutput();
}

QList<QPair<QString, QByteArray>> TestSaveEndToEnd::pythonSplit(const QString &mbox)
{
    QList<QPair<QString, QByteArray>> messages;
    const QByteArray output = mboxSplit({mbox});
    if (output.startsWith("FAILED"))
        return {{QStringLiteral("python failed"), output}};
    for (const QByteArray &line : output.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.value(0) == "MSG")
            messages.append({QString::fromUtf8(fields.value(1)), QByteArray::fromHex(fields.value(2))});
    }
    return messages;
}

QStringList TestSaveEndToEnd::strayFiles() const
{
    QStringList stray;
    QDirIterator it(m_dir->path(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.startsWith(src()) && !path.startsWith(out()))
            stray << path;
    }
    if (QFileInfo::exists(QStringLiteral("PWNED")))
        stray << QStringLiteral("PWNED in the working directory");
    return stray;
}

QStringList TestSaveEndToEnd::messagesPerFile(const QString &root)
{
    QStringList files;
    for (const QString &file : testfiles::filesBelow(root)) {
        if (file.endsWith(QLatin1String(".mbox")))
            files << root + QLatin1Char('/') + file;
    }
    if (files.isEmpty())
        return {};
    const QByteArray output = mboxSplit(files);
    if (output.startsWith("FAILED"))
        return {QString::fromUtf8(output)};
    QStringList result;
    for (const QByteArray &line : output.split('\n')) {
        if (line.startsWith("FILE "))
            result << QFile::decodeName(line.mid(5)).mid(root.size() + 1) + QLatin1Char(':');
        else if (line.startsWith("MSG ") && !result.isEmpty())
            result.last() += QLatin1Char(' ') + QString::fromUtf8(line.split(' ').value(1));
    }
    result.sort();
    return result;
}

void TestSaveEndToEnd::addMbox(const QString &rel, const QByteArray &id, qint64 folderId)
{
    addFile(rel, "From a@b Mon Jan  1 00:00:00 2024\n" + message(id), folderId);
}

void TestSaveEndToEnd::addOperaMessages(const QStringList &locations)
{
    QVERIFY(testfiles::writeFile(src(QStringLiteral("/mail/accounts.ini")),
                                 "[Accounts]\nCount=1\n\n[Account1]\nAccount Name=Work\n"));
    for (int i = 0; i < locations.size(); ++i) {
        addFile(QStringLiteral("/mail/store/account1/2014/%1.mbs").arg(i + 1),
                "From envelope\nX-Opera-Location: " + locations.at(i).toUtf8() + ":1\n"
                    + message("n" + QByteArray::number(i + 1)),
                502);
    }
}

// Output entries a file system refuses or a failed write leaves behind:
// names over 255 bytes or not valid UTF-8, and empty directories.
static QStringList badOutputEntries(const QString &root)
{
    QStringList bad;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QByteArray name = QFile::encodeName(info.fileName());
        if (name.size() > 255 || QString::fromUtf8(name).toUtf8() != name)
            bad << QStringLiteral("bad name: ") + info.filePath();
        if (info.isDir() && QDir(info.filePath()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
            bad << QStringLiteral("empty: ") + info.filePath();
    }
    return bad;
}

void TestSaveEndToEnd::mailMateBothTargets_data()
{
    QTest::addColumn<SaveTarget>("target");
    QTest::addColumn<QString>("tree");
    QTest::addColumn<QByteArray>("separator");
    QTest::newRow("apple-mail") << SaveTarget::AppleMail << "/Main Identity.mbox" << kAppleSep;
    QTest::newRow("outlook-2011") << SaveTarget::Outlook << "/Main Identity.rge" << kOutlookSep;
}

void TestSaveEndToEnd::mailMateBothTargets()
{
    QFETCH(SaveTarget, target);
    QFETCH(QString, tree);
    QFETCH(QByteArray, separator);
    const QByteArray first = message("m1");
    const QByteArray second = message("m2", false);
    addFile(QStringLiteral("/A/Inbox.mailbox/Messages/1.eml"), first, 502);
    addFile(QStringLiteral("/A/Inbox.mailbox/Messages/2.eml"), QByteArray(second).replace("\n", "\r\n"), 502);
    addFile(QStringLiteral("/A/Inbox.mailbox/Messages/3.eml"), message("unregistered"), 502, false);
    addFile(QStringLiteral("/A/Inbox.mailbox/Messages/4.eml"), message("gone"), 502);
    QVERIFY(QFile::remove(src(QStringLiteral("/A/Inbox.mailbox/Messages/4.eml"))));
    addFile(QStringLiteral("/A/Inbox.mailbox/Messages/5.eml"), QByteArray(), 502);
    QVERIFY(QFile::remove(src(QStringLiteral("/A/Inbox.mailbox/Messages/5.eml"))));
    QCOMPARE(::mkfifo(QFile::encodeName(src(QStringLiteral("/A/Inbox.mailbox/Messages/5.eml"))).constData(), 0600),
             0);

    QMailSaving saving;
    const QStringList log = save(SaveSource::MailMate, target, &saving);

    QCOMPARE(log, (QStringList{QStringLiteral("show"), QStringLiteral("0"), QStringLiteral("20"),
                               QStringLiteral("40"), QStringLiteral("60"), QStringLiteral("80"),
                               QStringLiteral("100"), QStringLiteral("subhide"), QStringLiteral("hide"),
                               QStringLiteral("finish")}));
    const QString mbox = out(tree + QStringLiteral("/Mail/A/Inbox/Inbox.mbox"));
    QCOMPARE(QString::fromLatin1(readAll(mbox)),
             QString::fromLatin1(record(separator, quoted(first)) + record(separator, quoted(second))));
    QCOMPARE(saving.lastOutcome().written, qint64(2));
    QCOMPARE(saving.lastOutcome().unreadable, qint64(2));
    QVERIFY(FileSavingIdentification);
    if (target == SaveTarget::Outlook) {
        QCOMPARE(QFileInfo(out(tree + QStringLiteral("/Contents/PkgInfo"))).size(), qint64(8));
        QCOMPARE(QFileInfo(out(tree + QStringLiteral("/Contents/Info.plist"))).size(), qint64(433));
        QCOMPARE(QFileInfo(out(tree + QStringLiteral("/Archive.xml"))).size(), qint64(278));
    }
    const auto split = pythonSplit(mbox);
    QCOMPARE(split.size(), 2);
    QCOMPARE(split.at(0).first, QStringLiteral("<m1@test>"));
    QCOMPARE(split.at(1).first, QStringLiteral("<m2@test>"));
    QVERIFY(split.at(1).second.startsWith(quoted(second).mid(quoted(second).indexOf("\n\n") + 2)));
}

void TestSaveEndToEnd::outspringBothTargets()
{
    const QByteArray spf = "Received-Spf: pass\n detail\n";
    const QByteArray text = message("o1");
    addFile(QStringLiteral("/X.mbox/Y/1.eml"), "From envelope\n" + spf + text, 502);
    addFile(QStringLiteral("/X.mbox/Y/2.f.eml"),
            message("o2") + "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist/>\n", 502);
    QCOMPARE(save(SaveSource::Outspring, SaveTarget::Outlook).last(), QStringLiteral("finish"));
    QCOMPARE(QString::fromLatin1(readAll(out(QStringLiteral("/Main Identity.rge/Mail/X/Y/Y.mbox")))),
             QString::fromLatin1(record(kOutlookSep, quoted(text)) + record(kOutlookSep, quoted(message("o2")))));
    QCOMPARE(save(SaveSource::Outspring, SaveTarget::AppleMail).last(), QStringLiteral("finish"));
    QCOMPARE(QString::fromLatin1(readAll(out(QStringLiteral("/Main Identity.mbox/Mail/X/Y/Y.mbox")))),
             QString::fromLatin1(record(kAppleSep, quoted(text)) + record(kAppleSep, quoted(message("o2")))));
}

void TestSaveEndToEnd::emlxWithPartialMessage()
{
    const QByteArray whole = message("e1");
    const QByteArray trailer = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist/>\n";
    addFile(QStringLiteral("/Mailboxes/Work.mbox/Messages/1.emlx"),
            QByteArray::number(whole.size()) + "\n" + whole + trailer, 502);
    const QByteArray partial = "Message-ID: <e2@test>\nContent-Type: multipart/mixed; boundary=b\n\n--b\n"
                               "Content-Type: text/plain;\n\nFrom here\n--b\nX-Apple-Content-Length: 6\n"
                               "Content-Type: text/plain;\n\n--b--\n";
    addFile(QStringLiteral("/Mailboxes/Work.mbox/Messages/2.partial.emlx"),
            QByteArray::number(partial.size()) + "\n" + partial + trailer, 502);
    QVERIFY(QDir().mkpath(src(QStringLiteral("/B/Mailboxes/Work.mbox/Messages"))));
    QFile part(src(QStringLiteral("/Mailboxes/Work.mbox/Messages/2.2.emlxpart")));
    QVERIFY(part.open(QIODevice::WriteOnly) && part.write("parts\n") == 6);
    part.close();
    // A part of another message whose path contains this one's must stay unclaimed.
    QFile other(src(QStringLiteral("/B/Mailboxes/Work.mbox/Messages/2.2.emlxpart")));
    QVERIFY(other.open(QIODevice::WriteOnly) && other.write("wrong\n") == 6);
    other.close();

    QCOMPARE(save(SaveSource::Emlx, SaveTarget::Outlook).last(), QStringLiteral("finish"));
    const QByteArray completed = QByteArray(partial)
                                     .replace("\nFrom here", "\n>From here")
                                     .replace("text/plain;\n\n--b--", "text/plain;\n\nparts\n--b--");
    const QString mbox = out(QStringLiteral("/Main Identity.rge/Mail/Mailboxes/Work/Work.mbox"));
    QCOMPARE(QString::fromLatin1(readAll(mbox)),
             QString::fromLatin1(record(kEmlxSep, quoted(whole)) + record(kEmlxSep, completed)));
    const auto split = pythonSplit(mbox);
    QCOMPARE(split.size(), 2);
    QCOMPARE(split.at(1).first, QStringLiteral("<e2@test>"));
}

void TestSaveEndToEnd::messageTextEndsAtTheTrailer_data()
{
    QTest::addColumn<SaveSource>("source");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("text");
    const QByteArray trailer = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST "
                               "1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\">\n"
                               "<dict>\n\t<key>flags</key>\n\t<integer>8590195713</integer>\n</dict>\n</plist>\n";
    const QByteArray xhtml = "Message-ID: <x1@test>\nContent-Type: multipart/alternative; boundary=b\n\n--b\n"
                             "Content-Type: text/plain; charset=utf-8\n\nHi\n--b\nContent-Type: application/xhtml+xml\n\n"
                             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE html>\n"
                             "<html xmlns=\"http://www.w3.org/1999/xhtml\"><body><p>Hi</p></body></html>\n--b--\n";
    // The counts and layouts are rows of the message text rules; these read
    // through the save, the first a message with a NUL and a "From " line.
    QTest::newRow("emlx-short-count") << SaveSource::Emlx << QStringLiteral("/Mailboxes/Work.mbox/Messages/1.emlx")
                                      << "40\n" + message("t1") + trailer << quoted(message("t1"));
    QTest::newRow("emlx-xhtml-part-short-count")
        << SaveSource::Emlx << QStringLiteral("/Mailboxes/Work.mbox/Messages/1.emlx") << "12\n" + xhtml + trailer << xhtml;
    QTest::newRow("outspring-xhtml-part-then-trailer")
        << SaveSource::Outspring << QStringLiteral("/X.mbox/Y/1.eml") << xhtml + trailer << xhtml;
}

// The record holds the whole message, however short the count in front of
// it and whatever its parts hold, and nothing of the trailer.
void TestSaveEndToEnd::messageTextEndsAtTheTrailer()
{
    QFETCH(SaveSource, source);
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, text);
    addFile(file, bytes, 502);
    QMailSaving saving;
    QCOMPARE(save(source, SaveTarget::Outlook, &saving).last(), QStringLiteral("finish"));
    QCOMPARE(saving.lastOutcome().written, qint64(1));
    const QString mbox = source == SaveSource::Emlx
        ? out(QStringLiteral("/Main Identity.rge/Mail/Mailboxes/Work/Work.mbox"))
        : out(QStringLiteral("/Main Identity.rge/Mail/X/Y/Y.mbox"));
    const QByteArray separator = source == SaveSource::Emlx ? kEmlxSep : kOutlookSep;
    QCOMPARE(QString::fromLatin1(readAll(mbox)), QString::fromLatin1(record(separator, text)));
}

void TestSaveEndToEnd::partialMessageStaysOneRecord_data()
{
    QTest::addColumn<QByteArray>("partial");
    QTest::addColumn<PartFiles>("parts");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("incomplete"); // messages written without a part that could not be read
    const QByteArray head = "Message-ID: <p1@test>\nContent-Type: multipart/mixed; boundary=b\n\n--b\n"
                            "Content-Type: text/plain;\n\nSee the patch.\n--b\n"
                            "Content-Type: text/plain; name=fix.patch\nX-Apple-Content-Length: 120\n\n";
    // A patch attached as text begins with a "From " line.
    const QByteArray patch = "From 1a2b3c4d Mon Sep 17 00:00:00 2001\nFrom: Dev <dev@example.org>\n"
                             "Subject: [PATCH] fix\n\n---\n a | 1 +\n";
    QTest::newRow("part-begins-with-a-from-line")
        << head + "--b--\n" << PartFiles{{QStringLiteral("2.2.emlxpart"), patch}}
        << head + ">" + patch + "--b--\n" << 0;
    QTest::newRow("part-without-final-line-feed-joins-into-a-from-line")
        << head + " the tail\n--b--\n" << PartFiles{{QStringLiteral("2.2.emlxpart"), "patch\nFrom"}}
        << head + "patch\n>From the tail\n--b--\n" << 0;
    const QByteArray twoMarkers = "Message-ID: <p1@test>\nContent-Type: multipart/mixed; boundary=b\n\n--b\n"
                                  "X-Apple-Content-Length: 5\n\n--b\nX-Apple-Content-Length: 5\n\n--b--\n";
    QTest::newRow("part-directory-keeps-its-place")
        << twoMarkers
        << PartFiles{{QStringLiteral("2.4.emlxpart/"), QByteArray()},
                     {QStringLiteral("2.4.emlxpart/2.10.emlxpart"), "inner\n"},
                     {QStringLiteral("2.5.emlxpart"), "five\n"}}
        << QByteArray("Message-ID: <p1@test>\nContent-Type: multipart/mixed; boundary=b\n\n--b\n"
                      "X-Apple-Content-Length: 5\n\n--b\nX-Apple-Content-Length: 5\n\nfive\n--b--\n")
        << 1;
}

// The completed message is quoted as a whole, so a reader of the record
// finds exactly one message in it.
void TestSaveEndToEnd::partialMessageStaysOneRecord()
{
    QFETCH(QByteArray, partial);
    QFETCH(PartFiles, parts);
    QFETCH(QByteArray, text);
    QFETCH(int, incomplete);
    const QByteArray trailer = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict/></plist>\n";
    const QString messages = QStringLiteral("/Mailboxes/Work.mbox/Messages/");
    addFile(messages + QStringLiteral("2.partial.emlx"), QByteArray::number(partial.size()) + "\n" + partial + trailer,
            502);
    for (auto it = parts.cbegin(); it != parts.cend(); ++it) {
        const QString path = src(messages + it.key());
        QVERIFY(it.key().endsWith(QLatin1Char('/')) ? QDir().mkpath(path) : testfiles::writeFile(path, it.value()));
    }

    QMailSaving saving;
    QCOMPARE(save(SaveSource::Emlx, SaveTarget::Outlook, &saving).last(), QStringLiteral("finish"));
    QCOMPARE(saving.lastOutcome().incomplete, qint64(incomplete));
    QCOMPARE(saving.lastOutcome().unreadable, qint64(0));
    const QString mbox = out(QStringLiteral("/Main Identity.rge/Mail/Mailboxes/Work/Work.mbox"));
    QCOMPARE(QString::fromLatin1(readAll(mbox)), QString::fromLatin1(record(kEmlxSep, text)));
    const auto split = pythonSplit(mbox);
    QCOMPARE(split.size(), 1);
    QCOMPARE(split.at(0).first, QStringLiteral("<p1@test>"));
}

// A separator right after a closing boundary that ends in CR CR LF stays a
// separator; the other line ends are rows of the mbox stream rules.
void TestSaveEndToEnd::mboxMessagesStayApart()
{
    auto multipart = [](const QByteArray &id) {
        return "Message-ID: <" + id + "@test>\nContent-Type: multipart/alternative; boundary=x\n\n--x\n"
               "Content-Type: text/plain; charset=utf-8\n\nline\nFrom inside\n--x--\r\r\n";
    };
    addFile(QStringLiteral("/Mail/Local Folders/Inbox"),
            "From a@b Mon Jan  1 00:00:00 2024\n" + multipart("c1") + "From c@d Mon Jan  1 00:00:00 2024\n"
                + multipart("c2"),
            502);
    QCOMPARE(save(SaveSource::Mbox, SaveTarget::AppleMail).last(), QStringLiteral("finish"));
    QDirIterator it(out(QStringLiteral("/Main Identity.mbox/Mail")), QDir::Files, QDirIterator::Subdirectories);
    QVERIFY(it.hasNext());
    const auto split = pythonSplit(it.next());
    QCOMPARE(split.size(), 2);
    QCOMPARE(split.at(0).first, QStringLiteral("<c1@test>"));
    QCOMPARE(split.at(1).first, QStringLiteral("<c2@test>"));
    QVERIFY(split.at(0).second.contains("\n>From inside\n"));
}

void TestSaveEndToEnd::mboxProfileBothTargets_data()
{
    QTest::addColumn<SaveTarget>("target");
    QTest::addColumn<QString>("tree");
    QTest::newRow("apple-mail") << SaveTarget::AppleMail << "/Main Identity.mbox";
    QTest::newRow("outlook-2011") << SaveTarget::Outlook << "/Main Identity.rge";
}

void TestSaveEndToEnd::mboxProfileBothTargets()
{
    QFETCH(SaveTarget, target);
    QFETCH(QString, tree);
    // Source mbox files as a mail client keeps them: body "From " lines of a
    // text part after a non-empty line, CR LF in one file, no final line feed.
    const QByteArray inbox = "From a@b Mon Jan  1 00:00:00 2024\n" + message("b1") + "\n"
                             "From c@d Mon Jan  1 00:00:00 2024\n" + message("b2", false);
    const QByteArray sub = "From a@b Mon Jan  1 00:00:00 2024\r\n" + QByteArray(message("b3")).replace("\n", "\r\n");
    addFile(QStringLiteral("/Mail/Local Folders/Inbox"), inbox, 502);
    addFile(QStringLiteral("/Mail/Local Folders/Inbox.msf"), "// index", 502, false);
    addFile(QStringLiteral("/Mail/Local Folders/Inbox.sbd/Sub"), sub, 503);

    QMailSaving saving;
    const QStringList log = save(SaveSource::Mbox, target, &saving);
    QCOMPARE(log.first(), QStringLiteral("show"));
    QCOMPARE(log.mid(log.size() - 4), (QStringList{QStringLiteral("100"), QStringLiteral("subhide"),
                                                   QStringLiteral("hide"), QStringLiteral("finish")}));
    // Counted in messages: two in the inbox, one in the subfolder.
    QCOMPARE(saving.lastOutcome().written, qint64(3));

    QStringList outputs;
    QDirIterator it(out(tree + QStringLiteral("/Mail")), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        outputs << it.next().mid(out(tree).size());
    outputs.sort();
    QCOMPARE(outputs.size(), 2);
    const QByteArray inboxOut = readAll(out(tree) + outputs.filter(QStringLiteral("Inbox.mbox")).value(0));
    QCOMPARE(QString::fromLatin1(inboxOut), QString::fromLatin1(QByteArray(inbox).replace("\nFrom the", "\n>From the") + "\n"));
    const QByteArray subOut = readAll(out(tree) + outputs.filter(QStringLiteral("Sub")).value(0));
    QCOMPARE(QString::fromLatin1(subOut),
             QString::fromLatin1(QByteArray(sub).replace("\r\n", "\n").replace("\nFrom the", "\n>From the") + "\n"));
    const auto split = pythonSplit(out(tree) + outputs.filter(QStringLiteral("Inbox.mbox")).value(0));
    QCOMPARE(split.size(), 2);
    QCOMPARE(split.at(0).first, QStringLiteral("<b1@test>"));
    QCOMPARE(split.at(1).first, QStringLiteral("<b2@test>"));
}

void TestSaveEndToEnd::operaWithAccounts()
{
    QVERIFY(QDir().mkpath(src(QStringLiteral("/mail"))));
    QFile ini(src(QStringLiteral("/mail/accounts.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Accounts]\nCount=1\n\n[Account1]\nAccount Name=Work\n");
    ini.close();
    const QByteArray located = "X-Opera-Location: Inbox:7\n" + message("p1");
    const QByteArray hostile = "X-Opera-Location: ../../x:1\nFrom : someone\n" + message("p2");
    addFile(QStringLiteral("/mail/store/account1/2014/1.mbs"), "From envelope\n" + located, 502);
    addFile(QStringLiteral("/mail/store/account1/2014/2.mbs"), "From envelope\n" + hostile, 502);

    QCOMPARE(save(SaveSource::Opera, SaveTarget::AppleMail).last(), QStringLiteral("finish"));
    QCOMPARE(QString::fromLatin1(readAll(out(QStringLiteral("/Main Identity.mbox/Mail/Work/Inbox/Inbox.mbox")))),
             QString::fromLatin1(record(kAppleSep, quoted(located))));
    QCOMPARE(save(SaveSource::Opera, SaveTarget::Outlook).last(), QStringLiteral("finish"));
    QCOMPARE(QString::fromLatin1(readAll(out(QStringLiteral("/Main Identity.rge/Mail/Work/Inbox/Inbox.mbox")))),
             QString::fromLatin1(record("From ???@??? Fri Dec 19 10:37:38 2014\n", quoted(located))));
    QVERIFY2(strayFiles().isEmpty(), qPrintable(strayFiles().join(QLatin1Char('\n'))));
}

void TestSaveEndToEnd::hostileNamesStayInsideTheTree()
{
    addFile(QStringLiteral("/a'b/x;touch PWNED.mailbox/Messages/1.eml"), message("h1"), 502);
    addFile(QStringLiteral("/$(touch PWNED)/In.mailbox/Messages/2.eml"), message("h2"), 503);
    QCOMPARE(save(SaveSource::MailMate, SaveTarget::AppleMail).last(), QStringLiteral("finish"));
    QVERIFY2(strayFiles().isEmpty(), qPrintable(strayFiles().join(QLatin1Char('\n'))));
    QDirIterator it(out(), QDir::Files, QDirIterator::Subdirectories);
    int files = 0;
    while (it.hasNext()) {
        QVERIFY(it.next().startsWith(out(QStringLiteral("/Main Identity.mbox/Mail/"))));
        ++files;
    }
    QCOMPARE(files, 2);
}

void TestSaveEndToEnd::stopEndsAfterTheMessageInHand()
{
    for (int i = 1; i <= 3; ++i)
        addFile(QStringLiteral("/In.mailbox/Messages/%1.eml").arg(i), message("s" + QByteArray::number(i)), 502);
    QMailSaving saving;
    // Stop pressed once the first message is done: the run ends before the second.
    bool asked = false;
    connect(&saving, &QMailSaving::OnIndivisibleProgressvalue, this, [&](double v) {
        if (v > 0 && !asked) {
            asked = true;
            bStopFlag = true;
        }
    }, Qt::DirectConnection);
    const QStringList log = save(SaveSource::MailMate, SaveTarget::AppleMail, &saving);
    QCOMPARE(log, (QStringList{QStringLiteral("show"), QStringLiteral("0"), QStringLiteral("33")}));
    QVERIFY(saving.lastOutcome().stopped);
    QCOMPARE(QString::fromLatin1(readAll(out(QStringLiteral("/Main Identity.mbox/Mail/In/In.mbox")))),
             QString::fromLatin1(record(kAppleSep, quoted(message("s1")))));
}

void TestSaveEndToEnd::entryStopAndNoDriverEmitNothing()
{
    addFile(QStringLiteral("/In.mailbox/Messages/1.eml"), message("n1"), 502);
    QMailSaving stopped;
    bStopFlag = true;
    SaveSnapshot snapshot = takeSaveSnapshot(SaveTarget::AppleMail);
    snapshot.source = SaveSource::MailMate;
    stopped.prepareSave(snapshot);
    QStringList log;
    connect(&stopped, &QMailSaving::OnShowProgressDlg, this, [&] { log << QStringLiteral("show"); },
            Qt::DirectConnection);
    stopped.start();
    QVERIFY(stopped.wait(10000));
    QVERIFY(log.isEmpty());
    QVERIFY(IsPreview);
    bStopFlag = false;
    QVERIFY(save(SaveSource::Emlx, SaveTarget::AppleMail).isEmpty());
    QVERIFY(save(SaveSource::Olm, SaveTarget::Outlook).isEmpty());
    QVERIFY(!QFileInfo::exists(out(QStringLiteral("/Main Identity.mbox"))));
}

void TestSaveEndToEnd::shortWritesAreRolledBackAndReported()
{
    for (int i = 1; i <= 3; ++i)
        addFile(QStringLiteral("/In.mailbox/Messages/%1.eml").arg(i), message("w" + QByteArray::number(i)), 502);
    const QByteArray first = record(kAppleSep, quoted(message("w1")));
    // Room for the first record only: the others are cut short by the limit.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limit = saved;
    limit.rlim_cur = rlim_t(first.size() + 100);
    setrlimit(RLIMIT_FSIZE, &limit);
    QMailSaving saving;
    const QStringList log = save(SaveSource::MailMate, SaveTarget::AppleMail, &saving);
    setrlimit(RLIMIT_FSIZE, &saved);

    QCOMPARE(log.last(), QStringLiteral("finish"));
    QCOMPARE(saving.lastOutcome().written, qint64(1));
    QCOMPARE(saving.lastOutcome().notWritten, qint64(2));
    QCOMPARE(QString::fromLatin1(readAll(out(QStringLiteral("/Main Identity.mbox/Mail/In/In.mbox")))),
             QString::fromLatin1(first));
    QVERIFY(saveOutcomeText(QStringLiteral("/o"), saving.lastOutcome())
                .endsWith(QStringLiteral("\n2 message(s) could not be written.")));
}

void TestSaveEndToEnd::failingDestinationIsToldInMessages_data()
{
    QTest::addColumn<SaveSource>("source");
    QTest::addColumn<SaveTarget>("target");
    QTest::addColumn<QString>("blocked"); // a file made where the save needs a folder
    QTest::addColumn<bool>("sourceGone"); // the folder of three messages removed after the scan
    QTest::addColumn<int>("written");
    QTest::addColumn<int>("unreadable");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("warning");
    QTest::addColumn<bool>("links");
    QTest::addColumn<QString>("closeFails"); // the output file whose close reports an error

    // Five messages in two folders: three in One, two in Two.
    const QString apple = QStringLiteral("/Main Identity.mbox");
    const QString bundle = QStringLiteral("/Main Identity.rge");
    const QString allSaved = QStringLiteral("\nFile saved successfully at location @OUT@\n5 message(s) were saved.");
    const QString twoSaved = QStringLiteral("\nFile saved at location @OUT@, with problems.\n"
                                            "2 of 5 message(s) were saved.\n3 message(s) could not be written.");
    const QString noneSaved = QStringLiteral("\nNothing was saved at location @OUT@.\n"
                                             "0 of 5 message(s) were saved.\n5 message(s) could not be written.");
    QTest::newRow("mbox-every-message-saved")
        << SaveSource::Mbox << SaveTarget::AppleMail << QString() << false << 5 << 0 << allSaved << false << true << QString();
    QTest::newRow("mbox-folder-of-three-messages-blocked")
        << SaveSource::Mbox << SaveTarget::AppleMail << apple + QStringLiteral("/Mail/One") << false << 2 << 0 << twoSaved << true
        << true << QString();
    QTest::newRow("mbox-bundle-folder-of-three-messages-blocked")
        << SaveSource::Mbox << SaveTarget::Outlook << bundle + QStringLiteral("/Mail/One") << false << 2 << 0 << twoSaved << true
        << true << QString();
    QTest::newRow("mbox-whole-tree-blocked")
        << SaveSource::Mbox << SaveTarget::AppleMail << apple + QStringLiteral("/Mail") << false << 0 << 0 << noneSaved << true
        << false << QString();
    QTest::newRow("message-files-every-message-saved")
        << SaveSource::MailMate << SaveTarget::AppleMail << QString() << false << 5 << 0 << allSaved << false << true << QString();
    QTest::newRow("message-files-folder-of-three-messages-blocked")
        << SaveSource::MailMate << SaveTarget::AppleMail << apple + QStringLiteral("/Mail/One") << false << 2 << 0 << twoSaved
        << true << true << QString();
    QTest::newRow("message-files-whole-bundle-blocked")
        << SaveSource::MailMate << SaveTarget::Outlook << bundle + QStringLiteral("/Mail") << false << 0 << 0 << noneSaved << true
        << false << QString();
    const QString threeSkipped = QStringLiteral("\nFile saved at location @OUT@, with problems.\n"
                                                "2 of 5 message(s) were saved.\n3 message(s) could not be read and were skipped.");
    QTest::newRow("mbox-file-gone-since-the-scan")
        << SaveSource::Mbox << SaveTarget::AppleMail << QString() << true << 2 << 3 << threeSkipped << true << true << QString();
    QTest::newRow("message-files-gone-since-the-scan")
        << SaveSource::MailMate << SaveTarget::Outlook << QString() << true << 2 << 3 << threeSkipped << true << true << QString();
    const QString threeSaved = QStringLiteral("\nFile saved at location @OUT@, with problems.\n"
                                              "3 of 5 message(s) were saved.\n2 message(s) could not be written.");
    QTest::newRow("mbox-last-file-close-fails")
        << SaveSource::Mbox << SaveTarget::AppleMail << QString() << false << 3 << 0 << threeSaved << true << true
        << apple + QStringLiteral("/Mail/Two/B/B.mbox");
    QTest::newRow("mbox-bundle-earlier-file-close-fails")
        << SaveSource::Mbox << SaveTarget::Outlook << QString() << false << 2 << 0 << twoSaved << true << true
        << bundle + QStringLiteral("/Mail/One/A/A.mbox");
    QTest::newRow("message-files-last-file-close-fails")
        << SaveSource::MailMate << SaveTarget::Outlook << QString() << false << 3 << 0 << threeSaved << true << true
        << bundle + QStringLiteral("/Mail/Two/B/B.mbox");
    // The last message of each folder is saved incompletely; one whose file
    // fails to close counts only as not written.
    QTest::newRow("partial-messages-last-file-close-fails")
        << SaveSource::Emlx << SaveTarget::Outlook << QString() << false << 3 << 0
        << QStringLiteral("\nFile saved at location @OUT@, with problems.\n3 of 5 message(s) were saved.\n"
                          "1 message(s) could not be read whole and were saved incompletely.\n"
                          "2 message(s) could not be written.")
        << true << true << bundle + QStringLiteral("/Mail/Two/B/B.mbox");
    QTest::newRow("backup-earlier-file-close-fails")
        << SaveSource::Olm << SaveTarget::AppleMail << QString() << false << 2 << 0
        << QStringLiteral("\nFile saved at location @OUT@, with problems.\n2 of 5 message(s) were saved.\n"
                          "1 message(s) could not be read whole and were saved incompletely.\n"
                          "3 message(s) could not be written.")
        << true << true << apple + QStringLiteral("/Mail/One/A/A.mbox");
}

void TestSaveEndToEnd::failingDestinationIsToldInMessages()
{
    QFETCH(SaveSource, source);
    QFETCH(SaveTarget, target);
    QFETCH(QString, blocked);
    QFETCH(bool, sourceGone);
    QFETCH(int, written);
    QFETCH(int, unreadable);
    QFETCH(QString, text);
    QFETCH(bool, warning);
    QFETCH(bool, links);
    QFETCH(QString, closeFails);

    if (source == SaveSource::Mbox) {
        auto mbox = [](const QList<QByteArray> &ids) {
            QByteArray bytes;
            for (const QByteArray &id : ids)
                bytes += "From a@b Mon Jan  1 00:00:00 2024\n" + message(id) + "\n";
            return bytes;
        };
        addFile(QStringLiteral("/Mail/One/A"), mbox({"a1", "a2", "a3"}), 502);
        addFile(QStringLiteral("/Mail/Two/B"), mbox({"b1", "b2"}), 503);
        // The scan's flag and its index of the messages in each file.
        bMboxFileFound = true;
        for (const QString &file : {QStringLiteral("/Mail/One/A"), QStringLiteral("/Mail/Two/B")})
            QCOMPARE(mboxindex::appendMboxToList(src(file), TmpMboxMbxPtrStart, TmpMboxMbxPtrEnd), mboxindex::IndexStatus::Indexed);
    } else if (source == SaveSource::Emlx || source == SaveSource::Olm) {
        // The last message of each folder can only be partly read: a partial
        // message whose part is a directory, a record whose body runs past
        // the end of the backup.
        QByteArray backup;
        for (const auto &folder : {qMakePair(QStringLiteral("One/A"), 3), qMakePair(QStringLiteral("Two/B"), 2)}) {
            const qint64 folderId = folder.second == 3 ? 502 : 503;
            addFolder(folderId);
            for (int i = 1; i <= folder.second; ++i) {
                const QByteArray m = message(folder.first.toUtf8() + QByteArray::number(i));
                const bool cut = i == folder.second;
                const QString name = QStringLiteral("/%1.mbox/Messages/%2").arg(folder.first).arg(i);
                if (source == SaveSource::Emlx) {
                    addFile(name + (cut ? QStringLiteral(".partial.emlx") : QStringLiteral(".emlx")),
                            QByteArray::number(m.size()) + '\n' + m + "<plist/>\n", folderId);
                    if (cut)
                        QVERIFY(QDir().mkpath(src(name + QStringLiteral(".2.emlxpart"))));
                    continue;
                }
                MailMLRC *record = appendMailMLRC();
                record->llFolderId = quint64(folderId);
                record->szFolderPath = folder.first.toUtf8();
                record->szReceivedTime = "Fri, 19 Dec 2014 10:37:38 +0530";
                record->llBodyOffset = backup.size();
                record->llBodyLength = m.size() + (cut ? 4096 : 0);
                backup += m;
            }
        }
        if (source == SaveSource::Olm) {
            m_selectedFile = src(QStringLiteral("/backup.olm"));
            QVERIFY(testfiles::writeFile(m_selectedFile, backup));
        }
    } else {
        for (int i = 1; i <= 3; ++i)
            addFile(QStringLiteral("/One/A.mailbox/Messages/%1.eml").arg(i), message("a" + QByteArray::number(i)), 502);
        for (int i = 1; i <= 2; ++i)
            addFile(QStringLiteral("/Two/B.mailbox/Messages/%1.eml").arg(i), message("b" + QByteArray::number(i)), 503);
    }
    if (sourceGone)
        QVERIFY(QDir(src(source == SaveSource::Mbox ? QStringLiteral("/Mail/One") : QStringLiteral("/One"))).removeRecursively());
    // A file where a folder must go stops writes whoever runs the test.
    if (!blocked.isEmpty()) {
        QVERIFY(QDir().mkpath(QFileInfo(out(blocked)).path()));
        QFile block(out(blocked));
        QVERIFY(block.open(QIODevice::WriteOnly));
    }
    QTemporaryDir resources;
    HelpFilePath = resources.path();
    strPlistPath = resources.filePath(QStringLiteral("MailConverterLink.plist"));
    QVERIFY(testfiles::writeStringPlist(strPlistPath, {{QStringLiteral("Apple Mail"), QStringLiteral("Apple Mail")},
                                                       {QStringLiteral("HowToImportLink"), QStringLiteral("/a.htm")},
                                                       {QStringLiteral("Outlook 2011"), QStringLiteral("Outlook 2011")},
                                                       {QStringLiteral("HowToImportLink1"), QStringLiteral("/o.htm")}}));

    QMailSaving saving;
    if (!closeFails.isEmpty())
        qstrncpy(failingClose, QFile::encodeName(QFileInfo(out()).canonicalFilePath() + closeFails), sizeof failingClose);
    const QStringList log = save(source, target, &saving);
    failingClose[0] = '\0';
    QCOMPARE(log.last(), QStringLiteral("finish"));
    QCOMPARE(saving.lastOutcome().written, qint64(written));
    QCOMPARE(saving.lastOutcome().unreadable, qint64(unreadable));
    QCOMPARE(saving.lastOutcome().notWritten, qint64(5 - written - unreadable));

    // The dialog as the main window fills it at the end of the save.
    const QString tree = out(target == SaveTarget::Outlook ? QStringLiteral("/Main Identity.rge")
                                                           : QStringLiteral("/Main Identity.mbox"));
    QImportWindow window;
    const QImage logo = window.label->pixmap(Qt::ReturnByValue).toImage();
    window.setSaveOutcome(tree, saving.lastOutcome());
    QCOMPARE(window.InfoLabels->text(), QString(text).replace(QLatin1String("@OUT@"), tree));
    // The whole text has room, above the prompt to import.
    QVERIFY(window.InfoLabels->height() >= window.InfoLabels->heightForWidth(window.InfoLabels->width()));
    QVERIFY(window.label_3->y() > window.InfoLabels->geometry().bottom());
    QVERIFY(window.rect().contains(window.OKButton->geometry()));
    const QImage icon = window.label->pixmap(Qt::ReturnByValue).toImage();
    const QImage warningIcon =
        window.style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(window.label->size()).toImage();
    QCOMPARE(icon == warningIcon, warning);
    QCOMPARE(icon == logo, !warning);
    QCOMPARE(window.ImportLabel->isVisibleTo(&window), links);
    QCOMPARE(window.ImportLabel_2->isVisibleTo(&window), links);
    QCOMPARE(window.label_3->isVisibleTo(&window), links);
}

void TestSaveEndToEnd::longNamesFitTheFileSystem_data()
{
    QTest::addColumn<SaveSource>("source");
    QTest::addColumn<QStringList>("names"); // mailbox file names, or Opera Mail locations

    const QString a250(250, QLatin1Char('a'));
    QTest::newRow("mbox-name-250-bytes") << SaveSource::Mbox << QStringList{a250};
    QTest::newRow("mbox-name-251-bytes") << SaveSource::Mbox << QStringList{a250 + QLatin1Char('b')};
    QTest::newRow("mbox-name-255-bytes") << SaveSource::Mbox << QStringList{a250 + QStringLiteral("bcdef")};
    // 127 two-byte letters and one more byte: 255 bytes, a cut in the middle of a letter.
    QTest::newRow("mbox-two-byte-letters-at-cut")
        << SaveSource::Mbox << QStringList{QString(127, QChar(0xe9)) + QLatin1Char('a')};
    QTest::newRow("mbox-four-byte-letters-at-cut")
        << SaveSource::Mbox << QStringList{QString::fromUtf8("\xf0\x9f\x93\xab").repeated(63) + QStringLiteral("abc")};
    QTest::newRow("mbox-names-alike-in-first-250-bytes")
        << SaveSource::Mbox << QStringList{a250 + QStringLiteral("11111"), a250 + QStringLiteral("22222"), a250};
    QTest::newRow("opera-location-251-bytes") << SaveSource::Opera << QStringList{QString(251, QLatin1Char('L'))};
    QTest::newRow("opera-location-400-bytes") << SaveSource::Opera << QStringList{QString(400, QLatin1Char('L'))};
    QTest::newRow("opera-locations-alike-in-first-300-bytes")
        << SaveSource::Opera << QStringList{QString(300, QLatin1Char('L')) + QLatin1Char('1'), QString(300, QLatin1Char('L')) + QLatin1Char('2')};
}

void TestSaveEndToEnd::longNamesFitTheFileSystem()
{
    QFETCH(SaveSource, source);
    QFETCH(QStringList, names);
    if (source == SaveSource::Opera) {
        addOperaMessages(names);
    } else {
        for (int i = 0; i < names.size(); ++i)
            addMbox(QStringLiteral("/Eudora Folder/Mail Folder/") + names.at(i), "n" + QByteArray::number(i + 1), 502 + i);
    }

    for (const SaveTarget target : {SaveTarget::AppleMail, SaveTarget::Outlook}) {
        QMailSaving saving;
        QCOMPARE(save(source, target, &saving).last(), QStringLiteral("finish"));
        QCOMPARE(saving.lastOutcome().written, qint64(names.size()));
        QCOMPARE(saving.lastOutcome().notWritten, qint64(0));
    }
    QVERIFY2(badOutputEntries(out()).isEmpty(), qPrintable(badOutputEntries(out()).join(QLatin1Char('\n'))));

    // In each tree, each mailbox in a file of its own, named after it as far as it fits.
    const QStringList files = messagesPerFile(out());
    QCOMPARE(files.size(), 2 * names.size());
    QStringList ids;
    for (const QString &file : files) {
        const int colon = file.lastIndexOf(QLatin1String(": "));
        const QString id = file.mid(colon + 2);
        QVERIFY2(colon > 0 && !id.contains(QLatin1Char(' ')), qPrintable(file));
        ids << file.section(QLatin1Char('/'), 0, 0) + QLatin1Char(' ') + id;
        const int n = id.mid(2).section(QLatin1Char('@'), 0, 0).toInt();
        const QString fileName = file.left(colon).section(QLatin1Char('/'), -1);
        QVERIFY2(fileName.endsWith(QLatin1String(".mbox")), qPrintable(fileName));
        const QByteArray kept = QFile::encodeName(fileName.chopped(5)).left(200);
        QVERIFY2(names.value(n - 1).toUtf8().startsWith(kept), qPrintable(fileName));
    }
    ids.sort();
    QStringList expected;
    for (const QString &tree : {QStringLiteral("Main Identity.mbox"), QStringLiteral("Main Identity.rge")}) {
        for (int i = 0; i < names.size(); ++i)
            expected << tree + QStringLiteral(" <n%1@test>").arg(i + 1);
    }
    QCOMPARE(ids, expected);
}

void TestSaveEndToEnd::sameNamedMailboxesKeptApart_data()
{
    mboxProfileBothTargets_data();
}

void TestSaveEndToEnd::sameNamedMailboxesKeptApart()
{
    QFETCH(SaveTarget, target);
    QFETCH(QString, tree);
    // A Eudora-like tree: no "Mail" level, "In" both at the top and in a subfolder.
    addMbox(QStringLiteral("/Eudora Folder/Mail Folder/In"), "top", 502);
    addMbox(QStringLiteral("/Eudora Folder/Mail Folder/Work.fol/In"), "work", 503);
    addMbox(QStringLiteral("/Eudora Folder/Mail Folder/Out"), "out", 504);

    QMailSaving saving;
    QCOMPARE(save(SaveSource::Mbox, target, &saving).last(), QStringLiteral("finish"));
    QCOMPARE(saving.lastOutcome().written, qint64(3));
    QCOMPARE(messagesPerFile(out(tree + QStringLiteral("/Mail"))),
             (QStringList{QStringLiteral("Eudora Folder/Mail Folder/Work.fol/In/In.mbox: <work@test>"),
                          QStringLiteral("In/In.mbox: <top@test>"), QStringLiteral("Out/Out.mbox: <out@test>")}));
}

void TestSaveEndToEnd::messageFileOf2GiBCountedUnreadable()
{
    addFile(QStringLiteral("/In.mailbox/Messages/1.eml"), message("small"), 502);
    addFile(QStringLiteral("/In.mailbox/Messages/2.eml"), QByteArray(), 502);
    // A sparse file: its size costs no disk space and is never read.
    QFile huge(src(QStringLiteral("/In.mailbox/Messages/2.eml")));
    QVERIFY(huge.open(QIODevice::ReadWrite));
    if (huge.write(message("huge")) < 0 || !huge.resize((qint64(2) << 30) + 1))
        QSKIP("the file system refuses a sparse file over 2 GiB");
    huge.close();

    QMailSaving saving;
    QCOMPARE(save(SaveSource::MailMate, SaveTarget::AppleMail, &saving).last(), QStringLiteral("finish"));
    QVERIFY(QFile::remove(huge.fileName()));
    QCOMPARE(saving.lastOutcome().written, qint64(1));
    QCOMPARE(saving.lastOutcome().unreadable, qint64(1));
    QCOMPARE(QString::fromLatin1(readAll(out(QStringLiteral("/Main Identity.mbox/Mail/In/In.mbox")))),
             QString::fromLatin1(record(kAppleSep, quoted(message("small")))));
}

void TestSaveEndToEnd::failedSourceLeavesTheNextAlone()
{
    // Two mailboxes of one name; the first is too big for the file-size
    // limit, so the second lands where the first would have.
    const QByteArray big = "From a@b Mon Jan  1 00:00:00 2024\n" + message("big") + QByteArray(4000, 'x') + '\n';
    addFile(QStringLiteral("/Eudora Folder/Mail Folder/In"), big, 502);
    addMbox(QStringLiteral("/Eudora Folder/Mail Folder/Work.fol/In"), "small", 503);
    QMailSaving saving;
    QCOMPARE(save(SaveSource::Mbox, SaveTarget::AppleMail, &saving, 2000).last(), QStringLiteral("finish"));
    QCOMPARE(saving.lastOutcome().written, qint64(1));
    QCOMPARE(messagesPerFile(out(QStringLiteral("/Main Identity.mbox/Mail"))),
             QStringList{QStringLiteral("In/In.mbox: <small@test>")});
}

void TestSaveEndToEnd::mboxToBundleWritingNothingLeavesNoBundle_data()
{
    QTest::addColumn<QString>("why");
    QTest::newRow("source-not-registered") << "unregistered";
    QTest::newRow("source-no-longer-an-mbox-file") << "changed";
    QTest::newRow("write-fails") << "limit";
}

void TestSaveEndToEnd::mboxToBundleWritingNothingLeavesNoBundle()
{
    QFETCH(QString, why);
    const QByteArray mbox = "From a@b Mon Jan  1 00:00:00 2024\n" + message("m");
    addFile(QStringLiteral("/Mail/Local Folders/Inbox"), why == QLatin1String("changed") ? message("m") : mbox, 502,
            why != QLatin1String("unregistered"));
    QMailSaving saving;
    QCOMPARE(save(SaveSource::Mbox, SaveTarget::Outlook, &saving, why == QLatin1String("limit") ? 10 : 0).last(),
             QStringLiteral("finish"));
    QCOMPARE(saving.lastOutcome().written, qint64(0));
    QCOMPARE(QDir(out()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

QTEST_MAIN(TestSaveEndToEnd)
#include "tst_saveendtoend.moc"
