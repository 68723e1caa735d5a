#include "platform/qt_desktop.h"
#include "startup/main_routine.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("reelcase"));
    QApplication::setOrganizationName(QStringLiteral("reelkit"));
    reelcase::QtDesktop desktop;
    reelcase::Main(desktop);
    return QApplication::exec();
}
