#include "platform/urlopener.h"

#include <QByteArray>
#include <QDesktopServices>

namespace platform {

namespace {

// Characters a URL may hold as written: the unreserved set, the general and
// sub-delimiters, and "%" so that text already escaped is not escaped twice.
bool isUrlCharacter(char16_t c)
{
    if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'))
        return true;
    switch (c) {
    case u'-': case u'.': case u'_': case u'~':
    case u':': case u'/': case u'?': case u'#': case u'[': case u']': case u'@':
    case u'!': case u'$': case u'&': case u'\'': case u'(': case u')':
    case u'*': case u'+': case u',': case u';': case u'=':
    case u'%':
        return true;
    default:
        return false;
    }
}

UrlOpener *installedOpener = nullptr;

} // namespace

QString percentEscapeUrlText(const QString &text)
{
    static const char hexDigits[] = "0123456789ABCDEF";
    const QByteArray utf8 = text.toUtf8();
    QString escaped;
    escaped.reserve(utf8.size());
    for (const char byte : utf8) {
        const auto b = static_cast<unsigned char>(byte);
        if (b < 0x80 && isUrlCharacter(char16_t(b))) {
            escaped.append(QLatin1Char(byte));
        } else {
            escaped.append(QLatin1Char('%'));
            escaped.append(QLatin1Char(hexDigits[b >> 4]));
            escaped.append(QLatin1Char(hexDigits[b & 0x0F]));
        }
    }
    return escaped;
}

QUrl urlFromText(const QString &text)
{
    if (text.isEmpty())
        return QUrl();
    for (const QChar c : text) {
        if (!isUrlCharacter(c.unicode()))
            return QUrl();
    }
    return QUrl(text, QUrl::StrictMode);
}

UrlOpener::~UrlOpener() = default;

bool UrlOpener::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

UrlOpener &urlOpener()
{
    static UrlOpener desktopOpener;
    return installedOpener ? *installedOpener : desktopOpener;
}

void setUrlOpener(UrlOpener *opener)
{
    installedOpener = opener;
}

bool openBundleFileUrl(const QString &urlText)
{
    const QUrl url = urlFromText(percentEscapeUrlText(urlText));
    if (!url.isValid())
        return false;
    return urlOpener().openUrl(url);
}

bool openLinkUrl(const QString &urlText)
{
    const QUrl url = urlFromText(urlText);
    if (!url.isValid())
        return false;
    return urlOpener().openUrl(url);
}

} // namespace platform
