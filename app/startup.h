#pragma once
// The steps of program start-up between the application object and the
// event loop, cut into steps that tests can run without a person.

#include <QString>

#include <functional>
#include <optional>

class QApplication;
class QLicenseAgreement;
class QSettings;

namespace startup {

// Settings store of the agreement: organisation, application, key and accepted value.
extern const char kSettingsOrganisation[];
extern const char kSettingsApplication[];
extern const char kLicenseAgreementKey[];
extern const char kLicenseAgreedValue[];

// The executable's directory when the program runs from the installation disk image.
extern const char kDiskImageExecutableDir[];

// Resources directory of the bundle whose executable lies in applicationDirPath:
// parent directory + "/Resources", or the parent itself when "Resources" is missing.
QString resourcesDirectoryFor(const QString &applicationDirPath);

// Sets HelpFilePath, strPlistPathLink and strPlistPath from the Resources directory.
void publishResourcePaths(const QString &resourcesDirectory);

// True when applicationDirPath, as Latin-1 bytes, is exactly the disk image's executable directory.
bool isDiskImageLaunch(const QString &applicationDirPath);

// Runs the agreement dialog to its end and returns its result code.
using AgreementDialogRunner = std::function<int(QLicenseAgreement &dialog)>;

// The real runner: the dialog's exec().
int execAgreementDialog(QLicenseAgreement &dialog);

// Shows the agreement unless settings already hold the acceptance; stores it when the
// dialog ends with "I Agree" checked. Returns the exit code when start-up must end here.
std::optional<int> runAgreementStep(QSettings &settings,
                                    const AgreementDialogRunner &runDialog = execAgreementDialog);

// Everything before the main window: resources, the disk-image refusal and the agreement.
// Returns the exit code when start-up must end here.
std::optional<int> prepareStart(const QString &applicationDirPath, QSettings &settings,
                                const AgreementDialogRunner &runDialog = execAgreementDialog);

// What must hold for the whole process before the application object exists:
// the byte-exact locale codec for file names and the inert media framework.
// main calls it first, and every test runner before its first test.
void setUpProcess();

// The whole start-up after the application object exists, then the event loop.
// It keeps the locale codec that setUpProcess installed.
int runConverter(QApplication &app);

} // namespace startup
