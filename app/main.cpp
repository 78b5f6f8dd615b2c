#include "app/startup.h"
#include "platform/filenamecodec.h"
#include "platform/mediaframework.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // Before anything turns a path into bytes or bytes into a path.
    platform::installFileNameCodec();
    // Before any web view: a message's <video> must not start the media framework.
    platform::keepMediaFrameworkInert();
    // The window forms are laid out in points of a 72-dpi screen, where one
    // point is one pixel; at the usual 96 dpi every text would outgrow its
    // fixed-size label. The user's own setting wins.
    if (!qEnvironmentVariableIsSet("QT_FONT_DPI"))
        qputenv("QT_FONT_DPI", "72");
    QCoreApplication::setSetuidAllowed(true);
    QApplication app(argc, argv);
    return startup::runConverter(app);
}
