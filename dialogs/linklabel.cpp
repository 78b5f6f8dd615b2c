#include "dialogs/linklabel.h"

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

} // namespace linklabel
