// The preview's web view must stay inert whatever a message holds: no
// script runs, nothing is fetched from the network or the file system, and
// no link, form or redirect is followed.

#include "app/safewebview.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QWebElement>
#include <QWebFrame>
#include <QWebSettings>
#include <QtTest>

namespace {

// Runs the event loop for the given time, so that a load the page started
// gets every chance to reach the network.
void processEventsFor(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool loadHtml(QWebView &view, const QString &html)
{
    QSignalSpy finished(&view, &QWebView::loadFinished);
    if (auto *safe = qobject_cast<SafeWebView *>(&view))
        safe->setHtml(html);
    else
        view.setHtml(html);
    return !finished.isEmpty() || finished.wait(5000);
}

QByteArray pngBytes(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

class TestWebView : public QObject
{
    Q_OBJECT

private slots:
    void settingsAreInert_data();
    void settingsAreInert();
    void allowedSchemes_data();
    void allowedSchemes();
    void navigationRule_data();
    void navigationRule();
    void scriptDoesNotRun();
    void remoteContentMakesNoConnection_data();
    void remoteContentMakesNoConnection();
    void localServerIsReachableWithoutTheSafeView();
    void fileImageIsNotLoaded();
    void dataImageIsLoaded();
    void linkAndFormAreNotFollowed_data();
    void linkAndFormAreNotFollowed();
    void blankPageIsEmpty();
};

void TestWebView::settingsAreInert_data()
{
    QTest::addColumn<int>("attribute");
    QTest::addColumn<bool>("expected");
    QTest::newRow("javascript-off") << int(QWebSettings::JavascriptEnabled) << false;
    QTest::newRow("plugins-off") << int(QWebSettings::PluginsEnabled) << false;
    QTest::newRow("java-off") << int(QWebSettings::JavaEnabled) << false;
    QTest::newRow("local-content-no-remote") << int(QWebSettings::LocalContentCanAccessRemoteUrls) << false;
    QTest::newRow("local-content-no-files") << int(QWebSettings::LocalContentCanAccessFileUrls) << false;
    QTest::newRow("dns-prefetch-off") << int(QWebSettings::DnsPrefetchEnabled) << false;
    QTest::newRow("private-browsing-on") << int(QWebSettings::PrivateBrowsingEnabled) << true;
    QTest::newRow("hyperlink-auditing-off") << int(QWebSettings::HyperlinkAuditingEnabled) << false;
    QTest::newRow("media-off") << int(QWebSettings::MediaEnabled) << false;
    QTest::newRow("local-storage-off") << int(QWebSettings::LocalStorageEnabled) << false;
}

void TestWebView::settingsAreInert()
{
    QFETCH(int, attribute);
    QFETCH(bool, expected);
    SafeWebView view;
    QCOMPARE(view.page()->settings()->testAttribute(QWebSettings::WebAttribute(attribute)), expected);
    QCOMPARE(view.page()->linkDelegationPolicy(), QWebPage::DelegateAllLinks);
    QVERIFY(qobject_cast<SafeNetworkAccessManager *>(view.page()->networkAccessManager()));
}

void TestWebView::allowedSchemes_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("data") << QStringLiteral("data") << true;
    QTest::newRow("data-upper-case") << QStringLiteral("DATA") << true;
    QTest::newRow("about") << QStringLiteral("about") << true;
    QTest::newRow("http") << QStringLiteral("http") << false;
    QTest::newRow("https") << QStringLiteral("https") << false;
    QTest::newRow("file") << QStringLiteral("file") << false;
    QTest::newRow("qrc") << QStringLiteral("qrc") << false;
    QTest::newRow("ftp") << QStringLiteral("ftp") << false;
    QTest::newRow("empty") << QString() << false;
}

void TestWebView::allowedSchemes()
{
    QFETCH(QString, scheme);
    QFETCH(bool, allowed);
    QCOMPARE(SafeNetworkAccessManager::isAllowedScheme(scheme), allowed);
}

void TestWebView::navigationRule_data()
{
    QTest::addColumn<bool>("mainFrame");
    QTest::addColumn<QUrl>("url");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("allowed");
    const int other = QWebPage::NavigationTypeOther;
    QTest::newRow("set-html-empty-url") << true << QUrl() << other << true;
    QTest::newRow("set-html-about-blank") << true << QUrl(QStringLiteral("about:blank")) << other << true;
    QTest::newRow("redirect-to-web") << true << QUrl(QStringLiteral("http://example.invalid/")) << other << false;
    QTest::newRow("redirect-to-data")
        << true << QUrl(QStringLiteral("data:text/html,<b>x</b>")) << other << false;
    QTest::newRow("redirect-to-file") << true << QUrl(QStringLiteral("file:///etc/passwd")) << other << false;
    QTest::newRow("link-click") << true << QUrl(QStringLiteral("http://example.invalid/"))
                                << int(QWebPage::NavigationTypeLinkClicked) << false;
    QTest::newRow("link-to-about-blank") << true << QUrl(QStringLiteral("about:blank"))
                                         << int(QWebPage::NavigationTypeLinkClicked) << false;
    QTest::newRow("form-submit") << true << QUrl(QStringLiteral("http://example.invalid/"))
                                 << int(QWebPage::NavigationTypeFormSubmitted) << false;
    QTest::newRow("reload") << true << QUrl() << int(QWebPage::NavigationTypeReload) << false;
    QTest::newRow("sub-frame-about-blank") << false << QUrl(QStringLiteral("about:blank")) << other << false;
}

void TestWebView::navigationRule()
{
    QFETCH(bool, mainFrame);
    QFETCH(QUrl, url);
    QFETCH(int, type);
    QFETCH(bool, allowed);
    QCOMPARE(SafeWebPage::isAllowedNavigation(mainFrame, url, QWebPage::NavigationType(type)), allowed);
}

void TestWebView::scriptDoesNotRun()
{
    SafeWebView view;
    QVERIFY(loadHtml(view, QStringLiteral("<html><head><title>safe</title></head><body>"
                                          "<script>document.title='ran'</script>"
                                          "<p onclick=\"document.title='clicked'\">text</p>"
                                          "</body></html>")));
    processEventsFor(200);
    QCOMPARE(view.title(), QStringLiteral("safe"));
    QVERIFY(view.page()->mainFrame()->toPlainText().contains(QLatin1String("text")));
}

void TestWebView::remoteContentMakesNoConnection_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<bool>("reachesNetworkManager");
    QTest::newRow("image") << QStringLiteral("<img src=\"%1/x.png\">") << true;
    QTest::newRow("stylesheet") << QStringLiteral("<link rel=\"stylesheet\" href=\"%1/s.css\"><p>x</p>") << true;
    QTest::newRow("iframe") << QStringLiteral("<iframe src=\"%1/frame.html\"></iframe>") << false;
    QTest::newRow("background-attribute") << QStringLiteral("<body background=\"%1/bg.png\">x</body>") << true;
    QTest::newRow("css-background")
        << QStringLiteral("<div style=\"background-image:url('%1/bg.png');width:50px;height:50px\"></div>")
        << true;
    QTest::newRow("script-source") << QStringLiteral("<script src=\"%1/s.js\"></script><p>x</p>") << false;
    QTest::newRow("meta-refresh")
        << QStringLiteral("<meta http-equiv=\"refresh\" content=\"0;url=%1/next\"><p>x</p>") << false;
    QTest::newRow("all-together")
        << QStringLiteral("<link rel=\"stylesheet\" href=\"%1/s.css\"><img src=\"%1/x.png\">"
                          "<iframe src=\"%1/f.html\"></iframe>")
        << true;
}

void TestWebView::remoteContentMakesNoConnection()
{
    QFETCH(QString, html);
    QFETCH(bool, reachesNetworkManager);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort());

    SafeWebView view;
    view.resize(400, 300);
    view.show();
    QVERIFY(loadHtml(view, html.arg(base)));
    processEventsFor(1000);

    QVERIFY2(!server.hasPendingConnections(), "the view connected to the server");
    if (reachesNetworkManager)
        QVERIFY(view.refusedRequestCount() > 0);
}

void TestWebView::localServerIsReachableWithoutTheSafeView()
{
    // Shows that the server above would notice a connection: an ordinary
    // view, with none of the safe settings, does connect.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    QWebView plain;
    plain.setHtml(QStringLiteral("<img src=\"http://127.0.0.1:%1/x.png\">").arg(server.serverPort()));
    QElapsedTimer timer;
    timer.start();
    while (!server.hasPendingConnections() && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QVERIFY(server.hasPendingConnections());
}

void TestWebView::fileImageIsNotLoaded()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("big.png"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(pngBytes(200, 100));
    file.close();

    SafeWebView view;
    view.resize(600, 400);
    view.show();
    QVERIFY(loadHtml(view, QStringLiteral("<img id=\"picture\" src=\"%1\">")
                               .arg(QUrl::fromLocalFile(path).toString())));
    processEventsFor(500);
    const QWebElement image = view.page()->mainFrame()->findFirstElement(QStringLiteral("#picture"));
    QVERIFY(!image.isNull());
    QVERIFY(image.geometry().size() != QSize(200, 100));
    QVERIFY(view.refusedRequestCount() > 0);
}

void TestWebView::dataImageIsLoaded()
{
    // The same picture as a data: URL does load, so the check above can fail.
    SafeWebView view;
    view.resize(600, 400);
    view.show();
    const QString dataUrl = QStringLiteral("data:image/png;base64,")
        + QString::fromLatin1(pngBytes(200, 100).toBase64());
    QVERIFY(loadHtml(view, QStringLiteral("<img id=\"picture\" src=\"%1\">").arg(dataUrl)));
    QTRY_COMPARE(view.page()->mainFrame()->findFirstElement(QStringLiteral("#picture")).geometry().size(),
                 QSize(200, 100));
    QCOMPARE(view.refusedRequestCount(), 0);
}

void TestWebView::linkAndFormAreNotFollowed_data()
{
    QTest::addColumn<QString>("html");
    QTest::newRow("link") << QStringLiteral(
        "<a id=\"target\" href=\"%1/page\" style=\"display:block;width:300px;height:100px\">link</a>");
    QTest::newRow("form-submit") << QStringLiteral(
        "<form action=\"%1/form\" method=\"get\"><input id=\"target\" type=\"submit\" value=\"Go\" "
        "style=\"width:300px;height:100px\"></form>");
    QTest::newRow("image-map") << QStringLiteral(
        "<img id=\"target\" usemap=\"#m\" width=\"300\" height=\"100\" src=\"data:image/gif;base64,"
        "R0lGODlhAQABAAAAACw=\"><map name=\"m\"><area shape=\"rect\" coords=\"0,0,300,100\" "
        "href=\"%1/area\"></map>");
}

void TestWebView::linkAndFormAreNotFollowed()
{
    QFETCH(QString, html);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort());

    SafeWebView view;
    view.resize(600, 400);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QVERIFY(loadHtml(view, html.arg(base)));
    const QWebElement target = view.page()->mainFrame()->findFirstElement(QStringLiteral("#target"));
    QVERIFY(!target.isNull());
    const QUrl before = view.page()->mainFrame()->url();

    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, target.geometry().center());
    processEventsFor(1000);

    QVERIFY2(!server.hasPendingConnections(), "the view connected to the server");
    QCOMPARE(view.page()->mainFrame()->url(), before);
    QVERIFY(!view.page()->mainFrame()->findFirstElement(QStringLiteral("#target")).isNull());
}

void TestWebView::blankPageIsEmpty()
{
    SafeWebView view;
    QVERIFY(loadHtml(view, QStringLiteral("<p>old message</p>")));
    QVERIFY(view.page()->mainFrame()->toPlainText().contains(QLatin1String("old message")));
    QSignalSpy finished(&view, &QWebView::loadFinished);
    view.showBlankPage();
    QVERIFY(!finished.isEmpty() || finished.wait(5000));
    QCOMPARE(view.page()->mainFrame()->toPlainText(), QString());
}

QTEST_MAIN(TestWebView)
#include "tst_webview.moc"
