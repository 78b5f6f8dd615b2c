#include "dialogs/updatesettings.h"

#include <QSettings>

namespace updatesettings {

const QLatin1String kCheckForUpdateKey("CheckForUpdate");
const QLatin1String kUpdateIntervalKey("UpdateInterval");

QString organisationName()
{
    return QStringLiteral("corvane");
}

QString applicationName()
{
    return QStringLiteral("ConverterPreferences");
}

UpdateSettings load(QSettings &store)
{
    UpdateSettings settings;
    settings.checkForUpdate = store.value(kCheckForUpdateKey).toBool();
    if (settings.checkForUpdate)
        settings.interval = store.value(kUpdateIntervalKey).toString();
    return settings;
}

void store(QSettings &store, bool checkForUpdate, const QString &interval)
{
    if (!interval.isEmpty())
        store.setValue(kUpdateIntervalKey, interval);
    store.setValue(kCheckForUpdateKey, checkForUpdate);
}

int intervalIndex(const QString &interval, const QStringList &items)
{
    if (interval.isEmpty())
        return -1;
    return items.indexOf(interval);
}

} // namespace updatesettings
