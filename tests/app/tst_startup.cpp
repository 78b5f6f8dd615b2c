// Start-up: the bundle's Resources directory, the disk-image refusal, the
// end-user agreement step, the agreement dialog itself, and the whole
// start-up of the program keeping file names byte-exact.

#include "app/appglobals.h"
#include "app/converterresources.h"
#include "app/licenseagreement.h"
#include "app/mainwindow.h"
#include "app/startup.h"
#include "browser/folderrecords.h"
#include "convert/importwindow.h"
#include "convert/mailsaving.h"
#include "platform/filenamecodec.h"
#include "scan/messagesavingthread.h"
#include "source/parsedatabase.h"
#include "support/globalsreset.h"
#include "support/scriptedprompter.h"
#include "support/testfiles.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextCodec>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <memory>

Q_DECLARE_METATYPE(std::optional<int>)

namespace QTest {
template<>
char *toString(const std::optional<int> &exitCode)
{
    return exitCode ? QTest::toString(*exitCode) : qstrdup("(start-up goes on)");
}
} // namespace QTest

namespace {

const char kDiskImageDir[] = "/Volumes/CMC/CorvaneMailConverter.app/Contents/MacOS";

// What the person at the agreement dialog does.
enum class AgreementAnswer { ClickAgree, ClickDisagree, PressEscape };

// Does what the person would do, once the dialog's event loop runs.
void answerDialog(QLicenseAgreement &dialog, AgreementAnswer answer)
{
    switch (answer) {
    case AgreementAnswer::ClickAgree:
        QTest::mouseClick(dialog.AgreeButton, Qt::LeftButton);
        break;
    case AgreementAnswer::ClickDisagree:
        QTest::mouseClick(dialog.DisagreeButton, Qt::LeftButton);
        break;
    case AgreementAnswer::PressEscape:
        // The key goes to the focus widget ("I Agree") and travels up to the dialog.
        QTest::keyClick(dialog.AgreeButton, Qt::Key_Escape);
        break;
    }
}

// Runs the real exec() of the dialog and answers it from inside its loop; a
// dialog that the answer does not close ends with the code 42 after a while.
int execAndAnswer(QLicenseAgreement &dialog, AgreementAnswer answer)
{
    QTimer::singleShot(0, &dialog, [&dialog, answer] { answerDialog(dialog, answer); });
    QTimer::singleShot(5000, &dialog, [&dialog] { dialog.done(42); });
    return startup::execAgreementDialog(dialog);
}

QSettings *newAgreementSettings()
{
    return new QSettings(QStringLiteral("corvane"), QStringLiteral("CMCPreferences"));
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Makes the directories of the raw path and writes bytes there, without
// turning the path into text on the way.
bool writeRawPath(const QByteArray &path, const QByteArray &bytes)
{
    for (int slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1)) {
        if (::mkdir(path.left(slash).constData(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, bytes.constData(), size_t(bytes.size())) == ssize_t(bytes.size());
    return ::close(fd) == 0 && written;
}

// Everything the real start-up made and the globals it set, released.
void releaseStartedProgram()
{
    if (pConverterWin) {
        delete pConverterWin->licenseAct;
        delete pConverterWin;
    }
    delete pMessageSavingThread;
    delete pMailSaving;
    resetAllGlobalsForTest();
}

} // namespace

Q_DECLARE_METATYPE(AgreementAnswer)

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void diskImagePredicate_data();
    void diskImagePredicate();
    void resourcesDirectory();
    void diskImageLaunchIsRefused_data();
    void diskImageLaunchIsRefused();
    void agreementStep_data();
    void agreementStep();
    void agreementAlreadyGiven();
    void dialogOutcome_data();
    void dialogOutcome();
    void dialogForm();
    void agreementText_data();
    void agreementText();
    void missingAgreementFileKeepsBuiltInDocument();
    void realStartUpKeepsNamesThatAreNotUtf8();

private:
    std::unique_ptr<QTemporaryDir> m_settingsDir;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestStartup::initTestCase()
{
    initConverterResources();
    // Outside the test runner the settings must not land in the real home directory.
    if (qEnvironmentVariableIsEmpty("CONVERTER_SOURCE_DIR")) {
        m_settingsDir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_settingsDir->isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir->path());
    }
}

void TestStartup::init()
{
    resetAllGlobalsForTest();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    std::unique_ptr<QSettings> settings(newAgreementSettings());
    settings->clear();
    settings->sync();
}

void TestStartup::cleanup()
{
    m_dir.reset();
    resetAllGlobalsForTest();
}

void TestStartup::diskImagePredicate_data()
{
    QTest::addColumn<QString>("applicationDir");
    QTest::addColumn<bool>("refused");

    const QString exact = QLatin1String(kDiskImageDir);
    QTest::newRow("exact-disk-image-path") << exact << true;
    QTest::newRow("other-volume-name")
        << QStringLiteral("/Volumes/CMC 2/CorvaneMailConverter.app/Contents/MacOS") << false;
    QTest::newRow("volume-name-prefix") << QStringLiteral("/Volumes/CM/CorvaneMailConverter.app/Contents/MacOS")
                                        << false;
    QTest::newRow("trailing-slash") << exact + QLatin1Char('/') << false;
    QTest::newRow("lower-case-volumes") << QStringLiteral("/volumes/CMC/CorvaneMailConverter.app/Contents/MacOS")
                                        << false;
    QTest::newRow("lower-case-volume-name")
        << QStringLiteral("/Volumes/cmc/CorvaneMailConverter.app/Contents/MacOS") << false;
    QTest::newRow("applications-folder")
        << QStringLiteral("/Applications/CorvaneMailConverter.app/Contents/MacOS") << false;
    QTest::newRow("bundle-contents-only") << QStringLiteral("/Volumes/CMC/CorvaneMailConverter.app/Contents")
                                          << false;
    QTest::newRow("deeper-directory") << exact + QStringLiteral("/bin") << false;
    QTest::newRow("non-latin1-tail") << exact + QChar(0x0100) << false;
    QTest::newRow("empty-path") << QString() << false;
}

void TestStartup::diskImagePredicate()
{
    QFETCH(QString, applicationDir);
    QFETCH(bool, refused);
    QCOMPARE(startup::isDiskImageLaunch(applicationDir), refused);
}

void TestStartup::resourcesDirectory()
{
    const QString contents = m_dir->filePath(QStringLiteral("Corvane Mail Converter.app/Contents"));
    const QString macos = contents + QStringLiteral("/MacOS");
    QVERIFY(QDir().mkpath(macos));

    // Without a Resources directory the path stays that of the parent.
    QCOMPARE(startup::resourcesDirectoryFor(macos), contents);

    QVERIFY(QDir().mkpath(contents + QStringLiteral("/Resources")));
    QCOMPARE(startup::resourcesDirectoryFor(macos), contents + QStringLiteral("/Resources"));

    // The paths are published for the help page, the agreement and the link list.
    ScriptedPrompter prompter;
    std::unique_ptr<QSettings> settings(newAgreementSettings());
    settings->setValue(QStringLiteral("LicenseAgreement"), QStringLiteral("Agree"));
    int dialogRuns = 0;
    const std::optional<int> exitCode =
        startup::prepareStart(macos, *settings, [&dialogRuns](QLicenseAgreement &) {
            ++dialogRuns;
            return int(QDialog::Rejected);
        });
    QCOMPARE(exitCode, std::optional<int>());
    QCOMPARE(dialogRuns, 0);
    QCOMPARE(HelpFilePath, contents + QStringLiteral("/Resources"));
    QCOMPARE(strPlistPathLink, contents + QStringLiteral("/Resources"));
    QCOMPARE(strPlistPath, contents + QStringLiteral("/Resources/MailConverterLink.plist"));
    QVERIFY(prompter.boxes.isEmpty());
}

void TestStartup::diskImageLaunchIsRefused_data()
{
    QTest::addColumn<bool>("agreedBefore");

    QTest::newRow("agreement-never-given") << false;
    QTest::newRow("agreement-given-before") << true;
}

void TestStartup::diskImageLaunchIsRefused()
{
    QFETCH(bool, agreedBefore);

    std::unique_ptr<QSettings> settings(newAgreementSettings());
    if (agreedBefore)
        settings->setValue(QStringLiteral("LicenseAgreement"), QStringLiteral("Agree"));
    settings->sync();

    ScriptedPrompter prompter;
    int dialogRuns = 0;
    const std::optional<int> exitCode =
        startup::prepareStart(QLatin1String(kDiskImageDir), *settings,
                              [&dialogRuns](QLicenseAgreement &) {
                                  ++dialogRuns;
                                  return int(QDialog::Accepted);
                              });

    QCOMPARE(exitCode, std::optional<int>(0));
    QCOMPARE(dialogRuns, 0);
    QCOMPARE(prompter.boxes.size(), 1);
    const MessageBoxRequest box = prompter.boxes.first();
    QVERIFY(!box.parent);
    QCOMPARE(box.icon, QMessageBox::Information);
    QCOMPARE(box.title, QStringLiteral("Corvane Tindrel"));
    QCOMPARE(box.text, QStringLiteral("Kindly copy the CorvaneMailConverter \nexecutable in the "
                                      "Applications folder and run from there."));
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.defaultButton, QMessageBox::NoButton);

    std::unique_ptr<QSettings> reread(newAgreementSettings());
    QCOMPARE(reread->value(QStringLiteral("LicenseAgreement")).toString(),
             agreedBefore ? QStringLiteral("Agree") : QString());
}

void TestStartup::agreementStep_data()
{
    QTest::addColumn<AgreementAnswer>("answer");
    QTest::addColumn<std::optional<int>>("exitCode");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("dialogRunsAtSecondStart");

    QTest::newRow("agree-goes-on-and-is-remembered")
        << AgreementAnswer::ClickAgree << std::optional<int>() << QStringLiteral("Agree") << 0;
    QTest::newRow("disagree-ends-with-zero")
        << AgreementAnswer::ClickDisagree << std::optional<int>(0) << QString() << 1;
    QTest::newRow("escape-ends-with-zero")
        << AgreementAnswer::PressEscape << std::optional<int>(0) << QString() << 1;
}

void TestStartup::agreementStep()
{
    QFETCH(AgreementAnswer, answer);
    QFETCH(std::optional<int>, exitCode);
    QFETCH(QString, stored);
    QFETCH(int, dialogRunsAtSecondStart);

    int dialogRuns = 0;
    const startup::AgreementDialogRunner runner = [&dialogRuns, answer](QLicenseAgreement &dialog) {
        ++dialogRuns;
        return execAndAnswer(dialog, answer);
    };

    {
        std::unique_ptr<QSettings> settings(newAgreementSettings());
        QCOMPARE(startup::runAgreementStep(*settings, runner), exitCode);
        QCOMPARE(dialogRuns, 1);
    }

    // The stored value as the next start reads it from the settings store.
    std::unique_ptr<QSettings> nextStart(newAgreementSettings());
    QCOMPARE(nextStart->value(QStringLiteral("LicenseAgreement")).toString(), stored);
    QCOMPARE(nextStart->allKeys().size(), stored.isEmpty() ? 0 : 1);

    dialogRuns = 0;
    QCOMPARE(startup::runAgreementStep(*nextStart, runner), exitCode);
    QCOMPARE(dialogRuns, dialogRunsAtSecondStart);
}

void TestStartup::agreementAlreadyGiven()
{
    std::unique_ptr<QSettings> settings(newAgreementSettings());
    int dialogRuns = 0;
    const startup::AgreementDialogRunner runner = [&dialogRuns](QLicenseAgreement &dialog) {
        ++dialogRuns;
        return execAndAnswer(dialog, AgreementAnswer::ClickDisagree);
    };

    // Any other value, even one differing only in case, is no agreement.
    settings->setValue(QStringLiteral("LicenseAgreement"), QStringLiteral("agree"));
    QCOMPARE(startup::runAgreementStep(*settings, runner), std::optional<int>(0));
    QCOMPARE(dialogRuns, 1);

    settings->setValue(QStringLiteral("LicenseAgreement"), QStringLiteral("Agree"));
    QCOMPARE(startup::runAgreementStep(*settings, runner), std::optional<int>());
    QCOMPARE(dialogRuns, 1);
}

void TestStartup::dialogOutcome_data()
{
    QTest::addColumn<AgreementAnswer>("answer");
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("agreeChecked");
    QTest::addColumn<bool>("disagreeChecked");

    QTest::newRow("i-agree-accepts-checked") << AgreementAnswer::ClickAgree << int(QDialog::Accepted)
                                             << true << false;
    QTest::newRow("disagree-also-accepts") << AgreementAnswer::ClickDisagree << int(QDialog::Accepted)
                                           << false << true;
    QTest::newRow("escape-rejects") << AgreementAnswer::PressEscape << int(QDialog::Rejected) << false
                                    << false;
}

void TestStartup::dialogOutcome()
{
    QFETCH(AgreementAnswer, answer);
    QFETCH(int, result);
    QFETCH(bool, agreeChecked);
    QFETCH(bool, disagreeChecked);

    QLicenseAgreement dialog(nullptr);
    QCOMPARE(execAndAnswer(dialog, answer), result);
    QVERIFY(dialog.isHidden());
    QCOMPARE(dialog.AgreeButton->isChecked(), agreeChecked);
    QCOMPARE(dialog.DisagreeButton->isChecked(), disagreeChecked);
}

void TestStartup::dialogForm()
{
    QLicenseAgreement dialog(nullptr);

    // The toolkit adds the title hint to a system menu by itself; the form's own hints are gone.
    const Qt::WindowFlags flags = dialog.windowFlags();
    QCOMPARE(flags & Qt::WindowType_Mask, Qt::WindowFlags(Qt::Dialog));
    QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("License Agreement"));
    QCOMPARE(dialog.windowModality(), Qt::WindowModal);
    QCOMPARE(dialog.minimumSize(), QSize(621, 400));
    QCOMPARE(dialog.maximumSize(), QSize(621, 400));
    QVERIFY(dialog.autoFillBackground());

    QCOMPARE(dialog.DisagreeButton->text(), QStringLiteral("Disagree"));
    QCOMPARE(dialog.AgreeButton->text(), QStringLiteral("I Agree"));
    QVERIFY(dialog.DisagreeButton->isCheckable());
    QVERIFY(dialog.AgreeButton->isCheckable());
    QCOMPARE(dialog.DisagreeButton->geometry(), QRect(423, 367, 93, 26));
    QCOMPARE(dialog.AgreeButton->geometry(), QRect(519, 367, 93, 26));
    QCOMPARE(dialog.label->geometry(), QRect(10, 10, 131, 141));
    QCOMPARE(dialog.AgreementTextEdit->geometry(), QRect(145, 18, 469, 334));

    // "I Agree" is the only widget that takes keyboard focus.
    for (QWidget *child : dialog.findChildren<QWidget *>()) {
        if (child == dialog.AgreeButton)
            QCOMPARE(child->focusPolicy(), Qt::StrongFocus);
        else if (child->parentWidget() == &dialog)
            QVERIFY2(child->focusPolicy() == Qt::NoFocus, qPrintable(child->objectName()));
    }

    QTextEdit *text = dialog.AgreementTextEdit;
    QVERIFY(text->isReadOnly());
    QCOMPARE(text->textInteractionFlags(), Qt::NoTextInteraction);
    QCOMPARE(text->frameShape(), QFrame::WinPanel);
    QCOMPARE(text->lineWrapMode(), QTextEdit::WidgetWidth);
    QCOMPARE(text->font().family(), QStringLiteral("Lucida Grande"));

    const QColor dialogGrey(230, 230, 230);
    const QColor textGrey(238, 238, 238);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        for (QPalette::ColorRole role : {QPalette::Base, QPalette::Window}) {
            QCOMPARE(dialog.palette().color(group, role), dialogGrey);
            QCOMPARE(text->palette().color(group, role), textGrey);
        }
    }

    QVERIFY2(!dialog.label->pixmap(Qt::ReturnByValue).isNull(),
             "the agreement image comes from the resources");
    QVERIFY(dialog.label->hasScaledContents());
}

void TestStartup::agreementText_data()
{
    QTest::addColumn<QByteArray>("fileBytes");
    QTest::addColumn<QString>("plainText");

    QTest::newRow("html-markup-is-rendered")
        << QByteArray("<html><body><p>Terms of <b>use</b></p><p>Second clause</p></body></html>")
        << QStringLiteral("Terms of use\nSecond clause");
    QTest::newRow("plain-text-shown-verbatim")
        << QByteArray("Plain terms: 1 < 2 & 3\n  indented line\n")
        << QStringLiteral("Plain terms: 1 < 2 & 3\n  indented line\n");
    QTest::newRow("crlf-line-ends-read-as-lf")
        << QByteArray("First line\r\nSecond line\r\n")
        << QStringLiteral("First line\nSecond line\n");
    QTest::newRow("utf8-text-in-locale-codec")
        << QByteArray("Licen\xc3\xa7" "a \xe2\x80\x94 Vertr\xc3\xa4g")
        << QString::fromUtf8("Licen\xc3\xa7" "a \xe2\x80\x94 Vertr\xc3\xa4g");
    QTest::newRow("utf16-byte-order-mark")
        << QByteArray("\xff\xfe" "O\0k\0 \0\xe4\0", 10) << QString::fromUtf8("Ok \xc3\xa4");
}

void TestStartup::agreementText()
{
    QFETCH(QByteArray, fileBytes);
    QFETCH(QString, plainText);

    HelpFilePath = m_dir->path();
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("Eula.txt")), fileBytes));

    QLicenseAgreement dialog(nullptr);
    const QString shown = dialog.AgreementTextEdit->toPlainText();
    QCOMPARE(shown, plainText);
    QVERIFY2(!shown.contains(QLatin1String("<b>")), "markup is rendered, not shown");
    QVERIFY(!shown.contains(QLatin1String("END-USER LICENSE AGREEMENT")));
}

void TestStartup::missingAgreementFileKeepsBuiltInDocument()
{
    HelpFilePath = m_dir->path();
    QLicenseAgreement dialog(nullptr);
    const QString shown = dialog.AgreementTextEdit->toPlainText();
    QVERIFY(shown.startsWith(QLatin1String("END-USER LICENSE AGREEMENT")));
    QVERIFY(shown.contains(QLatin1String("I Agree")));
    QVERIFY(!shown.contains(QLatin1Char('<')));

    // The title line is bold; the paragraphs below it are not.
    QTextDocument *document = dialog.AgreementTextEdit->document();
    QTextCursor title(document);
    title.movePosition(QTextCursor::NextCharacter);
    QVERIFY(title.charFormat().fontWeight() > QFont::Normal);
    QTextCursor body(document->lastBlock());
    body.movePosition(QTextCursor::NextCharacter);
    QCOMPARE(body.charFormat().fontWeight(), int(QFont::Normal));

    // A directory named Eula.txt cannot be read as the agreement either.
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("Eula.txt")));
    QLicenseAgreement second(nullptr);
    QCOMPARE(second.AgreementTextEdit->toPlainText(), shown);
}

void TestStartup::realStartUpKeepsNamesThatAreNotUtf8()
{
    // A MailMate store in which one folder is named with the Latin-1 byte E9,
    // as an old system wrote it.
    const QByteArray root = QFile::encodeName(m_dir->filePath(QStringLiteral("store")));
    QVERIFY(writeRawPath(root + "/Mailboxes/Inbox.mailbox/Messages/1.eml",
                         "From: Anna <a@example.org>\nSubject: plain-name\n\nOne.\n"));
    QVERIFY(writeRawPath(root + "/Mailboxes/Caf\xe9.mailbox/Messages/2.eml",
                         "From: Bob <b@example.org>\nSubject: latin-1-name\n\nTwo.\n"));
    const QString out = m_dir->filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(out));

    std::unique_ptr<QSettings> settings(newAgreementSettings());
    settings->setValue(QStringLiteral("LicenseAgreement"), QStringLiteral("Agree"));
    settings->sync();
    ScriptedPrompter prompter;
    prompter.chosenPaths.enqueue(out);

    // The user's part, played once the program's event loop runs: pick the
    // store, scan it, tick everything and save it for Apple Mail.
    // What the program showed meanwhile.
    bool codecKept = false, scanEnded = false, saveEnded = false;
    QString scanEnd, saveEnd;
    QStringList folders;
    QTimer::singleShot(0, qApp, [&] {
        codecKept = QTextCodec::codecForLocale() == platform::fileNameCodec();
        QParseDatabase *source = m_pParseDatabase;
        source->comboBoxForClientList->setCurrentIndex(8);
        m_selectedFile = QFile::decodeName(root);
        source->textEdit_FileSelected->setText(m_selectedFile);
        source->StartButton->click();
        scanEnded = QTest::qWaitFor([] { return pMessageSavingThread->isFinished(); }, 30000);
        QCoreApplication::processEvents();
        scanEnd = prompter.texts().value(0);
        QTreeWidgetItem *top = pConverterWin->m_pFolderTree->topLevelItem(0);
        for (QTreeWidgetItemIterator it(top); *it; ++it)
            folders.append((*it)->text(0));

        top->setCheckState(0, Qt::Checked);
        emit pConverterWin->m_pFolderTree->itemClicked(top, 0);
        pConverterWin->OnSavingFilesforApple();
        saveEnded = QTest::qWaitFor([] { return pMailSaving->isFinished(); }, 30000);
        QCoreApplication::processEvents();
        saveEnd = pConverterWin->m_pImportWindow->InfoLabels->text();
        qApp->quit();
    });

    QCOMPARE(startup::runConverter(*qApp), 0);

    QVERIFY2(codecKept, "start-up replaced the file-name codec");
    QVERIFY(scanEnded);
    QVERIFY(saveEnded);
    QCOMPARE(QTextCodec::codecForLocale(), platform::fileNameCodec());
    QCOMPARE(QFile::encodeName(QFile::decodeName(root + "/Caf\xe9")), root + "/Caf\xe9");
    QCOMPARE(scanEnd, QStringLiteral("\nMailbox scan completed successfully."));
    QVERIFY2(folders.contains(QStringLiteral("Caf") + QChar(ushort(0xDCE9))), qPrintable(folders.join(u'|')));
    const QString tree = out + QStringLiteral("/Main Identity.mbox");
    QCOMPARE(saveEnd, QStringLiteral("\nFile saved successfully at location ") + tree
                              + QStringLiteral("\n2 message(s) were saved."));
    QByteArray saved;
    for (const QString &file : testfiles::filesBelow(tree))
        saved += testfiles::readAll(tree + QLatin1Char('/') + file);
    QCOMPARE(saved.count("Subject: plain-name\n"), 1);
    QCOMPARE(saved.count("Subject: latin-1-name\n"), 1);

    releaseStartedProgram();
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
