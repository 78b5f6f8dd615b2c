#pragma once
// The web view that renders message bodies. Message HTML comes from
// strangers, so the view sets itself up inert: no scripts, no plugins, no
// request leaves the process (only data: and about: URLs load) and no link,
// form or redirect is ever followed.

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QString>
#include <QWebPage>
#include <QWebView>

// A reply that fails at once with "access denied" and carries no data.
class RefusedNetworkReply : public QNetworkReply
{
    Q_OBJECT

public:
    RefusedNetworkReply(const QNetworkRequest &request, QNetworkAccessManager::Operation operation,
                        QObject *parent = nullptr);

    // Closes the reply; it has nothing to stop.
    void abort() override;

protected:
    // There is never anything to read.
    qint64 readData(char *data, qint64 maxSize) override;

private slots:
    // Finishes the reply with its error, after the caller has connected to it.
    void fail();
};

// Lets only data: and about: requests through; every other request gets a
// RefusedNetworkReply and is counted.
class SafeNetworkAccessManager : public QNetworkAccessManager
{
    Q_OBJECT

public:
    explicit SafeNetworkAccessManager(QObject *parent = nullptr);

    // True for the schemes that may load (data, about), case-insensitive.
    static bool isAllowedScheme(const QString &scheme);
    // Number of requests refused so far.
    int refusedRequestCount() const { return m_refusedRequests; }

protected:
    // Hands allowed GET requests to the base class and refuses the rest.
    QNetworkReply *createRequest(Operation operation, const QNetworkRequest &request,
                                 QIODevice *outgoingData = nullptr) override;

private:
    int m_refusedRequests = 0;
};

// A page that follows no navigation but the load of its own empty document
// or of HTML the program sets.
class SafeWebPage : public QWebPage
{
    Q_OBJECT

public:
    explicit SafeWebPage(QObject *parent = nullptr);

    // True for the one navigation a page may take: the main frame loading
    // about:blank or the empty URL, which is what setHtml() does.
    static bool isAllowedNavigation(bool mainFrame, const QUrl &url, NavigationType type);

protected:
    // Refuses every navigation but the one isAllowedNavigation() names.
    bool acceptNavigationRequest(QWebFrame *frame, const QNetworkRequest &request,
                                 NavigationType type) override;
    // Opens no window.
    QWebPage *createWindow(WebWindowType type) override;
};

class SafeWebView : public QWebView
{
    Q_OBJECT

public:
    explicit SafeWebView(QWidget *parent = nullptr);

    // Renders html with an empty base URL, so a relative URL resolves to
    // nothing. It hides the two-argument form on purpose: no caller can give
    // message HTML a file or web base.
    void setHtml(const QString &html);
    // Shows an empty page.
    void showBlankPage();

    // Number of requests of the page that the view refused so far.
    int refusedRequestCount() const;

private:
    SafeNetworkAccessManager *m_networkManager = nullptr;
};
