#pragma once
// Where each mail client of the source-selection window usually keeps its
// data, below the home directory of the user at the console. Pure functions
// of the client index and the user name; nothing here looks at the disk.

#include <QString>

namespace defaultlocations {

// Client indices of the source-selection window's combo box, in entry order.
enum ClientIndex {
    NoClient = 0,
    AppleMailMbox = 1,
    AppleMailEmlx = 2,
    Thunderbird = 3,
    Postbox = 4,
    Outlook2011Backup = 5,
    Eudora = 6,
    SeaMonkey = 7,
    MailMate = 8,
    OutspringMail = 9,
    OperaMail = 10,
};

// Home directory of userName: "/private/var/root" for exactly "root", else "/Users/" + userName.
QString homeDirectoryForUser(const QString &userName);

// Path suffix after the home directory for clientIndex; "" for 0, 1, 5 and out-of-range indices.
QString locationSuffixForClient(int clientIndex);

// Proposed source directory of clientIndex for userName; "" when the client has none.
QString defaultLocationForClient(int clientIndex, const QString &userName);

// True for the mbox-family entries that have a default location (3, 4, 6, 7).
bool hasMboxDefaultLocation(int clientIndex);

} // namespace defaultlocations
