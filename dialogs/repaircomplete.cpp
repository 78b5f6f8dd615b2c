#include "dialogs/repaircomplete.h"

#include "app/appglobals.h"
#include "dialogs/aboutdlg.h"
#include "dialogs/linklabel.h"
#include "platform/plistreader.h"
#include "platform/urlopener.h"

#include <QFont>

namespace {
const QLatin1String kHowToImportKey("HowToImport");
const QLatin1String kHowToImportLinkKey("HowToImportLink");
} // namespace

RepairComplete::RepairComplete(QWidget *parent)
    : QDialog(parent)
{
    setupUi(this);
    connect(OkButton, SIGNAL(clicked()), this, SLOT(OnClose()));
    // The link points into the bundle; it opens through the platform layer
    // with the resources path escaped, never by the label itself.
    connect(ImportLabel, &QLabel::linkActivated, this, [](const QString &link) {
        platform::openLinkUrl(linklabel::bundleLinkUrlText(HelpFilePath, link));
    });
    HTImport();
}

RepairComplete::~RepairComplete()
{
    // The global never points at a deleted notice.
    if (m_pRepairComplete == this)
        m_pRepairComplete = nullptr;
}

void RepairComplete::HTImport()
{
    const linklabel::LinkLabelContent content = linklabel::importHelpLink(
        HelpFilePath, platform::readPlistString(strPlistPath, kHowToImportKey),
        platform::readPlistString(strPlistPath, kHowToImportLinkKey));
    ImportLabel->setText(content.html);
    if (!content.visible) {
        ImportLabel->hide();
        return;
    }
    ImportLabel->setFont(QFont(QStringLiteral("Lucida Grande"), 12));
    ImportLabel->show();
}

void RepairComplete::ConnectSignals()
{
    connect(OkButton, SIGNAL(clicked()), this, SLOT(OnClose()), Qt::UniqueConnection);
}

void RepairComplete::BrowserForImport(QString url)
{
    linklabel::openInBrowser(strDefaultBrowser, url);
}

void RepairComplete::OnClose()
{
}
