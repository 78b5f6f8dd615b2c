#pragma once
// Opening a URL in the user's default application (web browser, PDF viewer,
// mail client). Tests install a recording opener so nothing is started.

#include <QString>
#include <QUrl>

namespace platform {

// Percent-escapes, by UTF-8 bytes, every character a URL may not hold
// (blanks, non-ASCII, controls, and the other characters outside the URL
// character set); characters a URL may hold, "%" included, stay as written.
QString percentEscapeUrlText(const QString &text);

// The URL formed by text exactly as written; an invalid QUrl when the text
// does not form a URL (it is empty, or holds a blank or another character a
// URL may not hold).
QUrl urlFromText(const QString &text);

// Hands URLs to the desktop.
class UrlOpener
{
public:
    virtual ~UrlOpener();
    // Opens url in its default application; false when nothing opened.
    virtual bool openUrl(const QUrl &url);
};

// The opener in force (the desktop's unless a test installed another).
UrlOpener &urlOpener();
// Installs opener (not owned); nullptr restores the desktop's.
void setUrlOpener(UrlOpener *opener);

// Opens a file of the bundle given as a "file://" URL text: escaped first, so
// a path with blanks or non-ASCII letters still forms a URL.
bool openBundleFileUrl(const QString &urlText);
// Opens a link given as URL text, unescaped; a text that does not form a URL
// opens nothing.
bool openLinkUrl(const QString &urlText);

} // namespace platform
