// The scanning thread's own writers. They share the saving thread's file
// frame (appender, Finder codes, skeleton, path safety); only their path
// rules differ. Every call opens, appends and closes its file.

#include "scan/messagesavingthread.h"

#include "app/appglobals.h"
#include "convert/bundleskeleton.h"
#include "convert/mboxappender.h"
#include "platform/finderinfo.h"
#include "scan/scanglobals.h"
#include "scan/scanwriterpaths.h"

#include <QDir>

namespace {

const QByteArray kSeparatorOperaOutlook = QByteArrayLiteral("From ???@??? Fri Dec 19 10:37:38 2014");
const QByteArray kSeparatorApple = QByteArrayLiteral("From - Wed Nov 12 14:38:04 2014");

// An output tree in saveDir; "" when no destination is set.
QString treeInSaveDir(const QLatin1String &treeName)
{
    return saveDir.isEmpty() ? QString() : saveDir + QLatin1Char('/') + treeName;
}

bool appendOnce(const outputpaths::OutputTarget &target, quint32 type, std::initializer_list<QByteArray> parts)
{
    MboxAppender output;
    return output.appendRecord(target, type, platform::kFourCharOPIM, parts) && output.close();
}

} // namespace

void QMessageSavingThread::CreateFilesInMainIdentity(QString path)
{
    bundleskeleton::writeIdentitySkeleton(path);
}

bool QMessageSavingThread::writeMailForPostBoxAppleMail(const QByteArray &text)
{
    const QString root = treeInSaveDir(QLatin1String("Main Identity.mbox"));
    const auto target = scanwriterpaths::mboxTarget(GetAllFilePathInStrList, m_selectedFile, root);
    return appendOnce(target, 0, {text, QByteArrayLiteral("\n")});
}

bool QMessageSavingThread::writeMailForPostBoxOutlook(const QByteArray &text)
{
    const QString bundle = treeInSaveDir(QLatin1String("Main Identity.rge"));
    const auto target = scanwriterpaths::mboxTarget(GetAllFilePathInStrList, m_selectedFile, bundle);
    if (target.isSkip())
        return false;
    QDir().mkpath(bundle + QLatin1String("/Contents"));
    CreateFilesInMainIdentity(bundle);
    return appendOnce(target, platform::kFourCharMBOX, {text, QByteArrayLiteral("\n")});
}

bool QMessageSavingThread::writeMailForOperaMail(const QByteArray &text, const QString &outputRoot,
                                                 const QString &folderPath, const QString &)
{
    const auto target = scanwriterpaths::operaTarget(folderPath, outputRoot);
    return appendOnce(target, platform::kFourCharMBOX,
                      {kSeparatorOperaOutlook, QByteArrayLiteral("\n"), text, QByteArrayLiteral("\n")});
}

bool QMessageSavingThread::writeMailForOperaAppleMail(const QByteArray &text, const QString &folderPath,
                                                      const QString &)
{
    const auto target = scanwriterpaths::operaTarget(folderPath, treeInSaveDir(QLatin1String("Main Identity.mbox")));
    return appendOnce(target, 0, {kSeparatorApple, QByteArrayLiteral("\n"), text, QByteArrayLiteral("\n")});
}
