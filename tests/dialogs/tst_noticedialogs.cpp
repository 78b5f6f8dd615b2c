// The repair-complete notice, the information sheet and the log-report
// window: their forms, links, buttons and the saving of the log.

#include "app/appglobals.h"
#include "app/converterresources.h"
#include "dialogs/aboutdlg.h"
#include "dialogs/informationdlg.h"
#include "dialogs/linklabel.h"
#include "dialogs/logreport.h"
#include "dialogs/repaircomplete.h"
#include "platform/urlopener.h"
#include "support/globalsreset.h"
#include "support/scriptedprompter.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QXmlStreamWriter>
#include <QtTest>

namespace {

class RecordingOpener : public platform::UrlOpener
{
public:
    RecordingOpener() { platform::setUrlOpener(this); }
    ~RecordingOpener() override { platform::setUrlOpener(nullptr); }
    bool openUrl(const QUrl &url) override
    {
        opened.append(url);
        return true;
    }
    QList<QUrl> opened;
};

bool writeLinkPlist(const QString &path, const QMap<QString, QString> &entries)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QXmlStreamWriter xml(&file);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("plist"));
    xml.writeStartElement(QStringLiteral("dict"));
    for (auto it = entries.constBegin(); it != entries.constEnd(); ++it) {
        xml.writeTextElement(QStringLiteral("key"), it.key());
        xml.writeTextElement(QStringLiteral("string"), it.value());
    }
    xml.writeEndDocument();
    return !xml.hasError();
}

QString plainText(const QString &richText)
{
    QTextDocument document;
    document.setHtml(richText);
    return document.toPlainText();
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QImage iconImage(const QPushButton *button)
{
    return button->icon().pixmap(QSize(48, 48)).toImage();
}

} // namespace

class TestNoticeDialogs : public QObject
{
    Q_OBJECT

private:
    QScopedPointer<QTemporaryDir> m_dir;

private slots:
    void initTestCase() { initConverterResources(); }

    void init()
    {
        resetAllGlobalsForTest();
        m_dir.reset(new QTemporaryDir);
        QVERIFY(m_dir->isValid());
        HelpFilePath = m_dir->path();
        strPlistPath = m_dir->filePath(QStringLiteral("MailConverterLink.plist"));
    }

    void cleanup()
    {
        strDefaultBrowser.clear();
        resetAllGlobalsForTest();
    }

    // ------------------------------------------------------ Repair complete

    void repairCompleteIsBuiltHiddenWithItsForm()
    {
        QWidget parent;
        RepairComplete dialog(&parent);

        QCOMPARE(dialog.parentWidget(), &parent);
        QVERIFY(dialog.isHidden());
        QCOMPARE(dialog.objectName(), QStringLiteral("RepairComplete"));
        QCOMPARE(dialog.windowType(), Qt::Dialog);
        QCOMPARE(dialog.windowModality(), Qt::ApplicationModal);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Corvane Mail Converter"));
        QCOMPARE(dialog.minimumSize(), QSize(340, 117));
        QCOMPARE(dialog.maximumSize(), QSize(340, 117));
        QCOMPARE(dialog.palette().color(QPalette::Active, QPalette::Window), QColor(225, 225, 225));
        QCOMPARE(dialog.palette().color(QPalette::Inactive, QPalette::AlternateBase), QColor(240, 240, 240));
        QCOMPARE(dialog.palette().color(QPalette::Disabled, QPalette::Text), QColor(112, 112, 112));
        QCOMPARE(dialog.palette().color(QPalette::Disabled, QPalette::Base), QColor(225, 225, 225));

        QCOMPARE(dialog.label_2->geometry(), QRect(10, 10, 72, 72));
        QVERIFY(!dialog.label_2->pixmap(Qt::ReturnByValue).isNull());
        QVERIFY(dialog.label_2->hasScaledContents());
        QCOMPARE(dialog.OkButton->geometry(), QRect(179, 77, 62, 33));
        QCOMPARE(dialog.OkButton->text(), QStringLiteral("OK"));
        QCOMPARE(dialog.OkButton->font().pointSize(), 11);
        QCOMPARE(dialog.OkButton->font().weight(), int(QFont::Bold));
        QCOMPARE(dialog.OkButton->focusPolicy(), Qt::StrongFocus);
        QVERIFY(dialog.OkButton->isCheckable());
        QCOMPARE(dialog.label->geometry(), QRect(100, 21, 221, 51));
        QCOMPARE(dialog.label->alignment(), Qt::AlignCenter);
        QVERIFY(dialog.label->wordWrap());
        QCOMPARE(dialog.label->text(), QString());
        QCOMPARE(dialog.ImportLabel->geometry(), QRect(10, 94, 142, 16));
    }

    void repairCompleteImportLink_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("shown");
        QTest::newRow("text-and-link") << QStringLiteral("How to import") << QStringLiteral("/HowTo.html") << true;
        QTest::newRow("text-without-link") << QStringLiteral("How to import") << QString() << true;
        QTest::newRow("link-without-text") << QString() << QStringLiteral("/HowTo.html") << false;
        QTest::newRow("no-list-entries") << QString() << QString() << false;
    }

    void repairCompleteImportLink()
    {
        QFETCH(QString, text);
        QFETCH(QString, link);
        QFETCH(bool, shown);
        QMap<QString, QString> entries;
        if (!text.isEmpty())
            entries.insert(QStringLiteral("HowToImport"), text);
        if (!link.isEmpty())
            entries.insert(QStringLiteral("HowToImportLink"), link);
        QVERIFY(writeLinkPlist(strPlistPath, entries));

        RepairComplete dialog;

        QCOMPARE(dialog.ImportLabel->text(), QStringLiteral("<a href=\"file://") + HelpFilePath + link
                                                  + QStringLiteral("\">") + text + QStringLiteral("</a>"));
        QCOMPARE(dialog.ImportLabel->isVisibleTo(&dialog), shown);
        if (shown) {
            QCOMPARE(dialog.ImportLabel->font().family(), QStringLiteral("Lucida Grande"));
            QCOMPARE(dialog.ImportLabel->font().pointSize(), 12);
        }
    }

    void importLinkOpensTheBundlePage_data()
    {
        QTest::addColumn<QString>("resources");
        QTest::addColumn<QString>("linkValue");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("fragment");
        QTest::newRow("plain-path") << QStringLiteral("Resources") << QStringLiteral("/HowTo.html")
                                    << QStringLiteral("/HowTo.html") << QString();
        QTest::newRow("fragment-kept") << QStringLiteral("Resources") << QStringLiteral("/HowTo.html#apple-mail")
                                       << QStringLiteral("/HowTo.html") << QStringLiteral("apple-mail");
        QTest::newRow("blank-in-path") << QStringLiteral("My Apps/Resources") << QStringLiteral("/HowTo.html#outlook")
                                       << QStringLiteral("/HowTo.html") << QStringLiteral("outlook");
        QTest::newRow("hash-and-percent-in-path") << QStringLiteral("C# 100%/Resources") << QStringLiteral("/HowTo.html")
                                                  << QStringLiteral("/HowTo.html") << QString();
        QTest::newRow("letters-outside-ascii") << QString::fromUtf8("Résumé/Resources") << QStringLiteral("/Aide.html")
                                               << QStringLiteral("/Aide.html") << QString();
    }

    void importLinkOpensTheBundlePage()
    {
        QFETCH(QString, resources);
        QFETCH(QString, linkValue);
        QFETCH(QString, page);
        QFETCH(QString, fragment);
        HelpFilePath = m_dir->filePath(resources);
        QVERIFY(writeLinkPlist(strPlistPath, {{QStringLiteral("HowToImport"), QStringLiteral("How to import")},
                                              {QStringLiteral("HowToImportLink"), linkValue}}));
        RecordingOpener opener;
        RepairComplete dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        QTest::mouseClick(dialog.ImportLabel, Qt::LeftButton, Qt::NoModifier,
                          QPoint(10, dialog.ImportLabel->height() / 2));

        QCOMPARE(opener.opened.size(), 1);
        const QUrl url = opener.opened.constFirst();
        QVERIFY(url.isValid());
        QCOMPARE(url.toLocalFile(), HelpFilePath + page);
        QCOMPARE(url.fragment(), fragment);
    }

    void okHidesAndStaysChecked()
    {
        RepairComplete dialog;
        dialog.show();
        QTest::mouseClick(dialog.OkButton, Qt::LeftButton);
        QVERIFY(dialog.isHidden());
        dialog.show();
        QVERIFY(dialog.OkButton->isChecked());
        QTest::mouseClick(dialog.OkButton, Qt::LeftButton);
        QVERIFY(dialog.isHidden());
        QVERIFY(!dialog.OkButton->isChecked());
    }

    void browserForImportUsesTheDefaultApplication()
    {
        RecordingOpener opener;
        RepairComplete dialog;
        dialog.BrowserForImport(QStringLiteral("https://example.com/it's"));
        QCOMPARE(opener.opened, QList<QUrl>{QUrl(QStringLiteral("https://example.com/it's"))});
    }

    void browserForImportStartsTheNamedBrowserWithoutAShell()
    {
        // touch stands in for a browser: the file it makes shows the exact
        // argument it was given.
        strDefaultBrowser = QStandardPaths::findExecutable(QStringLiteral("touch"));
        QVERIFY(!strDefaultBrowser.isEmpty());
        RecordingOpener opener;
        RepairComplete dialog;
        const QString target = m_dir->filePath(QStringLiteral("it's a page; $(x).html"));

        dialog.BrowserForImport(target);

        QTRY_VERIFY(QFile::exists(target));
        QVERIFY(opener.opened.isEmpty());
    }

    // ---------------------------------------------------------- Information

    void informationIsBuiltHiddenWithItsForm()
    {
        QWidget parent;
        InformationDlg dialog(&parent);

        QCOMPARE(dialog.parentWidget(), &parent);
        QVERIFY(dialog.isHidden());
        QCOMPARE(dialog.objectName(), QStringLiteral("InformationDialog"));
        QCOMPARE(dialog.windowType(), Qt::Sheet);
        QCOMPARE(dialog.windowModality(), Qt::WindowModal);
        QVERIFY(dialog.isModal());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Corvane Mail Converter"));
        QCOMPARE(dialog.minimumSize(), QSize(359, 322));
        QCOMPARE(dialog.maximumSize(), QSize(359, 322));
        QCOMPARE(dialog.groupBox->geometry(), QRect(0, 0, 359, 330));
        QCOMPARE(dialog.groupBox->title(), QString());
        QCOMPARE(dialog.frame->geometry(), QRect(11, 86, 337, 161));
        QCOMPARE(dialog.frame->frameShape(), QFrame::StyledPanel);
        QCOMPARE(dialog.Information_Closebutton->geometry(), QRect(150, 290, 65, 28));
        QCOMPARE(dialog.Information_Closebutton->text(), QStringLiteral("Close"));
        QCOMPARE(dialog.label_14->geometry(), QRect(8, 5, 62, 62));
        QVERIFY(!dialog.label_14->pixmap(Qt::ReturnByValue).isNull());
        QVERIFY(dialog.label_14->hasScaledContents());
        QCOMPARE(dialog.label_3->font().pointSize(), 11);
        QCOMPARE(plainText(dialog.label->text()),
                 QStringLiteral("Your Converter Database File has been successfully recovered. "
                                "Corvane Mail Converter was able to recover the following items:"));
        QCOMPARE(plainText(dialog.label_2->text()),
                 QStringLiteral("You can preview the recovered items before saving. To save the file, "
                                "choose the save button."));
        QCOMPARE(plainText(dialog.label_3->text()), QStringLiteral("Recovery Details:"));
        QVERIFY(dialog.label_3->text().contains(QLatin1String("font-size:12pt; font-weight:600;")));
    }

    void informationRows_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("colon");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("y");
        QTest::addColumn<QString>("text");
        QTest::newRow("mails") << QStringLiteral("label_4") << QStringLiteral("label_9") << QStringLiteral("mail_label") << 8 << QStringLiteral("Mails");
        QTest::newRow("contacts") << QStringLiteral("label_7") << QStringLiteral("label_10") << QStringLiteral("Contact_label") << 40 << QStringLiteral("Contacts");
        QTest::newRow("calendars") << QStringLiteral("label_5") << QStringLiteral("label_11") << QStringLiteral("Calendar_label") << 72 << QStringLiteral("Calendars");
        QTest::newRow("notes") << QStringLiteral("label_6") << QStringLiteral("label_12") << QStringLiteral("Note_label") << 104 << QStringLiteral("Notes");
        QTest::newRow("tasks") << QStringLiteral("label_8") << QStringLiteral("label_13") << QStringLiteral("Task_label") << 136 << QStringLiteral("Tasks");
    }

    void informationRows()
    {
        QFETCH(QString, kind);
        QFETCH(QString, colon);
        QFETCH(QString, value);
        QFETCH(int, y);
        QFETCH(QString, text);
        InformationDlg dialog;
        auto *kindLabel = dialog.frame->findChild<QLabel *>(kind);
        auto *colonLabel = dialog.frame->findChild<QLabel *>(colon);
        auto *valueLabel = dialog.frame->findChild<QLabel *>(value);
        QVERIFY(kindLabel && colonLabel && valueLabel);
        QCOMPARE(kindLabel->geometry(), QRect(20, y, 135, 18));
        QCOMPARE(kindLabel->text(), text);
        QCOMPARE(kindLabel->alignment(), Qt::AlignCenter);
        // The colons share their row's bottom edge; the second starts higher.
        QCOMPARE(colonLabel->geometry().bottom(), y + 17);
        QCOMPARE(colonLabel->x(), 170);
        QCOMPARE(colonLabel->text(), QStringLiteral(":"));
        QCOMPARE(valueLabel->geometry(), QRect(190, y, 111, 18));
        QCOMPARE(valueLabel->text(), QString());
        QCOMPARE(valueLabel->font().pointSize(), 11);
    }

    void informationCloseWithoutMainWindowOnlyHides()
    {
        InformationDlg dialog;
        dialog.show();
        QTest::mouseClick(dialog.Information_Closebutton, Qt::LeftButton);
        QVERIFY(dialog.isHidden());
    }

    // ----------------------------------------------------------- Log report

    void logReportIsBuiltHiddenWithItsForm()
    {
        QWidget parent;
        QLogReport dialog(&parent);

        QCOMPARE(dialog.parentWidget(), &parent);
        QVERIFY(dialog.isHidden());
        QCOMPARE(dialog.objectName(), QStringLiteral("LogReportDialog"));
        // Dialog, system menu and minimise button (the platform may add a title hint).
        QCOMPARE(dialog.windowType(), Qt::Dialog);
        QCOMPARE(int(dialog.windowFlags() & 0x6003), 0x6003);
        QVERIFY(!(dialog.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(dialog.windowModality(), Qt::WindowModal);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Log Report"));
        QCOMPARE(dialog.minimumSize(), QSize(346, 387));
        QCOMPARE(dialog.maximumSize(), QSize(346, 387));
        QCOMPARE(dialog.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);

        QCOMPARE(dialog.LogText->geometry(), QRect(7, 8, 331, 311));
        QVERIFY(dialog.LogText->isReadOnly());
        QCOMPARE(dialog.LogText->textInteractionFlags(), Qt::NoTextInteraction);
        QCOMPARE(dialog.LogText->toPlainText(), QString());
        QVERIFY(!dialog.SaveLog->isEnabled());
        QVERIFY(!dialog.ClearLog->isEnabled());
        QVERIFY(dialog.CloseButton->isEnabled());
    }

    void logReportButtons_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("x");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<QString>("normalImage");
        QTest::addColumn<QString>("pressedImage");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("captionText");
        QTest::newRow("clear") << QStringLiteral("ClearLog") << 88 << QStringLiteral("Clear log")
                               << QStringLiteral(":/images/img_ClearLog.png") << QStringLiteral(":/images/img_ClearLog_Click.png")
                               << QStringLiteral("label_3") << QStringLiteral("Clear");
        QTest::newRow("save") << QStringLiteral("SaveLog") << 148 << QStringLiteral("Save log")
                              << QStringLiteral(":/images/img_Save.png") << QStringLiteral(":/images/img_Save_Click.png")
                              << QStringLiteral("label") << QStringLiteral("Save");
        QTest::newRow("close") << QStringLiteral("CloseButton") << 208 << QStringLiteral("Close")
                               << QStringLiteral(":/images/img_Stop.png") << QStringLiteral(":/images/img_Stop_Click.png")
                               << QStringLiteral("label_2") << QStringLiteral("Close");
    }

    void logReportButtons()
    {
        QFETCH(QString, name);
        QFETCH(int, x);
        QFETCH(QString, toolTip);
        QFETCH(QString, normalImage);
        QFETCH(QString, pressedImage);
        QFETCH(QString, caption);
        QFETCH(QString, captionText);
        QLogReport dialog;
        auto *button = dialog.findChild<QPushButton *>(name);
        auto *label = dialog.findChild<QLabel *>(caption);
        QVERIFY(button && label);
        QCOMPARE(button->geometry(), QRect(x, 324, 48, 48));
        QCOMPARE(button->text(), QString());
        QCOMPARE(button->toolTip(), toolTip);
        QVERIFY(button->isFlat());
        QCOMPARE(button->iconSize(), QSize(50, 50));
        QCOMPARE(button->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(plainText(label->text()), captionText);
        QVERIFY(label->x() >= x - 12 && label->geometry().right() <= x + 48 + 12);

        const QImage normal = QPixmap(normalImage).toImage();
        const QImage pressed = QPixmap(pressedImage).toImage();
        QVERIFY(!normal.isNull() && !pressed.isNull());
        QCOMPARE(iconImage(button), QIcon(QPixmap(normalImage)).pixmap(QSize(48, 48)).toImage());
        // Enabled by hand: nothing in the dialog enables Save or Clear.
        button->setEnabled(true);
        dialog.show();
        QTest::mousePress(button, Qt::LeftButton);
        QCOMPARE(iconImage(button), QIcon(QPixmap(pressedImage)).pixmap(QSize(48, 48)).toImage());
        QSignalBlocker blockClicks(button); // releasing would clear, save or close
        QMetaObject::invokeMethod(&dialog, name == QLatin1String("SaveLog") ? "ChangePixmapofSaveOnRelease"
                                           : name == QLatin1String("ClearLog") ? "ChangePixmapofClearOnRelease"
                                                                               : "ChangePixmapofStopOnRelease");
        QCOMPARE(iconImage(button), QIcon(QPixmap(normalImage)).pixmap(QSize(48, 48)).toImage());
    }

    void clearEmptiesTheLogAndDisablesSaveAndClear()
    {
        QLogReport dialog;
        dialog.LogText->setPlainText(QStringLiteral("one\ntwo"));
        dialog.SaveLog->setEnabled(true);
        dialog.ClearLog->setEnabled(true);
        dialog.show();

        QTest::mouseClick(dialog.ClearLog, Qt::LeftButton);

        QCOMPARE(dialog.LogText->toPlainText(), QString());
        QVERIFY(!dialog.SaveLog->isEnabled());
        QVERIFY(!dialog.ClearLog->isEnabled());
        QVERIFY(dialog.isVisible());
    }

    void saveWritesTheLogThenRecordsTheSave_data()
    {
        QTest::addColumn<QString>("log");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("existing");
        QTest::newRow("two-lines-no-final-line-feed") << QStringLiteral("first\nsecond") << QStringLiteral("log.txt") << QByteArray();
        QTest::newRow("letters-outside-ascii-as-utf8") << QString::fromUtf8("Grüße é") << QString::fromUtf8("Journal é.txt") << QByteArray();
        QTest::newRow("markup-in-path-stays-text") << QStringLiteral("x") << QStringLiteral("<img src=x>.txt") << QByteArray();
        QTest::newRow("empty-log-empty-file") << QString() << QStringLiteral("empty.txt") << QByteArray();
        QTest::newRow("existing-file-replaced") << QStringLiteral("new") << QStringLiteral("old.txt")
                                                << QByteArray("old content that is longer\n");
    }

    void saveWritesTheLogThenRecordsTheSave()
    {
        QFETCH(QString, log);
        QFETCH(QString, fileName);
        QFETCH(QByteArray, existing);
        const QString path = m_dir->filePath(fileName);
        if (!existing.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(existing);
        }
        ScriptedPrompter prompter;
        prompter.chosenPaths.enqueue(path);
        QLogReport dialog;
        dialog.LogText->setPlainText(log);
        dialog.SaveLog->setEnabled(true);
        dialog.show();

        QTest::mouseClick(dialog.SaveLog, Qt::LeftButton);

        QCOMPARE(prompter.choosers.size(), 1);
        QCOMPARE(prompter.choosers.at(0).parent, &dialog);
        QCOMPARE(prompter.choosers.at(0).caption, QStringLiteral("Log Report to File"));
        QCOMPARE(prompter.choosers.at(0).directory, QStringLiteral("Corvane Mail Converter Log Report.txt"));
        QVERIFY(prompter.boxes.isEmpty());
        QCOMPARE(fileBytes(path), log.toUtf8());

        QStringList expected = log.isEmpty() ? QStringList() : log.split(QLatin1Char('\n'));
        expected << QStringLiteral("Log Report Saving Path :") << path << QStringLiteral(" Log Report Saving time :");
        const QStringList paragraphs = dialog.LogText->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(paragraphs.size(), expected.size() + 2);
        QCOMPARE(paragraphs.mid(0, expected.size()), expected);
        const QRegularExpression stamp(QStringLiteral("^[A-Z][a-z]{2} [A-Z][a-z]{2} \\d{1,2} \\d{4},\\d{2}:\\d{2}:\\d{2}$"));
        QVERIFY2(stamp.match(paragraphs.at(expected.size())).hasMatch(), qPrintable(paragraphs.at(expected.size())));
        QCOMPARE(paragraphs.last(), QString(63, QLatin1Char('*')));
        QVERIFY(dialog.SaveLog->isEnabled());
    }

    void secondSaveHoldsTheFirstRecord()
    {
        const QString first = m_dir->filePath(QStringLiteral("first.txt"));
        const QString second = m_dir->filePath(QStringLiteral("second.txt"));
        ScriptedPrompter prompter;
        prompter.chosenPaths << first << second;
        QLogReport dialog;
        dialog.SaveLog->setEnabled(true);
        dialog.show();

        QTest::mouseClick(dialog.SaveLog, Qt::LeftButton);
        QTest::mouseClick(dialog.SaveLog, Qt::LeftButton);

        QCOMPARE(fileBytes(first), QByteArray());
        const QList<QByteArray> lines = fileBytes(second).split('\n');
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines.at(0), QByteArray("Log Report Saving Path :"));
        QCOMPARE(lines.at(1), first.toUtf8());
        QCOMPARE(lines.at(2), QByteArray(" Log Report Saving time :"));
        QCOMPARE(lines.at(4), QByteArray(63, '*'));
    }

    void failedSaveWarnsAndRecordsNothing()
    {
        const QString path = m_dir->filePath(QStringLiteral("no such folder/log.txt"));
        ScriptedPrompter prompter;
        prompter.chosenPaths.enqueue(path);
        QLogReport dialog;
        dialog.LogText->setPlainText(QStringLiteral("kept"));
        dialog.SaveLog->setEnabled(true);
        dialog.show();

        QTest::mouseClick(dialog.SaveLog, Qt::LeftButton);

        QCOMPARE(prompter.boxes.size(), 1);
        QCOMPARE(prompter.boxes.at(0).icon, QMessageBox::Warning);
        QCOMPARE(prompter.boxes.at(0).parent, &dialog);
        QVERIFY(prompter.boxes.at(0).text.contains(path));
        QCOMPARE(dialog.LogText->toPlainText(), QStringLiteral("kept"));
        QVERIFY(!QFile::exists(path));
    }

    void cancelledSaveTouchesNothing()
    {
        ScriptedPrompter prompter;
        QLogReport dialog;
        dialog.LogText->setPlainText(QStringLiteral("kept"));
        dialog.SaveLog->setEnabled(true);
        dialog.show();

        QTest::mouseClick(dialog.SaveLog, Qt::LeftButton);

        QCOMPARE(prompter.choosers.size(), 1);
        QVERIFY(prompter.boxes.isEmpty());
        QCOMPARE(dialog.LogText->toPlainText(), QStringLiteral("kept"));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList());
    }

    void closeAndEscapeHide_data()
    {
        QTest::addColumn<bool>("byEscape");
        QTest::newRow("close-button") << false;
        QTest::newRow("escape") << true;
    }

    void closeAndEscapeHide()
    {
        QFETCH(bool, byEscape);
        QLogReport dialog;
        dialog.LogText->setPlainText(QStringLiteral("kept"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        if (byEscape)
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            QTest::mouseClick(dialog.CloseButton, Qt::LeftButton);
        QVERIFY(dialog.isHidden());
        dialog.show();
        QCOMPARE(dialog.LogText->toPlainText(), QStringLiteral("kept"));
    }
};

QTEST_MAIN(TestNoticeDialogs)
#include "tst_noticedialogs.moc"
