#include "scan/scanwriterpaths.h"

#include <QStringList>

namespace scanwriterpaths {

namespace {

QString lastPiece(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace

QString joinedSbdParts(const QString &value)
{
    const QLatin1String sbd(".sbd");
    if (!value.contains(sbd))
        return value;
    QString joined;
    const QStringList parts = value.split(sbd, Qt::SkipEmptyParts);
    for (const QString &part : parts)
        joined += part.trimmed();
    return joined;
}

outputpaths::OutputTarget mboxTarget(const QString &source, const QString &selected, const QString &treeRoot)
{
    const QLatin1String mboxSlash(".mbox/");

    // 1. Mailbox name: the Apple Mail folder "Name.mbox" of a file "mbox".
    const int marker = source.lastIndexOf(mboxSlash);
    const QString name = lastPiece(marker < 0 ? source : source.left(marker));

    // 2. Tail: what follows the last "/ImapMail", or the whole path.
    const QString withSlash = source + QLatin1Char('/');
    const int imap = withSlash.lastIndexOf(QLatin1String("/ImapMail"));
    const QString tail = imap < 0 ? withSlash : withSlash.mid(imap + int(qstrlen("/ImapMail")));

    // 3. Leaf: the last component of the tail.
    const QStringList tailParts = tail.split(QLatin1Char('/'));
    const QString leaf = tailParts.size() >= 2 ? tailParts.at(tailParts.size() - 2) : QString();

    // 4. Stem: below the selected root, or below the IMAP account.
    QString stem;
    if (tail.startsWith(selected)) {
        const QString below = tail.mid(selected.size());
        const int inner = below.lastIndexOf(mboxSlash);
        QString folder = inner < 0 ? below : below.left(inner);
        if (folder == QLatin1String("/mbox/"))
            folder = name;
        stem = folder + QLatin1Char('/') + name;
    } else {
        stem = tail + QLatin1Char('/') + leaf;
    }

    // 5. Subfolder directories joined, then the file in its own directory.
    stem = joinedSbdParts(stem);
    const int slash = stem.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QString() : stem.left(slash);
    return outputpaths::placeInMailTree(treeRoot, folder, lastPiece(stem));
}

outputpaths::OutputTarget operaTarget(const QString &folderPath, const QString &treeRoot)
{
    return outputpaths::placeInMailTree(treeRoot, folderPath, lastPiece(folderPath));
}

} // namespace scanwriterpaths
