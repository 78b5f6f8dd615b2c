#include "dialogs/linklabel.h"

#include "platform/urlopener.h"

#include <QProcess>
#include <QUrl>

namespace linklabel {

QString anchorHtml(const QString &target, const QString &text)
{
    return QLatin1String("<a href=\"") + target + QLatin1String("\">") + text
           + QLatin1String("</a>");
}

LinkLabelContent importHelpLink(const QString &helpFilePath, const QString &text,
                                const QString &linkValue)
{
    LinkLabelContent content;
    content.html = anchorHtml(QLatin1String("file://") + helpFilePath + linkValue, text);
    content.visible = !text.isEmpty();
    return content;
}

LinkLabelContent supportLink(const QString &text, const QString &link)
{
    LinkLabelContent content;
    content.html = anchorHtml(link, text);
    content.visible = !text.isEmpty() && !link.isEmpty();
    return content;
}

QString bundleLinkUrlText(const QString &helpFilePath, const QString &href)
{
    const QString prefix = QLatin1String("file://") + helpFilePath;
    if (helpFilePath.isEmpty() || !href.startsWith(prefix))
        return platform::percentEscapeUrlText(href);
    return QLatin1String("file://") + QString::fromLatin1(QUrl::toPercentEncoding(helpFilePath, "/"))
           + platform::percentEscapeUrlText(href.mid(prefix.size()));
}

bool openInBrowser(const QString &browser, const QString &url)
{
    if (browser.isEmpty())
        return platform::openLinkUrl(url);
    return QProcess::startDetached(browser, {url});
}

} // namespace linklabel
