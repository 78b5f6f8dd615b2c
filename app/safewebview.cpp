#include "app/safewebview.h"

#include <QMetaObject>
#include <QWebFrame>
#include <QWebSettings>

RefusedNetworkReply::RefusedNetworkReply(const QNetworkRequest &request,
                                         QNetworkAccessManager::Operation operation,
                                         QObject *parent)
    : QNetworkReply(parent)
{
    setRequest(request);
    setUrl(request.url());
    setOperation(operation);
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    setError(QNetworkReply::ContentAccessDenied,
             QStringLiteral("Message content may not load anything from outside"));
    // The caller connects to the reply only after createRequest returns.
    QMetaObject::invokeMethod(this, "fail", Qt::QueuedConnection);
}

void RefusedNetworkReply::abort()
{
    close();
}

qint64 RefusedNetworkReply::readData(char *, qint64)
{
    return -1;
}

void RefusedNetworkReply::fail()
{
    if (isFinished())
        return;
    setFinished(true);
    emit errorOccurred(error());
    emit finished();
}

SafeNetworkAccessManager::SafeNetworkAccessManager(QObject *parent)
    : QNetworkAccessManager(parent)
{
}

bool SafeNetworkAccessManager::isAllowedScheme(const QString &scheme)
{
    return scheme.compare(QLatin1String("data"), Qt::CaseInsensitive) == 0
        || scheme.compare(QLatin1String("about"), Qt::CaseInsensitive) == 0;
}

QNetworkReply *SafeNetworkAccessManager::createRequest(Operation operation,
                                                       const QNetworkRequest &request,
                                                       QIODevice *outgoingData)
{
    if (operation == GetOperation && isAllowedScheme(request.url().scheme()))
        return QNetworkAccessManager::createRequest(operation, request, outgoingData);
    ++m_refusedRequests;
    return new RefusedNetworkReply(request, operation, this);
}

SafeWebPage::SafeWebPage(QObject *parent)
    : QWebPage(parent)
{
}

bool SafeWebPage::isAllowedNavigation(bool mainFrame, const QUrl &url, NavigationType type)
{
    if (!mainFrame || type != NavigationTypeOther)
        return false;
    return url.isEmpty() || url == QUrl(QStringLiteral("about:blank"));
}

bool SafeWebPage::acceptNavigationRequest(QWebFrame *frame, const QNetworkRequest &request,
                                          NavigationType type)
{
    const bool isMainFrame = frame && frame == mainFrame();
    return isAllowedNavigation(isMainFrame, request.url(), type);
}

QWebPage *SafeWebPage::createWindow(WebWindowType)
{
    return nullptr;
}

namespace {

void makeInert(QWebSettings *settings)
{
    static const QWebSettings::WebAttribute offAttributes[] = {
        QWebSettings::JavascriptEnabled,
        QWebSettings::JavaEnabled,
        QWebSettings::PluginsEnabled,
        QWebSettings::JavascriptCanOpenWindows,
        QWebSettings::JavascriptCanCloseWindows,
        QWebSettings::JavascriptCanAccessClipboard,
        QWebSettings::DeveloperExtrasEnabled,
        QWebSettings::OfflineStorageDatabaseEnabled,
        QWebSettings::OfflineWebApplicationCacheEnabled,
        QWebSettings::LocalStorageEnabled,
        QWebSettings::LocalContentCanAccessRemoteUrls,
        QWebSettings::LocalContentCanAccessFileUrls,
        QWebSettings::DnsPrefetchEnabled,
        QWebSettings::HyperlinkAuditingEnabled,
        QWebSettings::WebGLEnabled,
        QWebSettings::NotificationsEnabled,
        QWebSettings::WebAudioEnabled,
        QWebSettings::MediaSourceEnabled,
        QWebSettings::MediaEnabled,
        QWebSettings::FullScreenSupportEnabled,
        QWebSettings::AllowRunningInsecureContent,
        QWebSettings::ErrorPageEnabled,
    };
    for (QWebSettings::WebAttribute attribute : offAttributes)
        settings->setAttribute(attribute, false);
    settings->setAttribute(QWebSettings::PrivateBrowsingEnabled, true);
    settings->setAttribute(QWebSettings::WebSecurityEnabled, true);
}

} // namespace

SafeWebView::SafeWebView(QWidget *parent)
    : QWebView(parent)
{
    auto *page = new SafeWebPage(this);
    m_networkManager = new SafeNetworkAccessManager(page);
    page->setNetworkAccessManager(m_networkManager);
    page->setLinkDelegationPolicy(QWebPage::DelegateAllLinks);
    makeInert(page->settings());
    setPage(page);
}

void SafeWebView::setHtml(const QString &html)
{
    QWebView::setHtml(html, QUrl());
}

void SafeWebView::showBlankPage()
{
    setHtml(QString());
}

int SafeWebView::refusedRequestCount() const
{
    return m_networkManager->refusedRequestCount();
}
