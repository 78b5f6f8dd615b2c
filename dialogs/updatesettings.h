#pragma once
// The update-check settings of the Preferences dialog and their place in
// the settings store.

#include <QString>
#include <QStringList>

class QSettings;

namespace updatesettings {

// Keys in the store.
extern const QLatin1String kCheckForUpdateKey;
extern const QLatin1String kUpdateIntervalKey;

// The store of the Preferences dialog (organisation "corvane", application
// "ConverterPreferences").
QString organisationName();
QString applicationName();

// What the store holds; missing keys read as false and "".
struct UpdateSettings {
    bool checkForUpdate = false;
    QString interval;
};

// Reads the settings; the interval only when the check is on.
UpdateSettings load(QSettings &store);
// Stores the check state and, when it is not empty, the interval text.
void store(QSettings &store, bool checkForUpdate, const QString &interval);

// Position of interval among items (exact, case-sensitive, first match);
// -1 for an empty or unknown text.
int intervalIndex(const QString &interval, const QStringList &items);

} // namespace updatesettings
