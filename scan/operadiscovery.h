#pragma once
// Opera Mail sources apart from the thread: the account folder of a message
// file and the account names of "accounts.ini". The folder a message names
// in its "X-Opera-Location:" line comes from scan/operamail.h, which reads
// each message file once for the discovery and the index together.

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

class QIODevice;

namespace operadiscovery {

// The account folder of a message file: the second "/"-piece of the text
// after the last "/store" (of the whole path when it holds none), trimmed;
// empty when there is no second piece.
QString accountFolderName(const QString &path);

// The account names of an "accounts.ini" file, read once per scan.
class AccountList
{
public:
    AccountList() = default;

    // Reads the lines of device (text mode, UTF-8).
    static AccountList read(QIODevice &device);
    // Reads the file at path; nothing when it does not open.
    static std::optional<AccountList> load(const QString &path);

    // The name the user gave the account whose section header is
    // "[" + folder + "]" (letter case ignored): the text after "Account
    // Name=" on the first such line within 101 lines of the header and
    // before the next section; a later section of the same account that
    // gives a name replaces it. Empty when no section gives one.
    QString nameOf(const QString &folder) const;

private:
    struct Section {
        QString header;      // the trimmed header line, lower-cased
        bool named = false;  // a key line ended the search
        QString name;
    };
    QVector<Section> m_sections;
    mutable QHash<QString, QString> m_cache;
};

// The account name a file is filed under: the list's name for its account
// folder, else the account folder name itself.
QString accountNameFor(const AccountList &accounts, const QString &folder);

} // namespace operadiscovery
