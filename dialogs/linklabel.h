#pragma once
// Link labels of the dialogs: the rich text that makes a label a link, and
// the shown or hidden state that goes with it.

#include <QString>

namespace linklabel {

// What a link label shows and whether it is shown at all.
struct LinkLabelContent {
    QString html;
    bool visible = false;

    bool operator==(const LinkLabelContent &other) const
    {
        return html == other.html && visible == other.visible;
    }
};

// "<a href=\"" + target + "\">" + text + "</a>"; both values are inserted as
// they stand, so markup in them keeps its meaning.
QString anchorHtml(const QString &target, const QString &text);

// An import-help link of the save-completed dialog: target "file://" +
// resources path + the link value; shown when the link text is not empty.
LinkLabelContent importHelpLink(const QString &helpFilePath, const QString &text,
                                const QString &linkValue);

// The support link of the About dialog: shown when both text and link hold
// something.
LinkLabelContent supportLink(const QString &text, const QString &link);

// URL text of a link that points into the bundle: when href begins with
// "file://" + the resources path, that path is percent-encoded as a path
// (blanks, "#", "?", "%" and letters outside ASCII included); the rest of
// href, the link value with its fragment, keeps its URL meaning and only
// characters a URL may not hold are escaped.
QString bundleLinkUrlText(const QString &helpFilePath, const QString &href);

// Opens url in the named browser application, started directly with the URL
// as its one argument; with no browser named, in the desktop's default
// application. False when nothing could be started.
bool openInBrowser(const QString &browser, const QString &url);

} // namespace linklabel
