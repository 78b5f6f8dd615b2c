// The message writers of the saving thread: each finds the output mbox file
// of a message by its path rule and appends one record through the writers'
// one appender.

#include "convert/mailsaving.h"

#include "app/appglobals.h"
#include "convert/bundleskeleton.h"
#include "convert/convertglobals.h"
#include "convert/mboxappender.h"
#include "convert/outputpaths.h"
#include "platform/finderinfo.h"
#include "scan/foldermodel.h"
#include "scan/scanglobals.h"

#include <QDir>
#include <QLoggingCategory>

using outputpaths::OutputTarget;

namespace {

// One debug line per saved file: off unless QT_LOGGING_RULES turns on
// "converter.save.files.debug", so a large save does not flood the terminal.
Q_LOGGING_CATEGORY(lcSavedFiles, "converter.save.files", QtInfoMsg)

// Separator lines, fixed for every message whatever its own date.
const QByteArray kSeparatorEmlx = QByteArrayLiteral("From - &&&&&@@@####");
const QByteArray kSeparatorOutlook = QByteArrayLiteral("From ???@???");
const QByteArray kSeparatorApple = QByteArrayLiteral("From - Wed Nov 12 14:38:04 2014");
const QByteArray kSeparatorOperaOutlook = QByteArrayLiteral("From ???@??? Fri Dec 19 10:37:38 2014");

// Finder type of a new file: the bundle's files are typed, the Apple tree's not.
constexpr quint32 kBundleType = platform::kFourCharMBOX;
constexpr quint32 kAppleType = 0;

// The output trees in saveDir; "" (nothing is written) while no
// destination is set, so no tree is ever made at the file-system root.
QString appleTreeRoot()
{
    return saveDir.isEmpty() ? QString() : saveDir + QLatin1String("/Main Identity.mbox");
}

QString bundleTreeRoot()
{
    return saveDir.isEmpty() ? QString() : saveDir + QLatin1String("/Main Identity.rge");
}

} // namespace

void QMailSaving::CreateFilesInMainIdentity(QString path)
{
    bundleskeleton::writeIdentitySkeleton(path);
}

void QMailSaving::resetWriters()
{
    m_writerOutput.reset();
    m_skeletonWrittenFor.clear();
    m_mboxOutputSources.clear();
}

bool QMailSaving::closeWriterOutput()
{
    return m_writerOutput.close();
}

void QMailSaving::discardUnfinishedPieces()
{
    m_writerOutput.discardUnfinishedPieces();
}

// One record: separator line, line feed, text, and the line feeds that let
// the next separator follow an empty line.
static bool appendMessage(MboxAppender &output, qint32 &status, const OutputTarget &target, quint32 type,
                          const QByteArray &separator, const QByteArray &text, bool incomplete = false)
{
    const bool written = output.appendRecord(target, type, platform::kFourCharOPIM,
                                             {separator, QByteArrayLiteral("\n"), text, mboxrecord::recordEnd(text)},
                                             1, incomplete ? 1 : 0);
    status = output.finderStatus();
    if (written)
        FileSavingIdentification = true;
    return written;
}

bool QMailSaving::writeMail(const QByteArray &text, const QString &bundlePath, const QString &sourcePath,
                            bool incomplete)
{
    if (!foldermodel::isTreePathRegistered(sourcePath))
        return false;
    const OutputTarget target = outputpaths::emlxBundleTarget(sourcePath, m_selectedFile, bundlePath);
    return appendMessage(m_writerOutput, nOSErr, target, kBundleType, kSeparatorEmlx, text, incomplete);
}

bool QMailSaving::writeMailForMailMateAppleMail(const QByteArray &text, const QString &sourcePath)
{
    if (!foldermodel::isTreePathRegistered(sourcePath))
        return false;
    const OutputTarget target = outputpaths::mailMateTarget(sourcePath, m_selectedFile, appleTreeRoot());
    return appendMessage(m_writerOutput, nOSErr, target, kAppleType, kSeparatorApple,
                         mboxrecord::quotedFromLines(text));
}

bool QMailSaving::writeMailForMailMate(const QByteArray &text, const QString &bundlePath, const QString &sourcePath)
{
    if (!foldermodel::isTreePathRegistered(sourcePath))
        return false;
    const OutputTarget target = outputpaths::mailMateTarget(sourcePath, m_selectedFile, bundlePath);
    return appendMessage(m_writerOutput, nOSErr, target, kBundleType, kSeparatorOutlook,
                         mboxrecord::quotedFromLines(text));
}

bool QMailSaving::writeMailForOutSpring(const QByteArray &text, const QString &bundlePath, const QString &sourcePath)
{
    if (!foldermodel::isTreePathRegistered(sourcePath))
        return false;
    const OutputTarget target = outputpaths::outspringTarget(sourcePath, m_selectedFile, bundlePath);
    return appendMessage(m_writerOutput, nOSErr, target, kBundleType, kSeparatorOutlook, text);
}

bool QMailSaving::writeMailForOutSpringAppleMail(const QByteArray &text, const QString &sourcePath)
{
    if (!foldermodel::isTreePathRegistered(sourcePath))
        return false;
    const OutputTarget target = outputpaths::outspringTarget(sourcePath, m_selectedFile, appleTreeRoot());
    return appendMessage(m_writerOutput, nOSErr, target, kAppleType, kSeparatorApple, text);
}

bool QMailSaving::writeMailForOperaMailOutlook(const QByteArray &text, const QString &bundlePath,
                                               const QString &folderPath, const QString &sourcePath)
{
    if (!foldermodel::isTreePathRegistered(sourcePath))
        return false;
    const OutputTarget target = outputpaths::operaTarget(folderPath, bundlePath);
    // "From : " first, so a line beginning "From : " is quoted once.
    const QByteArray quoted = mboxrecord::quotedFromLines(mboxrecord::quotedFromColon(text));
    return appendMessage(m_writerOutput, nOSErr, target, kBundleType, kSeparatorOperaOutlook, quoted);
}

bool QMailSaving::writeMailForOperaAppleMail(const QByteArray &text, const QString &folderPath,
                                             const QString &sourcePath)
{
    if (!foldermodel::isTreePathRegistered(sourcePath))
        return false;
    const OutputTarget target = outputpaths::operaTarget(folderPath, appleTreeRoot());
    return appendMessage(m_writerOutput, nOSErr, target, kAppleType, kSeparatorApple,
                         mboxrecord::quotedFromLines(text));
}

OutputTarget QMailSaving::placeOfMboxSource(const OutputTarget &byRule, const QString &source,
                                           const QString &treeRoot) const
{
    OutputTarget target = byRule;
    for (int attempt = 1; !target.isSkip(); ++attempt) {
        const auto owner = m_mboxOutputSources.constFind(target.file.toCaseFolded());
        if (owner == m_mboxOutputSources.constEnd() || *owner == source)
            break;
        target = outputpaths::keptApartPlace(byRule, source, m_selectedFile, treeRoot, attempt);
    }
    return target;
}

bool QMailSaving::appendMboxPiece(const OutputTarget &target, quint32 type, const QString &source,
                                  const QByteArray &text, bool endOfFile, qint64 messages, bool incomplete)
{
    const bool written = m_writerOutput.appendPiece(target, type, platform::kFourCharOPIM, text, endOfFile, source,
                                                    messages, incomplete ? 1 : 0);
    nOSErr = m_writerOutput.finderStatus();
    // A source whose writes all failed left nothing behind, so its place
    // stays free for the next one.
    if (written) {
        m_mboxOutputSources.insert(target.file.toCaseFolded(), source);
        FileSavingIdentification = true;
    }
    return written;
}

bool QMailSaving::writeMailForPostBoxAppleMail(const QByteArray &text, bool endOfFile, qint64 messages,
                                               bool incomplete)
{
    const QString source = GetAllFilePathInStrList;
    if (!foldermodel::isTreePathRegistered(source))
        return false;
    qCDebug(lcSavedFiles).noquote() << QLatin1String("tmpEmlFileName - ") + source;

    const QString root = appleTreeRoot();
    const OutputTarget target = placeOfMboxSource(outputpaths::mboxAppleTarget(source, root), source, root);
    return appendMboxPiece(target, kAppleType, source, text, endOfFile, messages, incomplete);
}

bool QMailSaving::writeMailForPostBoxOutlook(const QByteArray &text, bool endOfFile, qint64 messages,
                                             bool incomplete)
{
    const QString source = GetAllFilePathInStrList;
    if (!foldermodel::isTreePathRegistered(source))
        return false;
    const QString bundle = bundleTreeRoot();
    const OutputTarget target =
        placeOfMboxSource(outputpaths::mboxBundleTarget(source, m_selectedFile, bundle), source, bundle);
    if (target.isSkip())
        return false;
    const bool written = appendMboxPiece(target, kBundleType, source, text, endOfFile, messages, incomplete);
    if (written && m_skeletonWrittenFor != bundle) {
        QDir().mkpath(bundle + QLatin1String("/Contents"));
        CreateFilesInMainIdentity(bundle);
        m_skeletonWrittenFor = bundle;
    }
    return written;
}
