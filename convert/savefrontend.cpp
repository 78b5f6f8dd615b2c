#include "convert/savefrontend.h"

#include <QCoreApplication>

namespace savefrontend {

const QString kTitle = QStringLiteral("CorvaneMailConverter");
const QString kDirectoryCaption = QStringLiteral("Open Directory");
const QString kNoTargetText =
    QStringLiteral("\nThe scanned mailbox cannot be converted for Apple Mail or Outlook 2011.");
const QString kOverlapText = QStringLiteral(
    "\nThe converted mailbox cannot be saved inside the selected mailbox, nor around it. "
    "Please choose another location.");

bool TargetButtons::operator==(const TargetButtons &other) const
{
    return appleEnabled == other.appleEnabled && appleChecked == other.appleChecked
        && outlookEnabled == other.outlookEnabled && outlookChecked == other.outlookChecked;
}

TargetButtons targetButtonsFor(unsigned clientIndex, SaveSource source)
{
    TargetButtons buttons;
    switch (clientIndex) {
    case 1:
    case 2:
        buttons.appleEnabled = false;
        buttons.outlookChecked = true;
        break;
    case 3: case 4: case 6: case 7: case 8: case 9: case 10:
        buttons.outlookChecked = true;
        break;
    case 5:
        buttons.appleChecked = true;
        buttons.outlookEnabled = false;
        break;
    default:
        break;
    }
    if (!hasDriver(source, SaveTarget::AppleMail))
        buttons.appleEnabled = buttons.appleChecked = false;
    if (!hasDriver(source, SaveTarget::Outlook))
        buttons.outlookEnabled = buttons.outlookChecked = false;
    return buttons;
}

bool anyTargetOffered(const TargetButtons &buttons)
{
    return buttons.appleEnabled || buttons.outlookEnabled;
}

QString treeName(SaveTarget target)
{
    return target == SaveTarget::Outlook ? QStringLiteral("Main Identity.rge") : QStringLiteral("Main Identity.mbox");
}

QString targetTreePath(const QString &saveDir, SaveTarget target)
{
    return saveDir + QLatin1Char('/') + treeName(target);
}

QString replaceQuestion(SaveTarget target)
{
    return target == SaveTarget::Outlook
        ? QCoreApplication::translate("QMainWindow",
                                      "\nMain Identity.rge already exists at this location. Do you want to replace it?")
        : QCoreApplication::translate("QMainWindow",
                                      "\nMain Identity.mbox already exists at this location. Do you want to replace it?");
}

QString removeFailedText(SaveTarget target)
{
    return QStringLiteral("\n%1 at this location could not be removed. Nothing was saved.").arg(treeName(target));
}

} // namespace savefrontend
