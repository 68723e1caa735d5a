#include "startup/main_routine.h"

#include "mainwindow/main_window.h"
#include "startup/environment.h"

#include <QDir>
#include <QUrl>

namespace reelcase {

QString fileToOpen(const QStringList& arguments, const QString& currentFolder) {
    bool options = true;
    for (const QString& argument : arguments.mid(1)) {
        if (options && argument == QLatin1String("--")) {
            options = false;
            continue;
        }
        if (argument.isEmpty() || (options && argument.startsWith(QLatin1Char('-'))))
            continue;
        // A desktop may hand over a file URL instead of a path.
        const QString path =
            argument.startsWith(QLatin1String("file:")) ? QUrl(argument).toLocalFile() : argument;
        return QDir::cleanPath(QDir(currentFolder).absoluteFilePath(path));
    }
    return {};
}

void Main(Desktop& desktop, std::shared_ptr<SettingsStore> settings, const QStringList& arguments) {
    const SharedValues values =
        settleEnvironment(QProcessEnvironment::systemEnvironment(), *settings);
    auto* window = new MainWindow(desktop, std::move(settings), values);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    const QString file = fileToOpen(arguments, QDir::currentPath());
    if (!file.isEmpty())
        window->openPath(file);
}

} // namespace reelcase
