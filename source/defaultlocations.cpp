#include "source/defaultlocations.h"

namespace defaultlocations {

QString homeDirectoryForUser(const QString &userName)
{
    // Only the exact name "root" lives outside /Users; "Root" is an ordinary account.
    if (userName == QLatin1String("root"))
        return QStringLiteral("/private/var/") + userName;
    return QStringLiteral("/Users/") + userName;
}

QString locationSuffixForClient(int clientIndex)
{
    switch (clientIndex) {
    case AppleMailEmlx:
        return QStringLiteral("/Library/Mail");
    case Thunderbird:
    case Eudora:
        // Eudora's mailboxes are proposed where Thunderbird keeps its own.
        return QStringLiteral("/Library/Thunderbird");
    case Postbox:
        return QStringLiteral("/Library/Application Support/Postbox");
    case SeaMonkey:
        return QStringLiteral("/Library/Application Support/SeaMonkey");
    case MailMate:
        return QStringLiteral("/Library/Application Support/MailMate");
    case OutspringMail:
        return QStringLiteral("/Library/Application Support/Outspring Mail");
    case OperaMail:
        return QStringLiteral("/Library/Application Support/Opera Mail");
    default:
        return QString();
    }
}

QString defaultLocationForClient(int clientIndex, const QString &userName)
{
    const QString suffix = locationSuffixForClient(clientIndex);
    if (suffix.isEmpty())
        return QString();
    return homeDirectoryForUser(userName) + suffix;
}

bool hasMboxDefaultLocation(int clientIndex)
{
    switch (clientIndex) {
    case Thunderbird:
    case Postbox:
    case Eudora:
    case SeaMonkey:
        return true;
    default:
        return false;
    }
}

} // namespace defaultlocations
