#include "dialogs/aboutdlg.h"

#include "app/appglobals.h"
#include "dialogs/abouttexts.h"
#include "dialogs/linklabel.h"
#include "platform/plistreader.h"
#include "platform/urlopener.h"

#include <QFont>
#include <QPixmap>

QString strDefaultBrowser;

namespace {
QString linkEntry(const char *key)
{
    return platform::readPlistString(strPlistPath, QLatin1String(key));
}

// The contact entries that the dialog reads but does not show.
void readUnshownEntries(std::initializer_list<const char *> keys)
{
    for (const char *key : keys)
        linkEntry(key);
}
} // namespace

AboutDlg::AboutDlg(QWidget *parent)
    : QDialog(parent)
{
    setupUi(this);
    init();
    GetSystemInfo();
    ConnectSignals();
}

AboutDlg::~AboutDlg() = default;

void AboutDlg::init()
{
    LabelPixmap->setPixmap(QPixmap(QStringLiteral(":/images/img_About.png")));
    LicenseButton->setFixedSize(142, 26);
    OKButton->setFixedSize(67, 26);
}

void AboutDlg::GetSystemInfo()
{
    const abouttexts::SystemInfo info = abouttexts::currentSystemInfo();
    // Without a host name the row keeps the form's empty content.
    if (!info.hostName.isEmpty()) {
        UserLabel->setTextFormat(Qt::PlainText);
        UserLabel->setText(info.hostName);
    }
    if (!info.systemName.isEmpty()) {
        OSLabel->setTextFormat(Qt::PlainText);
        OSLabel->setText(info.systemName);
    }
    VersionLabel->setText(info.systemVersion);
}

void AboutDlg::ConnectSignals()
{
    GetSUpport();
    GetReach_1_Name();
    GetReach_2_Name();
    GetReach_3_Name();
    GetReach_4_Name();
    GetReach_5_Name();
    GetReach_6_Name();
    GetSkype_ID();
    GetReachNo_1();
    GetReachNo_2();
    GetReachNo_3();
    GetReachNo_4();
    GetReachNo_5();
    GetReachNo_6();
    GetSkype_ID_Link();
    GetContactLink();
    GetWebsiteLabel();
    GetKBInfo();
    // The support link opens through the platform layer, never by the label itself.
    connect(TicketLabel, &QLabel::linkActivated, this,
            [](const QString &link) { platform::openLinkUrl(link); });
    connect(LicenseButton, SIGNAL(clicked()), this, SLOT(OpenLicense()));
}

void AboutDlg::GetSUpport()
{
    const QString text = linkEntry("SupText");
    const QString link = linkEntry("SupLink");
    const linklabel::LinkLabelContent content = linklabel::supportLink(text, link);
    TicketLabel->setText(content.html);
    if (!content.visible) {
        TicketLabel->hide();
        return;
    }
    TicketLabel->setFont(QFont(QStringLiteral("Lucida Grande"), 12));
    TicketLabel->show();
}

void AboutDlg::GetReach_1_Name()
{
    readUnshownEntries({"ReachUsName1"});
}

void AboutDlg::GetReach_2_Name()
{
    readUnshownEntries({"ReachUsName2"});
}

void AboutDlg::GetReach_3_Name()
{
    readUnshownEntries({"ReachUsName3"});
}

void AboutDlg::GetReach_4_Name()
{
    readUnshownEntries({"ReachUsName4"});
}

void AboutDlg::GetReach_5_Name()
{
    readUnshownEntries({"ReachUsName5"});
}

void AboutDlg::GetReach_6_Name()
{
    readUnshownEntries({"ReachUsName6"});
}

void AboutDlg::GetSkype_ID()
{
    readUnshownEntries({"SkypeID"});
}

void AboutDlg::GetReachNo_1()
{
    readUnshownEntries({"ReachUsNo1"});
}

void AboutDlg::GetReachNo_2()
{
    readUnshownEntries({"ReachUsNo2"});
}

void AboutDlg::GetReachNo_3()
{
    readUnshownEntries({"ReachUsNo3"});
}

void AboutDlg::GetReachNo_4()
{
    readUnshownEntries({"ReachUsNo4"});
}

void AboutDlg::GetReachNo_5()
{
    readUnshownEntries({"ReachUsNo5"});
}

void AboutDlg::GetReachNo_6()
{
    readUnshownEntries({"ReachUsNo6"});
}

void AboutDlg::GetSkype_ID_Link()
{
    readUnshownEntries({"SkypeLink"});
}

void AboutDlg::GetContactLink()
{
    readUnshownEntries({"ContactSalesName", "ContactSalesLink"});
}

void AboutDlg::GetWebsiteLabel()
{
    readUnshownEntries({"WebsiteName", "WebsiteLink"});
}

void AboutDlg::GetKBInfo()
{
    readUnshownEntries({"KBName", "KBLink"});
}

void AboutDlg::GetSubmitEnquiry()
{
    const QString name = linkEntry("SubmitEnquiryName");
    const QString link = linkEntry("SubmitEnquiryLink");
    TicketLabel->setText(linklabel::anchorHtml(link, name));
}

void AboutDlg::OpenLicense()
{
    // The resources path is escaped as a path, so blanks, "#" or letters
    // outside ASCII in it still form the URL of the same file.
    platform::openLinkUrl(
        linklabel::bundleLinkUrlText(HelpFilePath, abouttexts::licenseUrlText(HelpFilePath)));
}

void AboutDlg::BrowseForAbout(QString link)
{
    platform::openLinkUrl(link);
}
