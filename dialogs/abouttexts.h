#pragma once
// Texts of the About dialog that come from the running system or the bundle.

#include <QString>

namespace abouttexts {

// What the dialog shows about the computer.
struct SystemInfo {
    QString hostName;        // "" when none could be found
    QString systemName;      // the "Operating System" value, may be ""
    QString systemVersion;   // the "Version" value, may be ""
};

// Name on the "Operating System" row: "MAC OS X" for a Mac system of
// version 10 or later, nothing for an earlier one, otherwise the system's
// own pretty name. Arguments as QSysInfo reports them.
QString operatingSystemName(const QString &productType, const QString &productVersion,
                            const QString &prettyProductName);
// The "Version" value: the product version, "" when the system does not know it.
QString operatingSystemVersion(const QString &productVersion);
// Host name, system name and version of the computer the program runs on.
SystemInfo currentSystemInfo();

// URL text of the end-user agreement: "file://" + resources path + "/Eula.pdf".
QString licenseUrlText(const QString &helpFilePath);

} // namespace abouttexts
