// The save-completed dialog: its form, the import-help links read from the
// link property list, and OK.

#include "app/appglobals.h"
#include "app/converterresources.h"
#include "convert/importwindow.h"
#include "dialogs/linklabel.h"
#include "platform/urlopener.h"
#include "support/globalsreset.h"
#include "support/testfiles.h"

#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

namespace {

using Entries = QMap<QString, QString>;

// Records the URLs the program asks the desktop to open.
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

bool writeLinkPlist(const QString &path, const Entries &entries)
{
    return testfiles::writeStringPlist(path, entries);
}

QString plainText(const QString &richText)
{
    QTextDocument document;
    document.setHtml(richText);
    return document.toPlainText();
}

} // namespace

class TestImportWindow : public QObject
{
    Q_OBJECT

private:
    QScopedPointer<QTemporaryDir> m_dir;

    QString resourcesPath() const { return m_dir->filePath(QStringLiteral("Res ources")); }

private slots:
    void initTestCase() { initConverterResources(); }

    void init()
    {
        resetAllGlobalsForTest();
        m_dir.reset(new QTemporaryDir);
        QVERIFY(m_dir->isValid());
        QVERIFY(QDir().mkpath(resourcesPath()));
        HelpFilePath = resourcesPath();
        strPlistPath = resourcesPath() + QStringLiteral("/MailConverterLink.plist");
    }

    void cleanup() { resetAllGlobalsForTest(); }

    void formIsBuiltHiddenAndModal()
    {
        QWidget parent;
        QImportWindow window(&parent);

        QCOMPARE(window.parentWidget(), &parent);
        QVERIFY(window.isHidden());
        QVERIFY(window.isModal());
        QCOMPARE(window.objectName(), QStringLiteral("ImportMsgDlg"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Corvane Mail Converter"));
        QCOMPARE(window.minimumSize(), QSize(467, 200));
        QCOMPARE(window.maximumSize(), QSize(467, 200));

        QCOMPARE(window.OKButton->geometry(), QRect(390, 160, 70, 32));
        QCOMPARE(window.OKButton->text(), QStringLiteral("OK"));
        QCOMPARE(window.ImportLabel->geometry(), QRect(108, 110, 150, 17));
        QCOMPARE(window.ImportLabel_2->geometry(), QRect(275, 110, 150, 17));
        QCOMPARE(window.InfoLabels->geometry(), QRect(108, 10, 344, 62));
        QCOMPARE(window.InfoLabels->font().pointSize(), 12);
        QCOMPARE(window.InfoLabels->alignment() & (Qt::AlignHorizontal_Mask | Qt::AlignVertical_Mask),
                 Qt::AlignLeft | Qt::AlignTop);
        QVERIFY(window.InfoLabels->wordWrap());
        QCOMPARE(window.InfoLabels->indent(), 0);
        QVERIFY(window.InfoLabels->text().contains(QLatin1String("font-family:'Lucida Grande'; font-size:12pt;")));
        QVERIFY(window.InfoLabels->text().contains(QLatin1String("align=\"justify\"")));
        QCOMPARE(plainText(window.InfoLabels->text()), QString());
        QCOMPARE(window.label->geometry(), QRect(10, 7, 81, 81));
        QVERIFY(window.label->hasScaledContents());
        QVERIFY(!window.label->pixmap(Qt::ReturnByValue).isNull());
        QCOMPARE(window.label_3->geometry(), QRect(108, 85, 293, 20));
        QCOMPARE(window.label_3->font().pointSize(), 14);
        QVERIFY(window.label_3->wordWrap());
        QCOMPARE(plainText(window.label_3->text()),
                 QStringLiteral("Click to view steps of importing mailbox to :"));
    }

    void linkLabelsFollowThePropertyList_data()
    {
        QTest::addColumn<bool>("writeList");
        QTest::addColumn<Entries>("entries");
        QTest::addColumn<QString>("appleHtml");
        QTest::addColumn<bool>("appleShown");
        QTest::addColumn<QString>("outlookHtml");
        QTest::addColumn<bool>("outlookShown");

        const Entries both{{QStringLiteral("Apple Mail"), QStringLiteral("Apple Mail")},
                           {QStringLiteral("HowToImportLink"), QStringLiteral("/help/apple.html")},
                           {QStringLiteral("Outlook 2011"), QStringLiteral("Outlook 2011")},
                           {QStringLiteral("HowToImportLink1"), QStringLiteral("/help/outlook.html")}};
        const QString appleHtml = QStringLiteral("<a href=\"file://@RES@/help/apple.html\">Apple Mail</a>");
        const QString outlookHtml = QStringLiteral("<a href=\"file://@RES@/help/outlook.html\">Outlook 2011</a>");

        QTest::newRow("both-texts-present") << true << both << appleHtml << true << outlookHtml << true;

        Entries noApple = both;
        noApple.remove(QStringLiteral("Apple Mail"));
        QTest::newRow("apple-mail-text-missing-hides-only-its-label")
            << true << noApple << QStringLiteral("<a href=\"file://@RES@/help/apple.html\"></a>") << false
            << outlookHtml << true;

        Entries emptyOutlook = both;
        emptyOutlook[QStringLiteral("Outlook 2011")] = QString();
        QTest::newRow("outlook-text-empty-hides-only-its-label")
            << true << emptyOutlook << appleHtml << true
            << QStringLiteral("<a href=\"file://@RES@/help/outlook.html\"></a>") << false;

        Entries noTarget = both;
        noTarget.remove(QStringLiteral("HowToImportLink"));
        QTest::newRow("missing-target-leaves-the-resources-path")
            << true << noTarget << QStringLiteral("<a href=\"file://@RES@\">Apple Mail</a>") << true
            << outlookHtml << true;

        Entries markup = both;
        markup[QStringLiteral("Apple Mail")] = QStringLiteral("Mail & <b>more</b>");
        QTest::newRow("markup-in-a-value-is-escaped")
            << true << markup
            << QStringLiteral("<a href=\"file://@RES@/help/apple.html\">Mail &amp; &lt;b&gt;more&lt;/b&gt;</a>")
            << true << outlookHtml << true;

        QTest::newRow("no-property-list-hides-both")
            << false << Entries() << QStringLiteral("<a href=\"file://@RES@\"></a>") << false
            << QStringLiteral("<a href=\"file://@RES@\"></a>") << false;
    }

    void linkLabelsFollowThePropertyList()
    {
        QFETCH(bool, writeList);
        QFETCH(Entries, entries);
        QFETCH(QString, appleHtml);
        QFETCH(bool, appleShown);
        QFETCH(QString, outlookHtml);
        QFETCH(bool, outlookShown);
        if (writeList)
            QVERIFY(writeLinkPlist(strPlistPath, entries));
        // The target is a file URL: the blank of the resources path is encoded.
        const QString encodedResources = QUrl::fromLocalFile(HelpFilePath).toString(QUrl::FullyEncoded).mid(7);
        appleHtml.replace(QLatin1String("@RES@"), encodedResources);
        outlookHtml.replace(QLatin1String("@RES@"), encodedResources);

        QImportWindow window;

        QCOMPARE(window.ImportLabel->text(), appleHtml);
        QCOMPARE(window.ImportLabel_2->text(), outlookHtml);
        QCOMPARE(window.ImportLabel->isVisibleTo(&window), appleShown);
        QCOMPARE(window.ImportLabel_2->isVisibleTo(&window), outlookShown);
        for (QLabel *label : {window.ImportLabel, window.ImportLabel_2}) {
            if (label->isVisibleTo(&window)) {
                QCOMPARE(label->font().family(), QStringLiteral("Lucida Grande"));
                QCOMPARE(label->font().pointSize(), 12);
            }
        }
    }

    void importHelpLinkRule_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("linkValue");
        QTest::addColumn<QString>("html");
        QTest::addColumn<bool>("visible");
        QTest::newRow("text-and-target") << QStringLiteral("Apple Mail") << QStringLiteral("/a.html")
                                         << QStringLiteral("<a href=\"file:///R/a.html\">Apple Mail</a>") << true;
        QTest::newRow("quote-in-target-not-escaped")
            << QStringLiteral("x") << QStringLiteral("/a\".html")
            << QStringLiteral("<a href=\"file:///R/a\".html\">x</a>") << true;
        QTest::newRow("empty-text-hidden") << QString() << QStringLiteral("/a.html")
                                           << QStringLiteral("<a href=\"file:///R/a.html\"></a>") << false;
        QTest::newRow("blank-text-still-shown") << QStringLiteral(" ") << QString()
                                                << QStringLiteral("<a href=\"file:///R\"> </a>") << true;
    }

    void importHelpLinkRule()
    {
        QFETCH(QString, text);
        QFETCH(QString, linkValue);
        QFETCH(QString, html);
        QFETCH(bool, visible);
        const linklabel::LinkLabelContent content =
            linklabel::importHelpLink(QStringLiteral("/R"), text, linkValue);
        QCOMPARE(content.html, html);
        QCOMPARE(content.visible, visible);
    }

    void escapedImportHelpLink_data()
    {
        QTest::addColumn<QString>("resources");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("linkValue");
        QTest::addColumn<QString>("html");
        QTest::newRow("plain") << QStringLiteral("/R") << QStringLiteral("Apple Mail") << QStringLiteral("/a.html")
                               << QStringLiteral("<a href=\"file:///R/a.html\">Apple Mail</a>");
        QTest::newRow("quote-in-target-stays-inside-the-attribute")
            << QStringLiteral("/R") << QStringLiteral("x") << QStringLiteral("/a\".html")
            << QStringLiteral("<a href=\"file:///R/a%22.html\">x</a>");
        QTest::newRow("blank-and-letter-beyond-ascii-encoded")
            << QStringLiteral("/My Apps/R\u00e9s") << QStringLiteral("x") << QStringLiteral("/a.html")
            << QStringLiteral("<a href=\"file:///My%20Apps/R%C3%A9s/a.html\">x</a>");
        QTest::newRow("markup-in-text-escaped") << QStringLiteral("/R") << QStringLiteral("<i>A</i> & B")
                                                << QStringLiteral("/a.html")
                                                << QStringLiteral("<a href=\"file:///R/a.html\">&lt;i&gt;A&lt;/i&gt; &amp; B</a>");
        QTest::newRow("fragment-of-the-link-value-stays-a-fragment")
            << QStringLiteral("/R") << QStringLiteral("Outlook 2011")
            << QStringLiteral("/help/Corvane_Mail_Converter.htm#import-outlook-2011")
            << QStringLiteral("<a href=\"file:///R/help/Corvane_Mail_Converter.htm#import-outlook-2011\">Outlook 2011</a>");
        QTest::newRow("hash-in-resources-path-stays-in-the-path")
            << QStringLiteral("/R#1") << QStringLiteral("x") << QStringLiteral("/a.html")
            << QStringLiteral("<a href=\"file:///R%231/a.html\">x</a>");
    }

    void escapedImportHelpLink()
    {
        QFETCH(QString, resources);
        QFETCH(QString, text);
        QFETCH(QString, linkValue);
        QFETCH(QString, html);
        QCOMPARE(importHelpLink(resources, text, linkValue).html, html);
    }

    void okHidesAndTheNextShowHasTheNewText()
    {
        QImportWindow window;
        window.InfoLabels->setText(QStringLiteral("\nFile saved successfully at location /out/Main Identity.mbox"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QTest::mouseClick(window.OKButton, Qt::LeftButton);
        QVERIFY(window.isHidden());

        window.InfoLabels->setText(QStringLiteral("\nFile saved successfully at location /other/Main Identity.rge"));
        window.show();
        QVERIFY(window.isVisible());
        QCOMPARE(window.InfoLabels->text(),
                 QStringLiteral("\nFile saved successfully at location /other/Main Identity.rge"));
    }

    void clickingALinkOpensTheBundleHelpPage_data()
    {
        QTest::addColumn<QString>("resourcesSuffix");
        QTest::addColumn<QString>("linkValue");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("fragment");
        QTest::newRow("blank-in-page-name") << QString() << QStringLiteral("/help/import apple.html")
                                            << QStringLiteral("/help/import apple.html") << QString();
        QTest::newRow("fragment-kept-as-fragment")
            << QString() << QStringLiteral("/help/Corvane_Mail_Converter.htm#import-outlook-2011")
            << QStringLiteral("/help/Corvane_Mail_Converter.htm") << QStringLiteral("import-outlook-2011");
        QTest::newRow("hash-in-resources-path-stays-in-the-path")
            << QStringLiteral("/v#2") << QStringLiteral("/help/Corvane_Mail_Converter.htm#import-apple-mail")
            << QStringLiteral("/help/Corvane_Mail_Converter.htm") << QStringLiteral("import-apple-mail");
    }

    void clickingALinkOpensTheBundleHelpPage()
    {
        QFETCH(QString, resourcesSuffix);
        QFETCH(QString, linkValue);
        QFETCH(QString, page);
        QFETCH(QString, fragment);
        HelpFilePath += resourcesSuffix;
        QVERIFY(writeLinkPlist(strPlistPath,
                               {{QStringLiteral("Apple Mail"), QStringLiteral("Apple Mail Import Steps")},
                                {QStringLiteral("HowToImportLink"), linkValue},
                                {QStringLiteral("Outlook 2011"), QStringLiteral("Outlook 2011 Import Steps")},
                                {QStringLiteral("HowToImportLink1"), linkValue}}));
        RecordingOpener opener;
        QImportWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        const QPoint onText(8, window.ImportLabel->height() / 2);
        QTest::mouseClick(window.ImportLabel, Qt::LeftButton, Qt::NoModifier, onText);
        QTest::mouseClick(window.ImportLabel_2, Qt::LeftButton, Qt::NoModifier, onText);

        QCOMPARE(opener.opened.size(), 2);
        for (const QUrl &url : qAsConst(opener.opened)) {
            QCOMPARE(url.scheme(), QStringLiteral("file"));
            QCOMPARE(url.toLocalFile(), HelpFilePath + page);
            QCOMPARE(url.fragment(), fragment);
        }
    }

    void plainInfoTextAfterAWarningShowsTheLogoAndLinks()
    {
        // A stopped save tells its own text; what the last finished save
        // showed does not stay behind.
        QVERIFY(writeLinkPlist(strPlistPath, {{QStringLiteral("Apple Mail"), QStringLiteral("Apple Mail")},
                                              {QStringLiteral("Outlook 2011"), QStringLiteral("Outlook 2011")}}));
        QImportWindow window;
        const QImage logo = window.label->pixmap(Qt::ReturnByValue).toImage();
        SaveOutcome nothing;
        nothing.notWritten = 2;
        window.setSaveOutcome(QStringLiteral("/o/Main Identity.mbox"), nothing);
        QVERIFY(window.label->pixmap(Qt::ReturnByValue).toImage() != logo);
        QVERIFY(!window.ImportLabel->isVisibleTo(&window));
        // The longer text has room of its own; a short one gives the form back its size.
        QVERIFY(window.height() > 200);

        window.setInfoText(QStringLiteral("\nProcess aborted. File saved Successfully at location /o"));
        QCOMPARE(window.label->pixmap(Qt::ReturnByValue).toImage(), logo);
        QVERIFY(window.label_3->isVisibleTo(&window));
        QVERIFY(window.ImportLabel->isVisibleTo(&window));
        QVERIFY(window.ImportLabel_2->isVisibleTo(&window));
        QCOMPARE(window.size(), QSize(467, 200));
        QCOMPARE(window.InfoLabels->geometry(), QRect(108, 10, 344, 62));
        QCOMPARE(window.OKButton->geometry(), QRect(390, 160, 70, 32));
    }

    void browserForImportOpensTheLink()
    {
        RecordingOpener opener;
        QImportWindow window;
        QVERIFY(QMetaObject::invokeMethod(&window, "BrowserForImport",
                                          Q_ARG(QString, QStringLiteral("https://example.com/import?x=1"))));
        QCOMPARE(opener.opened, QList<QUrl>{QUrl(QStringLiteral("https://example.com/import?x=1"))});
    }
};

QTEST_MAIN(TestImportWindow)
#include "tst_importwindow.moc"
