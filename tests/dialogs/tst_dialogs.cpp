// The auxiliary dialogs: the forms, the support link and system information
// of About, the update settings of Preferences, the import link of the
// repair-complete notice, the information sheet and the saving of the log
// report.

#include "app/appglobals.h"
#include "app/converterresources.h"
#include "dialogs/aboutdlg.h"
#include "dialogs/abouttexts.h"
#include "dialogs/informationdlg.h"
#include "dialogs/linklabel.h"
#include "dialogs/logreport.h"
#include "dialogs/preferencesdialog.h"
#include "dialogs/repaircomplete.h"
#include "dialogs/updatesettings.h"
#include "platform/urlopener.h"
#include "support/globalsreset.h"
#include "support/scriptedprompter.h"
#include "support/testfiles.h"

#include <QBitmap>
#include <QMouseEvent>
#include <QSettings>
#include <QStandardPaths>
#include <QSysInfo>
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

QString plainText(const QString &richText)
{
    QTextDocument document;
    document.setHtml(richText);
    return document.toPlainText();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QSettings *preferencesStore()
{
    return new QSettings(QStringLiteral("corvane"), QStringLiteral("ConverterPreferences"));
}

// Everything a user sees of the About dialog's labels.
QStringList aboutLook(AboutDlg &dialog)
{
    QStringList look;
    for (QLabel *label : dialog.findChildren<QLabel *>()) {
        look << QStringLiteral("%1|%2|%3|%4")
                    .arg(label->objectName(), label->text(), label->font().toString())
                    .arg(label->isVisibleTo(&dialog));
    }
    return look;
}

void sendMouse(QWidget *widget, QEvent::Type type, const QPoint &global, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, widget->mapFromGlobal(global), global, button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

class TestDialogs : public QObject
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
        QScopedPointer<QSettings> store(preferencesStore());
        store->clear();
        store->sync();
    }

    void cleanup()
    {
        strDefaultBrowser.clear();
        resetAllGlobalsForTest();
    }

    // ---------------------------------------------------------------- About

    void aboutIsBuiltHiddenWithItsForm()
    {
        QWidget parent;
        AboutDlg dialog(&parent);

        QCOMPARE(dialog.parentWidget(), &parent);
        QVERIFY(dialog.isHidden());
        QVERIFY(dialog.isModal());
        QCOMPARE(dialog.objectName(), QStringLiteral("AboutDialog"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Corvane Mail Converter"));
        QCOMPARE(dialog.minimumSize(), QSize(524, 295));
        QCOMPARE(dialog.maximumSize(), QSize(524, 295));
        QCOMPARE(dialog.palette().color(QPalette::Active, QPalette::Window), QColor(255, 255, 255));
        QCOMPARE(dialog.frame->geometry(), QRect(167, 1, 356, 293));
        QVERIFY(dialog.frame->autoFillBackground());
        QCOMPARE(dialog.frame->palette().color(QPalette::Active, QPalette::Window), QColor(241, 241, 241));
        QCOMPARE(dialog.frame->palette().color(QPalette::Disabled, QPalette::Base), QColor(241, 241, 241));
        QCOMPARE(dialog.frame_2->geometry(), QRect(1, 1, 167, 293));
        QCOMPARE(dialog.LabelPixmap->geometry(), QRect(1, 1, 166, 290));
        QCOMPARE(dialog.LabelPixmap->pixmap(Qt::ReturnByValue).size(), QSize(164, 293));
        QVERIFY(!dialog.LabelPixmap->hasScaledContents());

        QCOMPARE(dialog.LicenseButton->text(), QStringLiteral("View User License"));
        QCOMPARE(dialog.LicenseButton->pos(), QPoint(67, 260));
        QCOMPARE(dialog.LicenseButton->minimumSize(), QSize(142, 26));
        QCOMPARE(dialog.LicenseButton->maximumSize(), QSize(142, 26));
        QCOMPARE(dialog.LicenseButton->focusPolicy(), Qt::NoFocus);
        QCOMPARE(dialog.OKButton->text(), QStringLiteral("Close"));
        QCOMPARE(dialog.OKButton->pos(), QPoint(206, 260));
        QCOMPARE(dialog.OKButton->minimumSize(), QSize(67, 26));
        QCOMPARE(dialog.OKButton->maximumSize(), QSize(67, 26));
        QCOMPARE(dialog.OKButton->focusPolicy(), Qt::NoFocus);
        QCOMPARE(dialog.ChatLabel->geometry(), QRect(89, 212, 164, 17));
        QCOMPARE(plainText(dialog.ChatLabel->text()), QString());
        QCOMPARE(dialog.TicketLabel->cursor().shape(), Qt::PointingHandCursor);
    }

    void aboutLabels_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("pointSize");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<QString>("shown");

        const QString lg = QStringLiteral("Lucida Grande");
        QTest::newRow("title") << QStringLiteral("label_18") << QRect(16, 11, 311, 20) << lg << 17 << false
                               << QStringLiteral("Corvane Mail Converter 2.0");
        QTest::newRow("product-heading") << QStringLiteral("label_20") << QRect(24, 53, 141, 16) << lg << 12 << true
                                         << QStringLiteral("Product Information");
        QTest::newRow("product-name-caption") << QStringLiteral("label_7") << QRect(24, 72, 77, 16) << lg << 12 << false
                                              << QStringLiteral("Product Name : ");
        QTest::newRow("product-name") << QStringLiteral("label_21") << QRect(101, 72, 191, 16) << lg << 12 << false
                                      << QStringLiteral("Corvane Mail Converter");
        QTest::newRow("version-caption") << QStringLiteral("label_6") << QRect(24, 90, 86, 16) << lg << 12 << false
                                         << QStringLiteral("Product Version : ");
        QTest::newRow("product-version") << QStringLiteral("label_17") << QRect(110, 90, 169, 16) << lg << 12 << false
                                         << QStringLiteral("2.0.0.1");
        QTest::newRow("licensed-to-caption") << QStringLiteral("label_19") << QRect(24, 108, 104, 16) << lg << 12 << false
                                             << QStringLiteral("Product Licensed to : ");
        QTest::newRow("system-heading") << QStringLiteral("label_16") << QRect(24, 130, 128, 15) << lg << 12 << true
                                        << QStringLiteral("System Information");
        QTest::newRow("system-caption") << QStringLiteral("label_22") << QRect(24, 149, 95, 16) << lg << 12 << false
                                        << QStringLiteral("Operating System : ");
        QTest::newRow("system-version-caption") << QStringLiteral("label_15") << QRect(24, 167, 46, 16) << lg << 12 << false
                                                << QStringLiteral("Version : ");
        QTest::newRow("host-name-value") << QStringLiteral("UserLabel") << QRect(128, 108, 161, 16) << lg << 10 << false
                                         << QString();
        QTest::newRow("system-name-value") << QStringLiteral("OSLabel") << QRect(119, 150, 181, 16) << lg << 10 << false
                                           << QString();
        QTest::newRow("footer") << QStringLiteral("label_12") << QRect(31, 230, 280, 20) << lg << 12 << false << QString();
    }

    void aboutLabels()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QString, family);
        QFETCH(int, pointSize);
        QFETCH(bool, bold);
        QFETCH(QString, shown);
        AboutDlg dialog;
        auto *label = dialog.findChild<QLabel *>(name);
        QVERIFY(label);
        QCOMPARE(label->parentWidget(), dialog.frame);
        QCOMPARE(label->geometry(), geometry);
        QCOMPARE(label->font().family(), family);
        QCOMPARE(label->font().pointSize(), pointSize);
        QCOMPARE(label->font().bold(), bold);
        // Values filled at run time are checked elsewhere.
        if (!shown.isEmpty())
            QCOMPARE(plainText(label->text()), shown);
        else if (name == QLatin1String("label_12"))
            QVERIFY(!plainText(label->text()).isEmpty());
    }

    void aboutShowsThisComputer()
    {
        AboutDlg dialog;
        const QString host = QSysInfo::machineHostName();
        if (!host.isEmpty())
            QCOMPARE(dialog.UserLabel->text(), host);
        QCOMPARE(dialog.VersionLabel->text(), abouttexts::operatingSystemVersion(QSysInfo::productVersion()));
        QCOMPARE(dialog.VersionLabel->font().pointSize(), 12);
        const QString system = abouttexts::operatingSystemName(
            QSysInfo::productType(), QSysInfo::productVersion(), QSysInfo::prettyProductName());
        QCOMPARE(plainText(dialog.OSLabel->text()), system);
    }

    void operatingSystemName_data()
    {
        QTest::addColumn<QString>("productType");
        QTest::addColumn<QString>("productVersion");
        QTest::addColumn<QString>("prettyName");
        QTest::addColumn<QString>("expected");
        QTest::newRow("mac-version-10-0") << QStringLiteral("macos") << QStringLiteral("10.0") << QStringLiteral("macOS 10.0") << QStringLiteral("MAC OS X");
        QTest::newRow("mac-version-14") << QStringLiteral("macos") << QStringLiteral("14.2") << QStringLiteral("macOS Sonoma (14.2)") << QStringLiteral("MAC OS X");
        QTest::newRow("older-mac-type-name") << QStringLiteral("osx") << QStringLiteral("10.15") << QStringLiteral("macOS 10.15") << QStringLiteral("MAC OS X");
        QTest::newRow("mac-before-version-10") << QStringLiteral("macos") << QStringLiteral("9.2") << QStringLiteral("Mac OS 9.2") << QString();
        QTest::newRow("mac-version-unreadable") << QStringLiteral("macos") << QString() << QStringLiteral("macOS") << QString();
        QTest::newRow("linux-pretty-name") << QStringLiteral("debian") << QStringLiteral("12") << QStringLiteral("Debian GNU/Linux 12 (bookworm)")
                                           << QStringLiteral("Debian GNU/Linux 12 (bookworm)");
        QTest::newRow("nothing-known") << QStringLiteral("unknown") << QStringLiteral("unknown") << QString() << QString();
    }

    void operatingSystemName()
    {
        QFETCH(QString, productType);
        QFETCH(QString, productVersion);
        QFETCH(QString, prettyName);
        QFETCH(QString, expected);
        QCOMPARE(abouttexts::operatingSystemName(productType, productVersion, prettyName), expected);
    }

    void operatingSystemVersion_data()
    {
        QTest::addColumn<QString>("productVersion");
        QTest::addColumn<QString>("expected");
        QTest::newRow("known-version") << QStringLiteral("12") << QStringLiteral("12");
        QTest::newRow("dotted-version") << QStringLiteral("10.15.7") << QStringLiteral("10.15.7");
        QTest::newRow("unknown-version-is-empty") << QStringLiteral("unknown") << QString();
        QTest::newRow("empty-version") << QString() << QString();
    }

    void operatingSystemVersion()
    {
        QFETCH(QString, productVersion);
        QFETCH(QString, expected);
        QCOMPARE(abouttexts::operatingSystemVersion(productVersion), expected);
    }

    void supportLinkFollowsThePropertyList_data()
    {
        QTest::addColumn<bool>("writeList");
        QTest::addColumn<Entries>("entries");
        QTest::addColumn<QString>("html");
        QTest::addColumn<bool>("shown");

        QTest::newRow("text-and-link")
            << true
            << Entries{{QStringLiteral("SupText"), QStringLiteral("Support")},
                       {QStringLiteral("SupLink"), QStringLiteral("https://example.com/support")}}
            << QStringLiteral("<a href=\"https://example.com/support\">Support</a>") << true;
        QTest::newRow("link-missing")
            << true << Entries{{QStringLiteral("SupText"), QStringLiteral("Support")}}
            << QStringLiteral("<a href=\"\">Support</a>") << false;
        QTest::newRow("text-empty")
            << true
            << Entries{{QStringLiteral("SupText"), QString()},
                       {QStringLiteral("SupLink"), QStringLiteral("https://example.com/support")}}
            << QStringLiteral("<a href=\"https://example.com/support\"></a>") << false;
        QTest::newRow("no-property-list") << false << Entries() << QStringLiteral("<a href=\"\"></a>") << false;
        QTest::newRow("markup-inserted-as-it-stands")
            << true
            << Entries{{QStringLiteral("SupText"), QStringLiteral("Help & <i>Support</i>")},
                       {QStringLiteral("SupLink"), QStringLiteral("https://example.com/?a=1&b=\"2\"")}}
            << QStringLiteral("<a href=\"https://example.com/?a=1&b=\"2\"\">Help & <i>Support</i></a>") << true;
    }

    void supportLinkFollowsThePropertyList()
    {
        QFETCH(bool, writeList);
        QFETCH(Entries, entries);
        QFETCH(QString, html);
        QFETCH(bool, shown);
        if (writeList)
            QVERIFY(testfiles::writeStringPlist(strPlistPath, entries));

        AboutDlg dialog;

        QCOMPARE(dialog.TicketLabel->text(), html);
        QCOMPARE(dialog.TicketLabel->isVisibleTo(&dialog), shown);
        if (shown) {
            QCOMPARE(dialog.TicketLabel->font().family(), QStringLiteral("Lucida Grande"));
            QCOMPARE(dialog.TicketLabel->font().pointSize(), 12);
        } else {
            QCOMPARE(dialog.TicketLabel->font().pointSize(), 13);
        }
    }

    void unshownEntriesChangeNothing()
    {
        const Entries support{{QStringLiteral("SupText"), QStringLiteral("Support")},
                              {QStringLiteral("SupLink"), QStringLiteral("https://example.com/s")}};
        QVERIFY(testfiles::writeStringPlist(strPlistPath, support));
        AboutDlg plain;
        const QStringList expected = aboutLook(plain);

        Entries everything = support;
        for (const char *key : {"ReachUsName1", "ReachUsName2", "ReachUsName3", "ReachUsName4",
                                "ReachUsName5", "ReachUsName6", "SkypeID", "ReachUsNo1", "ReachUsNo2",
                                "ReachUsNo3", "ReachUsNo4", "ReachUsNo5", "ReachUsNo6", "SkypeLink",
                                "ContactSalesName", "ContactSalesLink", "WebsiteName", "WebsiteLink",
                                "KBName", "KBLink", "SubmitEnquiryName", "SubmitEnquiryLink"})
            everything.insert(QLatin1String(key), QStringLiteral("<b>%1</b>").arg(QLatin1String(key)));
        QVERIFY(testfiles::writeStringPlist(strPlistPath, everything));
        AboutDlg full;

        QCOMPARE(aboutLook(full), expected);
    }

    void submitEnquiryReplacesTheLinkText_data()
    {
        QTest::addColumn<bool>("withSupport");
        QTest::newRow("shown-support-link-stays-shown") << true;
        QTest::newRow("hidden-support-link-stays-hidden") << false;
    }

    void submitEnquiryReplacesTheLinkText()
    {
        QFETCH(bool, withSupport);
        Entries entries{{QStringLiteral("SubmitEnquiryName"), QStringLiteral("Send an enquiry")},
                        {QStringLiteral("SubmitEnquiryLink"), QStringLiteral("https://example.com/enquiry")}};
        if (withSupport) {
            entries.insert(QStringLiteral("SupText"), QStringLiteral("Support"));
            entries.insert(QStringLiteral("SupLink"), QStringLiteral("https://example.com/s"));
        }
        QVERIFY(testfiles::writeStringPlist(strPlistPath, entries));
        AboutDlg dialog;
        const QFont before = dialog.TicketLabel->font();

        dialog.GetSubmitEnquiry();

        QCOMPARE(dialog.TicketLabel->text(),
                 QStringLiteral("<a href=\"https://example.com/enquiry\">Send an enquiry</a>"));
        QCOMPARE(dialog.TicketLabel->isVisibleTo(&dialog), withSupport);
        QCOMPARE(dialog.TicketLabel->font(), before);
    }

    void supportLinkClickOpensTheLink()
    {
        QVERIFY(testfiles::writeStringPlist(strPlistPath,
                               {{QStringLiteral("SupText"), QStringLiteral("Support")},
                                {QStringLiteral("SupLink"), QStringLiteral("https://example.com/support")}}));
        RecordingOpener opener;
        AboutDlg dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        QTest::mouseClick(dialog.TicketLabel, Qt::LeftButton, Qt::NoModifier,
                          dialog.TicketLabel->rect().center());

        QCOMPARE(opener.opened, QList<QUrl>{QUrl(QStringLiteral("https://example.com/support"))});
    }

    void licenseOpensTheAgreementOfTheBundle_data()
    {
        QTest::addColumn<QString>("resources");
        QTest::newRow("plain-path") << QStringLiteral("Resources");
        QTest::newRow("blank-in-path") << QStringLiteral("My Apps/Resources");
        QTest::newRow("letters-outside-ascii") << QString::fromUtf8("Programme/Résumé/Resources");
        QTest::newRow("hash-question-percent-in-path") << QStringLiteral("C# 100%/What?/Resources");
    }

    void licenseOpensTheAgreementOfTheBundle()
    {
        QFETCH(QString, resources);
        HelpFilePath = m_dir->filePath(resources);
        RecordingOpener opener;
        AboutDlg dialog;
        dialog.show();

        QTest::mouseClick(dialog.LicenseButton, Qt::LeftButton);

        QCOMPARE(opener.opened.size(), 1);
        const QUrl url = opener.opened.constFirst();
        QVERIFY(url.isValid());
        QCOMPARE(url.scheme(), QStringLiteral("file"));
        QCOMPARE(url.toLocalFile(), HelpFilePath + QStringLiteral("/Eula.pdf"));
        QVERIFY(dialog.isVisible());
    }

    void browseForAboutOpensTheLink()
    {
        RecordingOpener opener;
        AboutDlg dialog;
        QVERIFY(QMetaObject::invokeMethod(&dialog, "BrowseForAbout",
                                          Q_ARG(QString, QStringLiteral("https://example.com/it's"))));
        QCOMPARE(opener.opened, QList<QUrl>{QUrl(QStringLiteral("https://example.com/it's"))});
    }

    void closeHidesAndShowingAgainKeepsTheTexts()
    {
        AboutDlg dialog;
        const QStringList look = aboutLook(dialog);
        dialog.setModal(true);
        dialog.show();
        QTest::mouseClick(dialog.OKButton, Qt::LeftButton);
        QVERIFY(dialog.isHidden());
        dialog.setModal(true);
        dialog.show();
        QVERIFY(dialog.isVisible());
        QCOMPARE(aboutLook(dialog), look);
    }

    // ---------------------------------------------------------- Preferences

    void preferencesIsBuiltHiddenWithItsForm()
    {
        QWidget parent;
        PreferencesDialog dialog(&parent);

        QCOMPARE(dialog.parentWidget(), &parent);
        QVERIFY(dialog.isHidden());
        QCOMPARE(dialog.objectName(), QStringLiteral("PreferencesDlg"));
        QCOMPARE(dialog.windowType(), Qt::Sheet);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Preferences[*]"));
        QCOMPARE(dialog.windowFilePath(), QStringLiteral("Preferences"));
        QCOMPARE(dialog.minimumSize(), QSize(462, 166));
        QCOMPARE(dialog.maximumSize(), QSize(462, 166));
        QCOMPARE(dialog.palette().color(QPalette::Active, QPalette::Window), QColor(229, 229, 229));
        QCOMPARE(dialog.palette().color(QPalette::Disabled, QPalette::Text), QColor(114, 114, 114));
        QCOMPARE(dialog.GeneralFrame->palette().color(QPalette::Active, QPalette::Window),
                 QColor(233, 233, 233));
        QCOMPARE(dialog.GeneralFrame->palette().color(QPalette::Inactive, QPalette::ToolTipBase),
                 QColor(255, 255, 220));
        QCOMPARE(dialog.GeneralFrame->geometry(), QRect(0, 0, 584, 163));

        QCOMPARE(dialog.comboBoxUpdates->count(), 3);
        QCOMPARE(dialog.comboBoxUpdates->itemText(0), QStringLiteral("Daily"));
        QCOMPARE(dialog.comboBoxUpdates->itemText(1), QStringLiteral("Weekly"));
        QCOMPARE(dialog.comboBoxUpdates->itemText(2), QStringLiteral("Monthly"));
        QVERIFY(dialog.OkButton->isDefault());
        QVERIFY(!dialog.OkButton->autoDefault());
        QCOMPARE(dialog.OkButton->focusPolicy(), Qt::TabFocus);
        QCOMPARE(dialog.CheckForUpdateCheckBox->focusPolicy(), Qt::NoFocus);
        QCOMPARE(dialog.comboBoxUpdates->focusPolicy(), Qt::NoFocus);
    }

    void preferencesWidgets_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<int>("pointSize");
        QTest::addColumn<QString>("text");
        QTest::newRow("check-box") << QStringLiteral("CheckForUpdateCheckBox") << QRect(15, 17, 161, 21) << 12
                                   << QStringLiteral("Check for updates:");
        QTest::newRow("interval-list") << QStringLiteral("comboBoxUpdates") << QRect(185, 14, 139, 26) << 12 << QString();
        QTest::newRow("explanation")
            << QStringLiteral("label_2") << QRect(35, 53, 423, 41) << 12
            << QStringLiteral("Corvane Mail Converter will automatically check for new updates available "
                              "over internet. Active internet connection is required for this function.");
        QTest::newRow("check-now") << QStringLiteral("CheckUpdateButton") << QRect(35, 104, 175, 32) << 11
                                   << QStringLiteral("Check for Updates now");
        QTest::newRow("ok") << QStringLiteral("OkButton") << QRect(374, 130, 75, 26) << 11 << QStringLiteral("OK");
        QTest::newRow("cancel") << QStringLiteral("CancelButton") << QRect(294, 130, 81, 26) << 11 << QStringLiteral("Cancel");
    }

    void preferencesWidgets()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(int, pointSize);
        QFETCH(QString, text);
        PreferencesDialog dialog;
        auto *widget = dialog.findChild<QWidget *>(name);
        QVERIFY(widget);
        QCOMPARE(widget->geometry(), geometry);
        QCOMPARE(widget->font().pointSize(), pointSize);
        if (!text.isEmpty())
            QCOMPARE(widget->property("text").toString(), text);
    }

    void preferencesLoadTheStore_data()
    {
        QTest::addColumn<QVariant>("checkForUpdate");
        QTest::addColumn<QVariant>("interval");
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<QString>("shown");

        QTest::newRow("empty-store") << QVariant() << QVariant() << false << QStringLiteral("Daily");
        QTest::newRow("check-on-weekly") << QVariant(true) << QVariant(QStringLiteral("Weekly")) << true << QStringLiteral("Weekly");
        QTest::newRow("check-on-monthly") << QVariant(true) << QVariant(QStringLiteral("Monthly")) << true << QStringLiteral("Monthly");
        QTest::newRow("interval-in-other-letter-case") << QVariant(true) << QVariant(QStringLiteral("weekly"))
                                                       << true << QStringLiteral("Daily");
        QTest::newRow("unknown-interval") << QVariant(true) << QVariant(QStringLiteral("Hourly")) << true << QStringLiteral("Daily");
        QTest::newRow("check-on-no-interval") << QVariant(true) << QVariant() << true << QStringLiteral("Daily");
        QTest::newRow("check-off-interval-ignored") << QVariant(false) << QVariant(QStringLiteral("Monthly"))
                                                    << false << QStringLiteral("Daily");
    }

    void preferencesLoadTheStore()
    {
        QFETCH(QVariant, checkForUpdate);
        QFETCH(QVariant, interval);
        QFETCH(bool, ticked);
        QFETCH(QString, shown);
        {
            QScopedPointer<QSettings> store(preferencesStore());
            if (checkForUpdate.isValid())
                store->setValue(QStringLiteral("CheckForUpdate"), checkForUpdate);
            if (interval.isValid())
                store->setValue(QStringLiteral("UpdateInterval"), interval);
        }

        PreferencesDialog dialog;

        QCOMPARE(dialog.CheckForUpdateCheckBox->isChecked(), ticked);
        QCOMPARE(dialog.comboBoxUpdates->isEnabled(), ticked);
        QCOMPARE(dialog.comboBoxUpdates->currentText(), shown);
    }

    void okStoresWhatTheDialogShows()
    {
        {
            QScopedPointer<QSettings> store(preferencesStore());
            store->setValue(QStringLiteral("CheckForUpdate"), false);
            store->setValue(QStringLiteral("UpdateInterval"), QStringLiteral("Monthly"));
        }
        PreferencesDialog dialog;
        dialog.show();

        QTest::mouseClick(dialog.OkButton, Qt::LeftButton);

        QVERIFY(dialog.isHidden());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QScopedPointer<QSettings> store(preferencesStore());
        QCOMPARE(store->value(QStringLiteral("UpdateInterval")).toString(), QStringLiteral("Daily"));
        QCOMPARE(store->value(QStringLiteral("CheckForUpdate")).toBool(), false);
    }

    void tickedChoiceSurvivesTheNextStart()
    {
        {
            PreferencesDialog dialog;
            dialog.show();
            QTest::mouseClick(dialog.CheckForUpdateCheckBox, Qt::LeftButton);
            QVERIFY(dialog.comboBoxUpdates->isEnabled());
            dialog.comboBoxUpdates->setCurrentIndex(2);
            QTest::mouseClick(dialog.OkButton, Qt::LeftButton);
        }
        PreferencesDialog next;
        QVERIFY(next.CheckForUpdateCheckBox->isChecked());
        QVERIFY(next.comboBoxUpdates->isEnabled());
        QCOMPARE(next.comboBoxUpdates->currentText(), QStringLiteral("Monthly"));
    }

    void cancelRestoresTheStoredSettings_data()
    {
        QTest::addColumn<bool>("byEscape");
        QTest::addColumn<bool>("storedCheck");
        QTest::addColumn<QString>("storedInterval");
        QTest::addColumn<QString>("shownAfter");
        QTest::newRow("cancel-button-empty-store") << false << false << QString() << QStringLiteral("Daily");
        QTest::newRow("escape-empty-store") << true << false << QString() << QStringLiteral("Daily");
        QTest::newRow("cancel-button-stored-weekly") << false << true << QStringLiteral("Weekly") << QStringLiteral("Weekly");
        QTest::newRow("escape-stored-weekly") << true << true << QStringLiteral("Weekly") << QStringLiteral("Weekly");
    }

    void cancelRestoresTheStoredSettings()
    {
        QFETCH(bool, byEscape);
        QFETCH(bool, storedCheck);
        QFETCH(QString, storedInterval);
        QFETCH(QString, shownAfter);
        if (storedCheck) {
            QScopedPointer<QSettings> store(preferencesStore());
            store->setValue(QStringLiteral("CheckForUpdate"), true);
            store->setValue(QStringLiteral("UpdateInterval"), storedInterval);
        }
        PreferencesDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseClick(dialog.CheckForUpdateCheckBox, Qt::LeftButton);
        if (!storedCheck)
            dialog.comboBoxUpdates->setCurrentIndex(2);

        if (byEscape)
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            QTest::mouseClick(dialog.CancelButton, Qt::LeftButton);

        QVERIFY(dialog.isHidden());
        dialog.show();
        QCOMPARE(dialog.CheckForUpdateCheckBox->isChecked(), storedCheck);
        QCOMPARE(dialog.comboBoxUpdates->isEnabled(), storedCheck);
        QCOMPARE(dialog.comboBoxUpdates->currentText(), shownAfter);
        // A later OK stores what the store held, not the cancelled edits.
        QTest::mouseClick(dialog.OkButton, Qt::LeftButton);
        QScopedPointer<QSettings> store(preferencesStore());
        QCOMPARE(store->value(QStringLiteral("CheckForUpdate")).toBool(), storedCheck);
        QCOMPARE(store->value(QStringLiteral("UpdateInterval")).toString(), shownAfter);
    }

    void checkBoxEnablesTheIntervalList()
    {
        PreferencesDialog dialog;
        dialog.show();
        QVERIFY(!dialog.comboBoxUpdates->isEnabled());
        QTest::mouseClick(dialog.CheckForUpdateCheckBox, Qt::LeftButton);
        QVERIFY(dialog.comboBoxUpdates->isEnabled());
        QTest::mouseClick(dialog.CheckForUpdateCheckBox, Qt::LeftButton);
        QVERIFY(!dialog.comboBoxUpdates->isEnabled());
        QVERIFY(dialog.CheckUpdateButton->isEnabled());
        QVERIFY(dialog.OkButton->isEnabled());
        QVERIFY(dialog.CancelButton->isEnabled());
    }

    void checkForUpdatesNowDoesNothing()
    {
        ScriptedPrompter prompter;
        PreferencesDialog dialog;
        dialog.show();
        QTest::mouseClick(dialog.CheckUpdateButton, Qt::LeftButton);
        QVERIFY(prompter.boxes.isEmpty());
        QVERIFY(dialog.isVisible());
        QScopedPointer<QSettings> store(preferencesStore());
        QVERIFY(store->allKeys().isEmpty());
    }

    void noUpdateNoticeGoesThroughThePrompter()
    {
        ScriptedPrompter prompter;
        PreferencesDialog dialog;
        dialog.CheckUpdateButton->setEnabled(false);

        QVERIFY(QMetaObject::invokeMethod(&dialog, "OnNoUpdateAvailable"));

        QCOMPARE(prompter.boxes.size(), 1);
        QCOMPARE(prompter.boxes.at(0).icon, QMessageBox::Information);
        QCOMPARE(prompter.boxes.at(0).parent, &dialog);
        QCOMPARE(prompter.boxes.at(0).title, QString());
        QCOMPARE(prompter.boxes.at(0).text,
                 QStringLiteral("No updates available. Your software has latest updates installed."));
        QCOMPARE(prompter.boxes.at(0).buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(dialog.CheckUpdateButton->isEnabled());
    }

    void intervalIndex_data()
    {
        QTest::addColumn<QString>("interval");
        QTest::addColumn<int>("index");
        QTest::newRow("daily") << QStringLiteral("Daily") << 0;
        QTest::newRow("weekly") << QStringLiteral("Weekly") << 1;
        QTest::newRow("monthly") << QStringLiteral("Monthly") << 2;
        QTest::newRow("other-letter-case") << QStringLiteral("MONTHLY") << -1;
        QTest::newRow("trailing-blank") << QStringLiteral("Weekly ") << -1;
        QTest::newRow("empty") << QString() << -1;
    }

    void intervalIndex()
    {
        QFETCH(QString, interval);
        QFETCH(int, index);
        const QStringList items{QStringLiteral("Daily"), QStringLiteral("Weekly"), QStringLiteral("Monthly")};
        QCOMPARE(updatesettings::intervalIndex(interval, items), index);
    }

    void draggingMovesTheWindow_data()
    {
        QTest::addColumn<int>("pressButton");
        QTest::addColumn<int>("heldButtons");
        QTest::addColumn<QPoint>("expectedShift");
        QTest::newRow("left-press-and-drag") << int(Qt::LeftButton) << int(Qt::LeftButton) << QPoint(30, 40);
        QTest::newRow("right-press-and-drag") << int(Qt::RightButton) << int(Qt::RightButton) << QPoint(0, 0);
        QTest::newRow("left-press-move-without-buttons") << int(Qt::LeftButton) << int(Qt::NoButton)
                                                         << QPoint(0, 0);
        QTest::newRow("left-press-move-with-both-held")
            << int(Qt::LeftButton) << int(Qt::LeftButton | Qt::RightButton) << QPoint(30, 40);
    }

    void draggingMovesTheWindow()
    {
        QFETCH(int, pressButton);
        QFETCH(int, heldButtons);
        QFETCH(QPoint, expectedShift);
        PreferencesDialog dialog;
        dialog.move(200, 150);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QPoint start = dialog.pos();
        const QPoint grab = dialog.frameGeometry().topLeft() + QPoint(12, 9);

        sendMouse(&dialog, QEvent::MouseButtonPress, grab, Qt::MouseButton(pressButton),
                  Qt::MouseButtons(pressButton));
        sendMouse(&dialog, QEvent::MouseMove, grab + QPoint(30, 40), Qt::NoButton,
                  Qt::MouseButtons(heldButtons));

        QCOMPARE(dialog.pos() - start, expectedShift);
    }

    void maskCoversTheWholeDialog()
    {
        PreferencesDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.mask(), QRegion(dialog.rect()));
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
        QCOMPARE(dialog.palette().color(QPalette::Inactive, QPalette::Window), QColor(225, 225, 225));
        QCOMPARE(dialog.palette().color(QPalette::Disabled, QPalette::Text), QColor(112, 112, 112));
        QCOMPARE(dialog.palette().color(QPalette::Disabled, QPalette::AlternateBase), QColor(225, 225, 225));
        QCOMPARE(dialog.label_2->geometry(), QRect(10, 10, 72, 72));
        QVERIFY(!dialog.label_2->pixmap(Qt::ReturnByValue).isNull());
        QVERIFY(dialog.label_2->hasScaledContents());
        QCOMPARE(dialog.OkButton->geometry(), QRect(179, 77, 62, 33));
        QCOMPARE(dialog.OkButton->font().pointSize(), 11);
        QCOMPARE(dialog.OkButton->font().weight(), int(QFont::Bold));
        QCOMPARE(dialog.OkButton->focusPolicy(), Qt::StrongFocus);
        QCOMPARE(dialog.label->geometry(), QRect(100, 21, 221, 51));
        QCOMPARE(dialog.label->alignment(), Qt::AlignCenter);
        QVERIFY(dialog.label->wordWrap());
        QCOMPARE(dialog.ImportLabel->geometry(), QRect(10, 94, 142, 16));

        // OK hides; the button is checkable and keeps its state between showings.
        dialog.show();
        QTest::mouseClick(dialog.OkButton, Qt::LeftButton);
        QVERIFY(dialog.isHidden());
        QVERIFY(dialog.OkButton->isChecked());
    }

    void repairCompleteImportLink_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("shown");
        QTest::newRow("text-and-link") << QStringLiteral("How to import") << QStringLiteral("/HowTo.html") << true;
        QTest::newRow("text-without-link") << QStringLiteral("How to import") << QString() << true;
        QTest::newRow("link-without-text") << QString() << QStringLiteral("/HowTo.html") << false;
    }

    void repairCompleteImportLink()
    {
        QFETCH(QString, text);
        QFETCH(QString, link);
        QFETCH(bool, shown);
        Entries entries;
        if (!text.isEmpty())
            entries.insert(QStringLiteral("HowToImport"), text);
        if (!link.isEmpty())
            entries.insert(QStringLiteral("HowToImportLink"), link);
        QVERIFY(testfiles::writeStringPlist(strPlistPath, entries));

        RepairComplete dialog;

        QCOMPARE(dialog.ImportLabel->text(), QStringLiteral("<a href=\"file://") + HelpFilePath + link
                                                  + QStringLiteral("\">") + text + QStringLiteral("</a>"));
        QCOMPARE(dialog.ImportLabel->isVisibleTo(&dialog), shown);
        QCOMPARE(dialog.ImportLabel->font().family() == QLatin1String("Lucida Grande")
                     && dialog.ImportLabel->font().pointSize() == 12,
                 shown);
    }

    void importLinkOpensTheBundlePage_data()
    {
        QTest::addColumn<QString>("resources");
        QTest::addColumn<QString>("linkValue");
        QTest::addColumn<QString>("fragment");
        QTest::newRow("plain-path") << QStringLiteral("Resources") << QStringLiteral("/HowTo.html") << QString();
        QTest::newRow("fragment-kept") << QStringLiteral("My Apps/Resources") << QStringLiteral("/HowTo.html#apple-mail")
                                       << QStringLiteral("apple-mail");
        QTest::newRow("hash-and-percent-in-path") << QStringLiteral("C# 100%/Resources") << QStringLiteral("/HowTo.html")
                                                  << QString();
        QTest::newRow("letters-outside-ascii") << QString::fromUtf8("Résumé/Resources") << QStringLiteral("/HowTo.html#x")
                                               << QStringLiteral("x");
    }

    void importLinkOpensTheBundlePage()
    {
        QFETCH(QString, resources);
        QFETCH(QString, linkValue);
        QFETCH(QString, fragment);
        HelpFilePath = m_dir->filePath(resources);
        QVERIFY(testfiles::writeStringPlist(strPlistPath, {{QStringLiteral("HowToImport"), QStringLiteral("How to import")},
                                              {QStringLiteral("HowToImportLink"), linkValue}}));
        RecordingOpener opener;
        RepairComplete dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        QTest::mouseClick(dialog.ImportLabel, Qt::LeftButton, Qt::NoModifier,
                          QPoint(10, dialog.ImportLabel->height() / 2));

        QCOMPARE(opener.opened.size(), 1);
        QCOMPARE(opener.opened.constFirst().toLocalFile(), HelpFilePath + QStringLiteral("/HowTo.html"));
        QCOMPARE(opener.opened.constFirst().fragment(), fragment);
    }

    void browserForImport_data()
    {
        QTest::addColumn<bool>("namedBrowser");
        QTest::newRow("default-application") << false;
        QTest::newRow("named-browser-started-without-shell") << true;
    }

    void browserForImport()
    {
        QFETCH(bool, namedBrowser);
        // touch stands in for a browser: the file it makes shows the exact
        // argument it was given.
        if (namedBrowser)
            strDefaultBrowser = QStandardPaths::findExecutable(QStringLiteral("touch"));
        RecordingOpener opener;
        RepairComplete dialog;
        const QString target = namedBrowser ? m_dir->filePath(QStringLiteral("it's a page; $(x).html"))
                                            : QStringLiteral("https://example.com/it's");

        dialog.BrowserForImport(target);

        if (namedBrowser) {
            QTRY_VERIFY(QFile::exists(target));
            QVERIFY(opener.opened.isEmpty());
        } else {
            QCOMPARE(opener.opened.size(), 1);
            QCOMPARE(opener.opened.constFirst().toString(), target);
        }
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
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Corvane Mail Converter"));
        QCOMPARE(dialog.minimumSize(), QSize(359, 322));
        QCOMPARE(dialog.maximumSize(), QSize(359, 322));
        QCOMPARE(dialog.groupBox->geometry(), QRect(0, 0, 359, 330));
        QCOMPARE(dialog.frame->geometry(), QRect(11, 86, 337, 161));
        QCOMPARE(dialog.Information_Closebutton->geometry(), QRect(150, 290, 65, 28));
        QCOMPARE(dialog.Information_Closebutton->text(), QStringLiteral("Close"));
        QCOMPARE(dialog.label_14->geometry(), QRect(8, 5, 62, 62));
        QVERIFY(!dialog.label_14->pixmap(Qt::ReturnByValue).isNull());
        QCOMPARE(plainText(dialog.label->text()),
                 QStringLiteral("Your Converter Database File has been successfully recovered. "
                                "Corvane Mail Converter was able to recover the following items:"));
        QCOMPARE(plainText(dialog.label_2->text()),
                 QStringLiteral("You can preview the recovered items before saving. To save the file, "
                                "choose the save button."));
        QCOMPARE(plainText(dialog.label_3->text()), QStringLiteral("Recovery Details:"));
        QVERIFY(dialog.label_3->text().contains(QLatin1String("font-size:12pt; font-weight:600;")));

        // Without a main window Close only hides.
        dialog.show();
        QTest::mouseClick(dialog.Information_Closebutton, Qt::LeftButton);
        QVERIFY(dialog.isHidden());
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
        // The colons share their row's bottom edge; the second starts higher.
        QCOMPARE(colonLabel->geometry().bottom(), y + 17);
        QCOMPARE(colonLabel->text(), QStringLiteral(":"));
        QCOMPARE(valueLabel->geometry(), QRect(190, y, 111, 18));
        QCOMPARE(valueLabel->text(), QString());
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
        QCOMPARE(dialog.LogText->geometry(), QRect(7, 8, 331, 311));
        QVERIFY(dialog.LogText->isReadOnly());
        QCOMPARE(dialog.LogText->textInteractionFlags(), Qt::NoTextInteraction);
        QVERIFY(!dialog.SaveLog->isEnabled());
        QVERIFY(!dialog.ClearLog->isEnabled());
        QVERIFY(dialog.CloseButton->isEnabled());

        dialog.show();
        QTest::mouseClick(dialog.CloseButton, Qt::LeftButton);
        QVERIFY(dialog.isHidden());
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
        QCOMPARE(plainText(label->text()), captionText);

        // Held down the button shows its pressed image, released the form's.
        auto shown = [button] {
            const QIcon icon = button->icon();
            return icon.pixmap(icon.availableSizes().value(0)).toImage();
        };
        auto image = [](const QString &resource) { return QPixmap(resource).toImage(); };
        QVERIFY(image(normalImage) != image(pressedImage));
        QCOMPARE(shown(), image(normalImage));
        ScriptedPrompter prompter; // Save's file chooser is cancelled
        button->setEnabled(true);
        dialog.show();
        QTest::mousePress(button, Qt::LeftButton);
        QCOMPARE(shown(), image(pressedImage));
        QTest::mouseRelease(button, Qt::LeftButton);
        QCOMPARE(shown(), image(normalImage));
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
        if (!existing.isEmpty())
            QVERIFY(writeFile(path, existing));
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

    void failedOrCancelledSaveRecordsNothing_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<int>("warnings");
        QTest::newRow("folder-missing-warns") << QStringLiteral("no such folder/log.txt") << 1;
        QTest::newRow("cancelled-silently") << QString() << 0;
    }

    void failedOrCancelledSaveRecordsNothing()
    {
        QFETCH(QString, chosen);
        QFETCH(int, warnings);
        const QString path = chosen.isEmpty() ? QString() : m_dir->filePath(chosen);
        ScriptedPrompter prompter;
        if (!path.isEmpty())
            prompter.chosenPaths.enqueue(path);
        QLogReport dialog;
        dialog.LogText->setPlainText(QStringLiteral("kept"));
        dialog.SaveLog->setEnabled(true);
        dialog.show();

        QTest::mouseClick(dialog.SaveLog, Qt::LeftButton);

        QCOMPARE(prompter.boxes.size(), warnings);
        if (warnings) {
            QCOMPARE(prompter.boxes.at(0).icon, QMessageBox::Warning);
            QCOMPARE(prompter.boxes.at(0).parent, &dialog);
            QVERIFY(prompter.boxes.at(0).text.contains(path));
        }
        QCOMPARE(dialog.LogText->toPlainText(), QStringLiteral("kept"));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList());
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
