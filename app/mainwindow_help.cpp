// Help page, agreement PDF and the support links of the main window.

#include "app/mainwindow.h"

#include "app/appglobals.h"
#include "app/windowrules.h"
#include "platform/plistreader.h"
#include "platform/urlopener.h"

void QConverterMainWindow::OpenHelp()
{
    platform::openBundleFileUrl(windowrules::helpPageUrlText(HelpFilePath));
}

void QConverterMainWindow::licenseAgreement()
{
    platform::openBundleFileUrl(windowrules::eulaUrlText(HelpFilePath));
}

void QConverterMainWindow::OnEmailSupport()
{
    platform::openLinkUrl(GetEmailSupport());
}

void QConverterMainWindow::OnViewSupport()
{
    platform::openLinkUrl(GetViewSupport());
}

void QConverterMainWindow::OnGenerateTicket()
{
    platform::openLinkUrl(GetGenerateTicket());
}

void QConverterMainWindow::OnKnowledgeBase()
{
    platform::openLinkUrl(GetKnowledgebase());
}

// The getters read the property list afresh, so an edit takes effect at the
// next click.
QString QConverterMainWindow::GetEmailSupport() const
{
    return windowrules::mailtoUrlText(
        platform::readPlistString(strPlistPath, QStringLiteral("EmailToSupport")));
}

QString QConverterMainWindow::GetViewSupport() const
{
    return platform::readPlistString(strPlistPath, QStringLiteral("ViewSupportLink"));
}

QString QConverterMainWindow::GetGenerateTicket() const
{
    return platform::readPlistString(strPlistPath, QStringLiteral("SubmitEnquiryLink"));
}

QString QConverterMainWindow::GetKnowledgebase() const
{
    return platform::readPlistString(strPlistPath, QStringLiteral("KBLink"));
}
