#include "convert/importwindow.h"

#include "app/appglobals.h"
#include "dialogs/linklabel.h"
#include "platform/plistreader.h"
#include "platform/urlopener.h"

#include <QFont>
#include <QStyle>

namespace {
// Keys of the link property list.
const QLatin1String kAppleMailText("Apple Mail");
const QLatin1String kAppleMailLink("HowToImportLink");
const QLatin1String kOutlookText("Outlook 2011");
const QLatin1String kOutlookLink("HowToImportLink1");

// Fills label and returns whether it is shown.
bool applyLink(QLabel *label, const linklabel::LinkLabelContent &content)
{
    label->setText(content.html);
    if (!content.visible) {
        label->hide();
        return false;
    }
    label->setFont(QFont(QStringLiteral("Lucida Grande"), 12));
    label->show();
    return true;
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
    m_logo = label->pixmap(Qt::ReturnByValue);
    m_formInfoHeight = InfoLabels->height();
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
    m_appleLinkGiven = applyLink(ImportLabel, importHelpLink(HelpFilePath,
                                                             platform::readPlistString(strPlistPath, kAppleMailText),
                                                             platform::readPlistString(strPlistPath, kAppleMailLink)));
}

void QImportWindow::HTImport1()
{
    m_outlookLinkGiven = applyLink(ImportLabel_2, importHelpLink(HelpFilePath,
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
    fitInfoText();
    setLook(false, true);
}

void QImportWindow::fitInfoText()
{
    // The form leaves room for a few lines; a longer text (a long path, the
    // counts of a save with problems) moves what stands below it down
    // rather than being cut off.
    const int needed = qMax(m_formInfoHeight, InfoLabels->heightForWidth(InfoLabels->width()));
    const int shift = needed - InfoLabels->height();
    if (shift == 0)
        return;
    InfoLabels->resize(InfoLabels->width(), needed);
    const QList<QWidget *> below{label_3, ImportLabel, ImportLabel_2, OKButton};
    for (QWidget *widget : below)
        widget->move(widget->x(), widget->y() + shift);
    setFixedSize(width(), height() + shift);
}

void QImportWindow::setSaveOutcome(const QString &fileSavingPath, const SaveOutcome &outcome)
{
    setInfoText(saveOutcomeText(fileSavingPath, outcome));
    setLook(!outcome.isCompleteSuccess(), outcome.written > 0);
}

void QImportWindow::setLook(bool warning, bool offerImport)
{
    label->setPixmap(warning ? style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(label->size()) : m_logo);
    // When nothing was saved there is nothing to import, and no prompt to.
    label_3->setVisible(offerImport);
    ImportLabel->setVisible(offerImport && m_appleLinkGiven);
    ImportLabel_2->setVisible(offerImport && m_outlookLinkGiven);
}

void QImportWindow::HideDlg()
{
    hide();
}

void QImportWindow::BrowserForImport(QString link)
{
    platform::openLinkUrl(link);
}
