#include "app/startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QCoreApplication::setSetuidAllowed(true);
    QApplication app(argc, argv);
    return startup::runConverter(app);
}
