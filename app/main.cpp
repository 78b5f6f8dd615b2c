#include "app/startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // The locale codec must be in place before the application object reads
    // the arguments and the executable's path.
    startup::setUpProcess();
    // The window forms are laid out in points of a 72-dpi screen, where one
    // point is one pixel; at the usual 96 dpi every text would outgrow its
    // fixed-size label. The user's own setting wins.
    if (!qEnvironmentVariableIsSet("QT_FONT_DPI"))
        qputenv("QT_FONT_DPI", "72");
    QCoreApplication::setSetuidAllowed(true);
    QApplication app(argc, argv);
    return startup::runConverter(app);
}
