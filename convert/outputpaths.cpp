#include "convert/outputpaths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QStringList>

namespace outputpaths {

namespace {

const QLatin1String kMbox(".mbox");
const QLatin1String kMboxSlash(".mbox/");

// The text after the last "/" (all of it when it holds none).
QString lastPiece(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// path before the last occurrence of marker; "" when marker is absent.
QString beforeLast(const QString &path, const QString &marker)
{
    const int at = path.lastIndexOf(marker);
    return at < 0 ? QString() : path.left(at);
}

QString removedAll(QString text, const QString &what)
{
    return text.remove(what);
}

// The part of a mbox-family source path below its mail store: after the last
// "/Mail/", else after the last "/ImapMail/"; false when neither is there.
bool mailStoreRelative(const QString &source, QString *relative)
{
    static const QString markers[] = {QStringLiteral("/Mail/"), QStringLiteral("/ImapMail/")};
    for (const QString &marker : markers) {
        const int at = source.lastIndexOf(marker);
        if (at >= 0) {
            *relative = source.mid(at + marker.size());
            return true;
        }
    }
    return false;
}

// text with prefix cut from its front; false when it does not begin so.
bool cutPrefix(const QString &text, const QString &prefix, QString *rest)
{
    if (!text.startsWith(prefix))
        return false;
    *rest = text.mid(prefix.size());
    return true;
}

} // namespace

QDebug operator<<(QDebug debug, const OutputTarget &target)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "OutputTarget(" << target.folder << ", " << target.file << ')';
    return debug;
}

QString fittedName(const QString &name, const QString &ending)
{
    const QByteArray whole = QFile::encodeName(name);
    const QByteArray end = QFile::encodeName(ending);
    if (whole.size() + end.size() <= kMaxNameBytes)
        return name + ending;

    const QByteArray mark =
        '~' + QCryptographicHash::hash(whole, QCryptographicHash::Sha1).toHex().left(8);
    int cut = qMax(0, kMaxNameBytes - end.size() - mark.size());
    // Back to the first byte of a character: never leave half of one.
    while (cut > 0 && (uchar(whole.at(cut)) & 0xC0) == 0x80)
        --cut;
    return QFile::decodeName(whole.left(cut) + mark + end);
}

QString neutralisedPiece(const QString &piece)
{
    if (piece == QLatin1String(".."))
        return QStringLiteral("%2E%2E");
    QString safe = piece;
    safe.replace(QChar(0), QLatin1Char('_'));
    return safe;
}

OutputTarget placeInMailTree(const QString &treeRoot, const QString &relFolder, const QString &name)
{
    if (treeRoot.isEmpty())
        return {};
    const QString mailRoot = treeRoot + QLatin1String("/Mail");
    QString folder = mailRoot;
    const QStringList pieces = relFolder.split(QLatin1Char('/'));
    for (const QString &piece : pieces) {
        if (piece.isEmpty() || piece == QLatin1String("."))
            continue;
        folder += QLatin1Char('/') + fittedName(neutralisedPiece(piece), QString());
    }
    QString fileName = neutralisedPiece(name);
    if (fileName.isEmpty())
        fileName = lastPiece(folder);
    const QString file = folder + QLatin1Char('/') + fittedName(fileName, kMbox);

    const QString cleanRoot = QDir::cleanPath(mailRoot) + QLatin1Char('/');
    if (!QDir::cleanPath(file).startsWith(cleanRoot))
        return {};
    return {folder, file};
}

OutputTarget keptApartPlace(const OutputTarget &taken, const QString &source, const QString &selected,
                            const QString &treeRoot, int attempt)
{
    if (taken.isSkip())
        return {};
    const QString base = selected.endsWith(QLatin1Char('/')) ? selected : selected + QLatin1Char('/');
    QString below;
    if (!cutPrefix(source, base, &below))
        below = source;
    const int slash = below.lastIndexOf(QLatin1Char('/'));
    const QString directory = slash < 0 ? QString() : below.left(slash);
    QString stem = lastPiece(taken.file);
    stem.chop(kMbox.size());
    const QString name = attempt > 1 ? stem + QLatin1Char('~') + QString::number(attempt) : stem;
    return placeInMailTree(treeRoot, directory + QLatin1Char('/') + stem, name);
}

OutputTarget fallbackPlace(const QString &treeRoot, const QString &name)
{
    return placeInMailTree(treeRoot, name, name);
}

OutputTarget emlxBundleTarget(const QString &source, const QString &selected, const QString &treeRoot)
{
    QString mailbox = beforeLast(source, QStringLiteral(".imapmbox/"));
    if (mailbox.isEmpty())
        mailbox = beforeLast(source, kMboxSlash);
    const QString name = lastPiece(mailbox);

    // The selection lies at or inside the mailbox.
    if (selected.startsWith(mailbox))
        return placeInMailTree(treeRoot, removedAll(name, kMbox), name);

    // The selection lies above the mailbox.
    QString between;
    if (cutPrefix(mailbox + QLatin1Char('/'), selected, &between)) {
        between.remove(kMbox);
        between.remove(QStringLiteral(".imapmbox"));
        return placeInMailTree(treeRoot, between, name);
    }
    return fallbackPlace(treeRoot, name);
}

OutputTarget mailMateTarget(const QString &source, const QString &selected, const QString &treeRoot)
{
    const QLatin1String mailboxSuffix(".mailbox");
    QString prefix = beforeLast(source, QStringLiteral(".mailbox/"));
    if (prefix.isEmpty())
        prefix = beforeLast(source, kMboxSlash);
    const QString name = lastPiece(prefix);
    const QString folderName = removedAll(name, kMbox);

    // The selection is the mailbox folder, lies inside it, or the message
    // lies in no mailbox folder.
    QString inside;
    if (cutPrefix(selected, prefix, &inside)) {
        inside.remove(kMbox);
        inside.remove(mailboxSuffix);
        return placeInMailTree(treeRoot, inside + QLatin1Char('/') + folderName, name);
    }

    // The mailbox lies below the selection. MailMate keeps its mailboxes
    // below "Messages/<account or Local>/"; those two levels are dropped.
    QString below;
    if (cutPrefix(prefix + QLatin1Char('/'), selected, &below)) {
        below.remove(kMbox);
        if (below.startsWith(QLatin1String("/Messages/"))) {
            const int afterAccount = below.indexOf(QLatin1Char('/'), int(qstrlen("/Messages/")));
            below = afterAccount < 0 ? QString() : below.mid(afterAccount + 1);
        }
        below.remove(mailboxSuffix);
        return placeInMailTree(treeRoot, below, name);
    }
    return fallbackPlace(treeRoot, name);
}

OutputTarget outspringTarget(const QString &source, const QString &selected, const QString &treeRoot)
{
    const int slash = source.lastIndexOf(QLatin1Char('/'));
    const QString directory = slash < 0 ? QString() : source.left(slash);
    const QString name = lastPiece(directory);

    QString relative;
    if (directory == selected) {
        relative = QLatin1Char('/') + name + QLatin1Char('/');
    } else {
        const QString base = selected.endsWith(QLatin1Char('/')) ? selected : selected + QLatin1Char('/');
        if (!cutPrefix(directory + QLatin1Char('/'), base, &relative))
            return fallbackPlace(treeRoot, name);
    }
    relative.remove(kMbox);
    return placeInMailTree(treeRoot, relative, name);
}

OutputTarget operaTarget(const QString &folderPath, const QString &treeRoot)
{
    if (folderPath.isEmpty())
        return {};
    return placeInMailTree(treeRoot, folderPath, lastPiece(folderPath));
}

OutputTarget mboxAppleTarget(const QString &source, const QString &treeRoot)
{
    QString relative;
    if (!mailStoreRelative(source, &relative))
        return fallbackPlace(treeRoot, lastPiece(source));
    // The source file's own name is both the innermost folder and the file.
    return placeInMailTree(treeRoot, relative, lastPiece(relative));
}

OutputTarget mboxBundleTarget(const QString &source, const QString &selected, const QString &treeRoot)
{
    // An Apple Mail mailbox folder "Name.mbox" holding the file "mbox".
    if (source.endsWith(QLatin1String("/mbox"))) {
        const int marker = source.lastIndexOf(kMboxSlash);
        const QString name = lastPiece(marker < 0 ? source : source.left(marker));
        QString below;
        if (!cutPrefix(source + QLatin1Char('/'), selected, &below))
            return fallbackPlace(treeRoot, name);
        const int inner = below.lastIndexOf(kMboxSlash);
        QString folder = inner < 0 ? below : below.left(inner);
        if (folder == QLatin1String("/mbox/"))
            folder = name;
        return placeInMailTree(treeRoot, folder, removedAll(name, kMbox));
    }

    QString relative;
    if (!mailStoreRelative(source, &relative))
        return fallbackPlace(treeRoot, lastPiece(source));
    const QString name = lastPiece(relative);
    QString folder = relative;
    if (relative.contains(kMbox)) {
        const int slash = relative.lastIndexOf(QLatin1Char('/'));
        if (slash >= 0)
            folder = relative.left(slash);
    }
    return placeInMailTree(treeRoot, folder, removedAll(name, kMbox));
}

} // namespace outputpaths
