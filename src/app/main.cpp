#include "platform/qt_desktop.h"
#include "platform/settings_store.h"
#include "startup/main_routine.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("reelcase"));
    QApplication::setOrganizationName(QStringLiteral("reelkit"));
    QApplication::setApplicationDisplayName(QString());
    QApplication::setDesktopFileName(QStringLiteral("reelcase"));

    // The whole interface is Chinese, Qt's own dialogs and buttons included.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    QTranslator qtTranslations;
    if (qtTranslations.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                            QStringLiteral("_"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslations);

    reelcase::QtDesktop desktop;
    reelcase::Main(desktop, std::make_shared<reelcase::QtSettingsStore>(),
                   QApplication::arguments());
    return QApplication::exec();
}
