#include "convert/importwindow.h"

#include "app/appglobals.h"
#include "dialogs/linklabel.h"
#include "platform/plistreader.h"
#include "platform/urlopener.h"

#include <QFont>

namespace {
// Keys of the link property list.
const QLatin1String kAppleMailText("Apple Mail");
const QLatin1String kAppleMailLink("HowToImportLink");
const QLatin1String kOutlookText("Outlook 2011");
const QLatin1String kOutlookLink("HowToImportLink1");

void applyLink(QLabel *label, const linklabel::LinkLabelContent &content)
{
    label->setText(content.html);
    if (!content.visible) {
        label->hide();
        return;
    }
    label->setFont(QFont(QStringLiteral("Lucida Grande"), 12));
    label->show();
}
} // namespace

linklabel::LinkLabelContent importHelpLink(const QString &helpFilePath, const QString &text,
                                           const QString &linkValue)
{
    // Values from the property list are text, not markup: both are escaped.
    // The link value names a page of the help and may end in a fragment
    // ("#import-outlook-2011"), so only the resources path is encoded as a path.
    const QString target =
        linklabel::bundleLinkUrlText(helpFilePath, QLatin1String("file://") + helpFilePath + linkValue);
    linklabel::LinkLabelContent content;
    content.html = linklabel::anchorHtml(target.toHtmlEscaped(), text.toHtmlEscaped());
    content.visible = !text.isEmpty();
    return content;
}

QImportWindow::QImportWindow(QWidget *parent)
    : QDialog(parent)
{
    setupUi(this);
    connect(OKButton, SIGNAL(clicked()), this, SLOT(HideDlg()));

    // The targets are help pages inside the bundle, already encoded file URLs.
    for (QLabel *label : {ImportLabel, ImportLabel_2}) {
        connect(label, &QLabel::linkActivated, this,
                [](const QString &link) { platform::openLinkUrl(link); });
    }
    HTImport();
    HTImport1();
    setModal(true);
}

QImportWindow::~QImportWindow() = default;

void QImportWindow::HTImport()
{
    applyLink(ImportLabel, importHelpLink(HelpFilePath,
                                                     platform::readPlistString(strPlistPath, kAppleMailText),
                                                     platform::readPlistString(strPlistPath, kAppleMailLink)));
}

void QImportWindow::HTImport1()
{
    applyLink(ImportLabel_2, importHelpLink(HelpFilePath,
                                                       platform::readPlistString(strPlistPath, kOutlookText),
                                                       platform::readPlistString(strPlistPath, kOutlookLink)));
}

void QImportWindow::ConnectSignals()
{
    connect(OKButton, SIGNAL(clicked()), this, SLOT(HideDlg()), Qt::UniqueConnection);
}

void QImportWindow::setInfoText(const QString &text)
{
    InfoLabels->setTextFormat(Qt::PlainText);
    InfoLabels->setText(text);
}

void QImportWindow::HideDlg()
{
    hide();
}

void QImportWindow::BrowserForImport(QString link)
{
    platform::openLinkUrl(link);
}
