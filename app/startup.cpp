#include "app/startup.h"

#include "app/appglobals.h"
#include "app/converterresources.h"
#include "app/licenseagreement.h"
#include "app/mainwindow.h"
#include "app/uiprompt.h"
#include "platform/filenamecodec.h"
#include "platform/mediaframework.h"
#include "platform/resourcelimit.h"
#include "platform/scratchdir.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QSettings>

namespace startup {

const char kSettingsOrganisation[] = "corvane";
const char kSettingsApplication[] = "CMCPreferences";
const char kLicenseAgreementKey[] = "LicenseAgreement";
const char kLicenseAgreedValue[] = "Agree";
const char kDiskImageExecutableDir[] = "/Volumes/CMC/CorvaneMailConverter.app/Contents/MacOS";

namespace {

const char kDiskImageTitle[] = "Corvane Tindrel";
const char kDiskImageText[] =
    "Kindly copy the CorvaneMailConverter \nexecutable in the Applications folder and run from there.";
const char kMainWindowTitle[] = "Corvane Mail Converter";
const char kLinkListName[] = "/MailConverterLink.plist";

const char kApplicationFontFamily[] = "Lucida Grande";
const int kApplicationFontPointSize = 13;
const int kMinimumWindowWidth = 900;
const int kMinimumWindowHeight = 640;
const unsigned long kOpenFileLimit = 2048;

} // namespace

QString resourcesDirectoryFor(const QString &applicationDirPath)
{
    QDir dir(applicationDirPath);
    dir.cdUp();
    dir.cd(QStringLiteral("Resources"));
    return dir.absolutePath();
}

void publishResourcePaths(const QString &resourcesDirectory)
{
    strPlistPathLink = resourcesDirectory;
    HelpFilePath = strPlistPathLink;
    strPlistPath = strPlistPathLink + QLatin1String(kLinkListName);
}

bool isDiskImageLaunch(const QString &applicationDirPath)
{
    return applicationDirPath.toLatin1() == QByteArray(kDiskImageExecutableDir);
}

int execAgreementDialog(QLicenseAgreement &dialog)
{
    return dialog.exec();
}

std::optional<int> runAgreementStep(QSettings &settings, const AgreementDialogRunner &runDialog)
{
    const QString key = QLatin1String(kLicenseAgreementKey);
    const QString agreed = QLatin1String(kLicenseAgreedValue);
    if (settings.value(key).toString() == agreed)
        return std::nullopt;

    QLicenseAgreement dialog(nullptr);
    runDialog(dialog);
    // Both buttons accept the dialog; only the checked "I Agree" button counts as agreement.
    if (!dialog.AgreeButton->isChecked())
        return 0;
    settings.setValue(key, agreed);
    settings.sync();
    return std::nullopt;
}

std::optional<int> prepareStart(const QString &applicationDirPath, QSettings &settings,
                                const AgreementDialogRunner &runDialog)
{
    // 1. Resources directory of the bundle.
    publishResourcePaths(resourcesDirectoryFor(applicationDirPath));

    // 2. Refuse to run from the installation disk image.
    if (isDiskImageLaunch(applicationDirPath)) {
        showInformation(nullptr, QLatin1String(kDiskImageTitle), QLatin1String(kDiskImageText),
                        QMessageBox::Ok);
        return 0;
    }

    // 3. The end-user agreement, once.
    return runAgreementStep(settings, runDialog);
}

void setUpProcess()
{
    // Before anything turns a path into bytes or bytes into a path.
    platform::installFileNameCodec();
    // Before any web view: a message's <video> must not start the media framework.
    platform::keepMediaFrameworkInert();
}

int runConverter(QApplication &app)
{
    initConverterResources();
    // Every window of the program is drawn in one family at the size its
    // forms were laid out for; a missing family falls back to a substitute.
    const QStringList substitutes{QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")};
    QFont::insertSubstitutions(QLatin1String(kApplicationFontFamily), substitutes);
    QFont::insertSubstitutions(QStringLiteral(".Lucida Grande UI"), substitutes);
    QApplication::setFont(QFont(QLatin1String(kApplicationFontFamily), kApplicationFontPointSize));

    QSettings settings{QLatin1String(kSettingsOrganisation), QLatin1String(kSettingsApplication)};
    if (const std::optional<int> exitCode =
            prepareStart(QCoreApplication::applicationDirPath(), settings))
        return *exitCode;

    platform::raiseOpenFileLimit(kOpenFileLimit);
    platform::privateScratchDirectory();

    pConverterWin = new QConverterMainWindow(nullptr);
    pConverterWin->setMinimumWidth(kMinimumWindowWidth);
    pConverterWin->setMinimumHeight(kMinimumWindowHeight);
    pConverterWin->setWindowTitle(QLatin1String(kMainWindowTitle));
    pConverterWin->show();
    pConverterWin->ShowParseWindow();

    return app.exec();
}

} // namespace startup
