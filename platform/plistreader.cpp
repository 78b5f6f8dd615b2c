#include "platform/plistreader.h"

#include <QFile>
#include <QXmlStreamReader>

namespace platform {

namespace {

// Reads the children of the root <dict>, the reader standing on its start
// tag, and returns the <string> stored under key. A later entry for the same
// key replaces an earlier one, as it would in a dictionary.
QString readRootDictString(QXmlStreamReader &xml, const QString &key)
{
    QString found;
    QString pendingKey;
    bool haveKey = false;
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("key")) {
            pendingKey = xml.readElementText();
            haveKey = true;
            continue;
        }
        // Every other element is a value; nested dicts and arrays are passed
        // over whole so their keys never match at the root level.
        if (haveKey && pendingKey == key) {
            if (xml.name() == QLatin1String("string"))
                found = xml.readElementText();
            else {
                found.clear();
                xml.skipCurrentElement();
            }
        } else {
            xml.skipCurrentElement();
        }
        haveKey = false;
    }
    return found;
}

} // namespace

QString readPlistString(const QString &path, const QString &key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();

    QXmlStreamReader xml(&file);
    if (!xml.readNextStartElement())
        return QString();

    // The root is <plist> holding one <dict>; a bare <dict> is read the same.
    if (xml.name() == QLatin1String("plist")) {
        if (!xml.readNextStartElement())
            return QString();
    }
    if (xml.name() != QLatin1String("dict"))
        return QString();

    const QString value = readRootDictString(xml, key);

    // The rest of the document must be well-formed too: a damaged file reads
    // as a missing one, whatever lies before the damage.
    while (!xml.atEnd())
        xml.readNext();
    if (xml.hasError())
        return QString();
    return value;
}

} // namespace platform
