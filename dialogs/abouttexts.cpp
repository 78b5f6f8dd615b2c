#include "dialogs/abouttexts.h"

#include <QSysInfo>

namespace abouttexts {

namespace {
const QLatin1String kUnknown("unknown");
}

QString operatingSystemName(const QString &productType, const QString &productVersion,
                            const QString &prettyProductName)
{
    if (productType == QLatin1String("macos") || productType == QLatin1String("osx")) {
        // The name belongs to the system family that began with version 10.
        bool ok = false;
        const int major = productVersion.section(QLatin1Char('.'), 0, 0).toInt(&ok);
        return ok && major >= 10 ? QStringLiteral("MAC OS X") : QString();
    }
    return prettyProductName.trimmed();
}

QString operatingSystemVersion(const QString &productVersion)
{
    return productVersion == kUnknown ? QString() : productVersion;
}

SystemInfo currentSystemInfo()
{
    SystemInfo info;
    info.hostName = QSysInfo::machineHostName();
    info.systemName = operatingSystemName(QSysInfo::productType(), QSysInfo::productVersion(),
                                          QSysInfo::prettyProductName());
    info.systemVersion = operatingSystemVersion(QSysInfo::productVersion());
    return info;
}

QString licenseUrlText(const QString &helpFilePath)
{
    return QLatin1String("file://") + helpFilePath + QLatin1String("/Eula.pdf");
}

} // namespace abouttexts
